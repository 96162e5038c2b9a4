#include "app/audio_mp2_settings_dialog.h"
#include "tests/support/encoding_settings_world.h"
#include "tests/support/qt_printers.h"

#include <QCheckBox>
#include <QComboBox>
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
    QCheckBox* Check(const QWidget& dialog, const char* name) const { return Find<QCheckBox>(dialog, name); }
    // The description and the three flags as one text.
    static QString Preference(const std::unique_ptr<TAudioMp2EncodingPref>& preference)
    {
        return QString("%1 crc %2 original %3 copyright %4")
            .arg(preference->GetDescription())
            .arg(preference->ErrorProtection)
            .arg(preference->OriginalFlag)
            .arg(preference->CopyrightFlag);
    }
};

TEST_F(Mp2Settings, MonoNeverGoesAbove192WhetherChosenOrLoaded)
{
    // Without the dialog the preference is the default, and running it does nothing.
    ASSERT_EQ(AudioMp2SettingsDialog(), nullptr);
    EXPECT_EQ(Preference(GetAudioMp2EncodingPref()), "mp2 224 kbps Stereo crc 1 original 0 copyright 0");
    ExecuteAudioMp2SettingsDialog();
    TAudioMp2SettingsDialog dialog;
    EXPECT_EQ(AudioMp2SettingsDialog(), &dialog);
    QComboBox* bitRate = Box(dialog, "BitRateComboBox");
    QComboBox* channels = Box(dialog, "ChannelsModeComboBox");
    channels->setCurrentText("Mono");
    EXPECT_EQ(bitRate->currentText(), "192");
    EXPECT_EQ(Senders, std::vector<QObject*>{&dialog});
    bitRate->setCurrentText("384");
    EXPECT_EQ(dialog.GetBitRate(), 192);
    // The stereo modes may use the high rates.
    channels->setCurrentText("Dual Channel");
    bitRate->setCurrentText("384");
    EXPECT_EQ(GetAudioMp2EncodingPref()->GetDescription(), "mp2 384 kbps Dual Channel");

    auto store = FreshStore(dialog);
    store->SetValue("Mp2EncodingBitRate", "384");
    store->SetValue("Mp2EncodingChannelsMode", " MONO");
    Senders.clear();
    dialog.LoadSettings();
    EXPECT_EQ(GetAudioMp2EncodingPref()->GetDescription(), "mp2 192 kbps Mono");
    EXPECT_EQ(Senders, std::vector<QObject*>{&dialog});
    // An unknown rate keeps the one in force.
    store->SetValue("Mp2EncodingBitRate", "320");
    store->SetValue("Mp2EncodingChannelsMode", "Stereo");
    dialog.LoadSettings();
    EXPECT_EQ(GetAudioMp2EncodingPref()->GetDescription(), "mp2 192 kbps Stereo");
}

TEST_F(Mp2Settings, ValuesSurviveARoundTripThroughTheSettingsFile)
{
    auto dialog = std::make_unique<TAudioMp2SettingsDialog>();
    auto store = FreshStore(*dialog);
    Box(*dialog, "BitRateComboBox")->setCurrentText("96");
    Box(*dialog, "ChannelsModeComboBox")->setCurrentText("Joint Stereo");
    Check(*dialog, "ErrorProtectionCheckBox")->setChecked(false);
    Check(*dialog, "CopyrightFlagCheckBox")->setChecked(true);
    dialog->SaveSettings();
    ASSERT_TRUE(store->Save());
    QStringList stored;
    for (const char* key : {"Mp2EncodingBitRate", "Mp2EncodingChannelsMode", "ErrorProtection",
                            "OriginalFlag", "CopyrightFlag"})
        stored << StoredText(*store, key);
    EXPECT_EQ(stored, QStringList({"96", "Joint Stereo", "0", "0", "1"}));

    dialog = std::make_unique<TAudioMp2SettingsDialog>();
    store = FreshStore(*dialog);
    EXPECT_EQ(Preference(GetAudioMp2EncodingPref()), "mp2 96 kbps Joint Stereo crc 0 original 0 copyright 1");

    // In French the lines read in French; the value stored and the encoder's mode stay the same.
    UseFrench();
    dialog->Translate();
    QComboBox* channels = Box(*dialog, "ChannelsModeComboBox");
    EXPECT_EQ(channels->currentText(), QString::fromUtf8("Stéréo conjointe"));
    channels->setCurrentText("Double canal");
    dialog->SaveSettings();
    EXPECT_EQ(store->GetValue("Mp2EncodingChannelsMode").toString(), "Dual Channel");
    EXPECT_EQ(GetAudioMp2EncodingPref()->GetDescription(), "mp2 96 kbps Dual Channel");
}

TEST_F(Mp2Settings, EachFlagFollowsItsBoxCancelPutsBackTheValuesAndABatchDisablesTheBoxes)
{
    TAudioMp2SettingsDialog dialog;
    auto store = FreshStore(dialog);
    dialog.BeginExecute();
    Box(dialog, "BitRateComboBox")->setCurrentText("64");
    Check(dialog, "CopyrightFlagCheckBox")->setChecked(true);
    dialog.EndExecute(QDialog::Rejected);
    EXPECT_EQ(Preference(dialog.GetPreference()), "mp2 224 kbps Stereo crc 1 original 0 copyright 0");
    dialog.BeginExecute();
    Box(dialog, "BitRateComboBox")->setCurrentText("128");
    dialog.EndExecute(QDialog::Accepted);
    EXPECT_EQ(store->GetValue("Mp2EncodingBitRate").toString(), "128");

    Senders.clear();
    Check(dialog, "OriginalFlagCheckBox")->click();
    EXPECT_EQ(Preference(dialog.GetPreference()), "mp2 128 kbps Stereo crc 1 original 1 copyright 0");
    Check(dialog, "ErrorProtectionCheckBox")->click();
    EXPECT_EQ(Preference(dialog.GetPreference()), "mp2 128 kbps Stereo crc 0 original 1 copyright 0");
    EXPECT_EQ(Senders.size(), 2u);
    Senders.clear();
    Find<QPushButton>(dialog, "AudioSettingsDialogDefaultsButton")->click();
    EXPECT_EQ(Senders, std::vector<QObject*>{&dialog});
    EXPECT_EQ(Preference(dialog.GetPreference()), "mp2 224 kbps Stereo crc 1 original 0 copyright 0")
        << "the defaults pass through the Mono line without keeping its bit-rate limit";

    // A batch leaves only the information box as it was; the captions follow the language.
    dialog.SetControlsEnabled(false);
    for (const char* name : {"BitRateComboBox", "AudioSettingsDialogDefaultsButton", "CopyrightFlagCheckBox"})
        EXPECT_FALSE(Find<QWidget>(dialog, name)->isEnabled()) << name;
    EXPECT_TRUE(Find<QWidget>(dialog, "SamplingFrequencyComboBox")->isEnabled());

    UseFrench();
    dialog.Translate();
    EXPECT_EQ(Check(dialog, "ErrorProtectionCheckBox")->text(), "Protection contre les erreurs");
}
