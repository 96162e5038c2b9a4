#include "app/audio_wav_settings_dialog.h"
#include "tests/support/encoding_settings_world.h"
#include "tests/support/qt_printers.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <memory>

class WavSettings : public EncodingSettingsWorld {
protected:
    std::unique_ptr<TSettings> FreshStore(TAudioWavSettingsDialog& dialog) const
    {
        return EncodingSettingsWorld::FreshStore(dialog, {{"WavEncodingSamplingFrequency", stString},
                                                          {"WavEncodingMode", stString},
                                                          {"WavEncodingChannelsMode", stString},
                                                          {"WavEncodingBitsPerSample", stString}});
    }
};

TEST_F(WavSettings, ValuesSurviveARoundTripThroughTheSettingsFile)
{
    // Without the dialog the preference is the default, and running it does nothing.
    ASSERT_EQ(AudioWavSettingsDialog(), nullptr);
    EXPECT_EQ(GetAudioWavEncodingPref()->GetDescription(), "WAV (Raw PCM) 16bits 44100 Hz Stereo");
    ExecuteAudioWavSettingsDialog();
    auto dialog = std::make_unique<TAudioWavSettingsDialog>();
    EXPECT_EQ(AudioWavSettingsDialog(), dialog.get());
    EXPECT_EQ(dialog->windowTitle(), "Korvane");
    auto store = FreshStore(*dialog);
    EXPECT_EQ(GetAudioWavEncodingPref()->GetDescription(), "WAV (Raw PCM) 16bits 44100 Hz Stereo");
    Box(*dialog, "WavEncodingModeComboBox")->setCurrentText("DVI IMA ADPCM");
    Box(*dialog, "WavChannelsModeComboBox")->setCurrentText("Mono");
    // Eight bits with IMA ADPCM is kept as chosen; the conversion reports that it cannot encode it.
    Box(*dialog, "WavBitsPerSampleComboBox")->setCurrentText("8");
    Box(*dialog, "WavSamplingFrequencyComboBox")->setEditText("37800");
    dialog->SaveSettings();
    ASSERT_TRUE(store->Save());
    QStringList stored;
    for (const char* key : {"WavEncodingSamplingFrequency", "WavEncodingMode", "WavEncodingChannelsMode",
                            "WavEncodingBitsPerSample"})
        stored << StoredText(*store, key);
    EXPECT_EQ(stored, QStringList({"37800", "DVI IMA ADPCM", "Mono", "8"}));

    dialog = std::make_unique<TAudioWavSettingsDialog>();
    store = FreshStore(*dialog);
    EXPECT_EQ(Box(*dialog, "WavSamplingFrequencyComboBox")->currentText(), "37800");
    EXPECT_EQ(GetAudioWavEncodingPref()->GetDescription(), "WAV (DVI IMA ADPCM) 8bits 37800 Hz Mono");
}

TEST_F(WavSettings, StoredTextsAreMatchedLooselyUnknownOnesChangeNothingAndOutOfRangeFrequenciesBecome44100)
{
    TAudioWavSettingsDialog dialog;
    auto store = FreshStore(dialog);
    Box(dialog, "WavEncodingModeComboBox")->setCurrentText("DVI IMA ADPCM");
    store->SetValue("WavEncodingChannelsMode", " mono ");
    store->SetValue("WavEncodingBitsPerSample", "8 ");
    store->SetValue("WavEncodingMode", "FLAC");
    store->SetValue("WavEncodingSamplingFrequency", " 22050");
    dialog.LoadSettings();
    EXPECT_EQ(dialog.GetChannelsMode(), wcmMono);
    EXPECT_EQ(dialog.GetBitsPerSample(), wbs8);
    EXPECT_EQ(dialog.GetEncodingMode(), wemDviImaAdpcm);
    EXPECT_EQ(Box(dialog, "WavSamplingFrequencyComboBox")->currentIndex(), 4);
    EXPECT_EQ(dialog.GetSamplingFrequency(), 22050);

    // A frequency outside its range becomes 44100.
    QComboBox* frequency = Box(dialog, "WavSamplingFrequencyComboBox");
    const auto loaded = [&](const QString& text) {
        store->SetValue("WavEncodingSamplingFrequency", text);
        dialog.LoadSettings();
        return dialog.GetSamplingFrequency();
    };
    for (const auto& [text, frequencyLoaded] :
         {std::pair{"100", 100}, {"200000", 200000}, {"99", 44100}, {"200001", 44100}, {"abc", 44100}})
        EXPECT_EQ(loaded(text), frequencyLoaded) << text;
    EXPECT_EQ(frequency->currentIndex(), 7);

    // Typed by the user, the text is checked when the box is left.
    frequency->lineEdit()->setText("12");
    Q_EMIT frequency->lineEdit()->editingFinished();
    EXPECT_EQ(frequency->currentText(), "44100");
    // Typed over a selected line, the text counts, not the line.
    frequency->setCurrentIndex(0);
    frequency->lineEdit()->setText("50");
    EXPECT_EQ(dialog.GetSamplingFrequency(), 44100);
}

TEST_F(WavSettings, EachChangeIsToldOnceCancelPutsBackTheValuesAndABatchDisablesTheBoxes)
{
    TAudioWavSettingsDialog dialog;
    EXPECT_TRUE(Senders.empty());
    auto store = FreshStore(dialog);
    EXPECT_EQ(Senders, std::vector<QObject*>{&dialog});

    Senders.clear();
    Box(dialog, "WavEncodingModeComboBox")->setCurrentIndex(1);
    Box(dialog, "WavChannelsModeComboBox")->setCurrentIndex(0);
    Box(dialog, "WavBitsPerSampleComboBox")->setCurrentIndex(0);
    EXPECT_EQ(Senders.size(), 3u);
    Box(dialog, "WavSamplingFrequencyComboBox")->setCurrentIndex(2);
    EXPECT_EQ(Senders.size(), 3u) << "the frequency is told when the dialog closes";
    Senders.clear();
    Find<QPushButton>(dialog, "WavAudioSettingsDialogDefaultsButton")->click();
    EXPECT_EQ(Senders, std::vector<QObject*>{&dialog});
    EXPECT_EQ(dialog.GetPreference()->GetDescription(), "WAV (Raw PCM) 16bits 44100 Hz Stereo");

    // Cancel puts back the values in force; OK keeps the edits, a frequency out of range made 44100.
    Box(dialog, "WavChannelsModeComboBox")->setCurrentText("Mono");
    dialog.BeginExecute();
    Box(dialog, "WavChannelsModeComboBox")->setCurrentText("Stereo");
    Box(dialog, "WavSamplingFrequencyComboBox")->setCurrentText("96000");
    dialog.EndExecute(QDialog::Rejected);
    EXPECT_EQ(dialog.GetPreference()->GetDescription(), "WAV (Raw PCM) 16bits 44100 Hz Mono");
    dialog.BeginExecute();
    Box(dialog, "WavBitsPerSampleComboBox")->setCurrentText("8");
    Box(dialog, "WavSamplingFrequencyComboBox")->setEditText("7");
    dialog.EndExecute(QDialog::Accepted);
    EXPECT_EQ(store->GetValue("WavEncodingBitsPerSample").toString(), "8");
    EXPECT_EQ(store->GetValue("WavEncodingSamplingFrequency").toString(), "44100");
    EXPECT_EQ(Box(dialog, "WavSamplingFrequencyComboBox")->currentText(), "44100");

    // A batch disables the boxes and the defaults button; the captions follow the language.
    dialog.SetControlsEnabled(false);
    EXPECT_FALSE(Find<QWidget>(dialog, "WavSamplingFrequencyComboBox")->isEnabled());
    EXPECT_FALSE(Find<QWidget>(dialog, "WavAudioSettingsDialogDefaultsButton")->isEnabled());
    EXPECT_TRUE(Find<QWidget>(dialog, "WavAudioSettingsDialogCancelButton")->isEnabled());

    UseFrench();
    dialog.Translate();
    EXPECT_EQ(Find<QLabel>(dialog, "WavChannelsModeLabel")->text(), "Mode des canaux :");
}
