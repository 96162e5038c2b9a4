#include "audio/audio_mp2_settings.h"
#include "foundation/language.h"
#include "tests/support/encoding_settings_world.h"
#include "tests/support/qt_printers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include <memory>

class Mp2Settings : public EncodingSettingsWorld {
protected:
    std::unique_ptr<TSettings> FreshStore(TAudioMp2SettingsDialog& dialog) const
    {
        return EncodingSettingsWorld::FreshStore(dialog, {{"Mp2EncodingBitRate", stString},
                                                          {"Mp2EncodingChannelsMode", stString},
                                                          {"ErrorProtection", stBoolean},
                                                          {"OriginalFlag", stBoolean},
                                                          {"CopyrightFlag", stBoolean}});
    }
    QComboBox* Box(const QWidget& dialog, const char* name) const { return Find<QComboBox>(dialog, name); }
};

TEST_F(Mp2Settings, WithoutTheDialogThePreferenceIsTheDefault)
{
    ASSERT_EQ(AudioMp2SettingsDialog(), nullptr);
    const auto preference = GetAudioMp2EncodingPref();
    EXPECT_EQ(preference->BitRate, 224);
    EXPECT_EQ(preference->ChannelMode, mcmStereo);
    EXPECT_TRUE(preference->ErrorProtection);
    EXPECT_FALSE(preference->OriginalFlag);
    EXPECT_FALSE(preference->CopyrightFlag);
    EXPECT_EQ(preference->GetDescription(), "mp2 224 kbps Stereo");
    ExecuteAudioMp2SettingsDialog();

    EXPECT_EQ(TextToMp2ChannelMode(" JOINT stereo "), mcmJointStereo);
    EXPECT_EQ(TextToMp2ChannelMode("dual channel"), mcmDualChannel);
    EXPECT_EQ(TextToMp2ChannelMode("surround"), mcmStereo);
    TAudioMp2EncodingPref dual;
    dual.BitRate = 384;
    dual.ChannelMode = mcmDualChannel;
    EXPECT_EQ(dual.GetDescription(), "mp2 384 kbps Dual Channel");
}

TEST_F(Mp2Settings, MonoNeverGoesAbove192)
{
    TAudioMp2SettingsDialog dialog;
    EXPECT_EQ(AudioMp2SettingsDialog(), &dialog);
    EXPECT_EQ(GetAudioMp2EncodingPref()->GetDescription(), "mp2 224 kbps Stereo");
    QComboBox* bitRate = Box(dialog, "BitRateComboBox");
    QComboBox* channels = Box(dialog, "ChannelsModeComboBox");

    channels->setCurrentText("Mono");
    EXPECT_EQ(bitRate->currentText(), "192");
    EXPECT_EQ(Senders, std::vector<QObject*>{&dialog});
    bitRate->setCurrentText("384");
    EXPECT_EQ(dialog.GetBitRate(), 192);
    bitRate->setCurrentText("128");
    channels->setCurrentText("Joint Stereo");
    channels->setCurrentText("Mono");
    EXPECT_EQ(dialog.GetBitRate(), 128);

    // The stereo modes may use the high rates.
    channels->setCurrentText("Dual Channel");
    bitRate->setCurrentText("384");
    EXPECT_EQ(GetAudioMp2EncodingPref()->GetDescription(), "mp2 384 kbps Dual Channel");
}

TEST_F(Mp2Settings, ValuesSurviveARoundTripThroughTheSettingsFile)
{
    auto dialog = std::make_unique<TAudioMp2SettingsDialog>();
    auto store = FreshStore(*dialog);
    Box(*dialog, "BitRateComboBox")->setCurrentText("96");
    Box(*dialog, "ChannelsModeComboBox")->setCurrentText("Joint Stereo");
    Find<QCheckBox>(*dialog, "ErrorProtectionCheckBox")->setChecked(false);
    Find<QCheckBox>(*dialog, "CopyrightFlagCheckBox")->setChecked(true);
    dialog->SaveSettings();
    ASSERT_TRUE(store->Save());
    const auto stored = [&](const char* key) { return StoredText(*store, QString::fromLatin1(key)); };
    EXPECT_EQ(stored("Mp2EncodingBitRate"), "96");
    EXPECT_EQ(stored("Mp2EncodingChannelsMode"), "Joint Stereo");
    EXPECT_EQ(stored("ErrorProtection"), "0");
    EXPECT_EQ(stored("OriginalFlag"), "0");
    EXPECT_EQ(stored("CopyrightFlag"), "1");

    dialog = std::make_unique<TAudioMp2SettingsDialog>();
    store = FreshStore(*dialog);
    const auto preference = GetAudioMp2EncodingPref();
    EXPECT_EQ(preference->GetDescription(), "mp2 96 kbps Joint Stereo");
    EXPECT_FALSE(preference->ErrorProtection);
    EXPECT_FALSE(preference->OriginalFlag);
    EXPECT_TRUE(preference->CopyrightFlag);
}

TEST_F(Mp2Settings, LoadingAppliesTheMonoRuleAndKeepsUnknownTextsOut)
{
    TAudioMp2SettingsDialog dialog;
    auto store = FreshStore(dialog);
    store->SetValue("Mp2EncodingBitRate", "384");
    store->SetValue("Mp2EncodingChannelsMode", " MONO");
    Senders.clear();
    dialog.LoadSettings();
    EXPECT_EQ(GetAudioMp2EncodingPref()->GetDescription(), "mp2 192 kbps Mono");
    EXPECT_EQ(Senders, std::vector<QObject*>{&dialog});

    store->SetValue("Mp2EncodingBitRate", "320");
    store->SetValue("Mp2EncodingChannelsMode", "Stereo");
    dialog.LoadSettings();
    EXPECT_EQ(GetAudioMp2EncodingPref()->GetDescription(), "mp2 192 kbps Stereo");
}

TEST_F(Mp2Settings, EachFlagFollowsItsOwnBox)
{
    TAudioMp2SettingsDialog dialog;
    Find<QCheckBox>(dialog, "OriginalFlagCheckBox")->click();
    auto preference = dialog.GetPreference();
    EXPECT_TRUE(preference->OriginalFlag);
    EXPECT_TRUE(preference->ErrorProtection);
    EXPECT_FALSE(preference->CopyrightFlag);
    Find<QCheckBox>(dialog, "ErrorProtectionCheckBox")->click();
    preference = dialog.GetPreference();
    EXPECT_TRUE(preference->OriginalFlag);
    EXPECT_FALSE(preference->ErrorProtection);
    EXPECT_EQ(Senders.size(), 2u);

    Senders.clear();
    Find<QPushButton>(dialog, "AudioSettingsDialogDefaultsButton")->click();
    EXPECT_EQ(Senders, std::vector<QObject*>{&dialog});
    preference = dialog.GetPreference();
    EXPECT_TRUE(preference->ErrorProtection);
    EXPECT_FALSE(preference->OriginalFlag);
}

TEST_F(Mp2Settings, CancelPutsBackTheValuesInForce)
{
    TAudioMp2SettingsDialog dialog;
    auto store = FreshStore(dialog);
    dialog.BeginExecute();
    Box(dialog, "BitRateComboBox")->setCurrentText("64");
    Find<QCheckBox>(dialog, "CopyrightFlagCheckBox")->setChecked(true);
    dialog.EndExecute(QDialog::Rejected);
    EXPECT_EQ(dialog.GetBitRate(), 224);
    EXPECT_FALSE(dialog.GetPreference()->CopyrightFlag);

    dialog.BeginExecute();
    Box(dialog, "BitRateComboBox")->setCurrentText("128");
    dialog.EndExecute(QDialog::Accepted);
    EXPECT_EQ(store->GetValue("Mp2EncodingBitRate").toString(), "128");
}

TEST_F(Mp2Settings, ABatchLeavesOnlyTheInformationBoxAsItWas)
{
    TAudioMp2SettingsDialog dialog;
    dialog.SetControlsEnabled(false);
    for (const char* name : {"BitRateComboBox", "ChannelsModeComboBox", "AudioSettingsDialogDefaultsButton",
                             "ErrorProtectionCheckBox", "OriginalFlagCheckBox", "CopyrightFlagCheckBox"})
        EXPECT_FALSE(Find<QWidget>(dialog, name)->isEnabled()) << name;
    EXPECT_TRUE(Find<QWidget>(dialog, "SamplingFrequencyComboBox")->isEnabled());
}

TEST_F(Mp2Settings, TranslatesCaptionsAndHints)
{
    TAudioMp2SettingsDialog dialog;
    dialog.Translate();
    EXPECT_EQ(
        Find<QWidget>(dialog, "OriginalFlagCheckBox")->toolTip(),
        QStringLiteral("This is a single bit flag carried in the MPEG audio stream for information only.\nIt "
                       "does not affect the encoder or decoder in any way.\nIt simply indicates that the "
                       "material is original."));
    EXPECT_EQ(Find<QWidget>(dialog, "SamplingFrequencyPanel")->toolTip(), QString());

    UseFrench();
    dialog.Translate();
    EXPECT_EQ(Find<QCheckBox>(dialog, "ErrorProtectionCheckBox")->text(), "Protection contre les erreurs");
    EXPECT_EQ(Find<QWidget>(dialog, "BitRatePanel")->toolTip(),
              QStringLiteral(
                  "À titre indicatif, en stéréo couche II, 64 kbit/s donne une qualité de radio AM,\n192 "
                  "kbit/s une qualité de radio FM et 384 kbit/s une qualité de CD audio."));
}
