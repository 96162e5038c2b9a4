#pragma once

#include "app/encoding_settings_dialog.h"
#include "audio/audio_wav_settings.h"

#include <cstdint>
#include <memory>

class TAudioWavSettingsDialog : public TEncodingSettingsDialog {
    Q_OBJECT

public:
    // The dialog becomes the program's one WAV settings dialog, whose values GetAudioWavEncodingPref
    // returns.
    explicit TAudioWavSettingsDialog(QWidget* mainForm = nullptr);

    void RegisterDefaults() override;
    void LoadSettings() override;
    void SaveSettings() override;
    void Translate() override;
    void SetControlsEnabled(bool enabled) override;

    std::unique_ptr<TAudioWavEncodingPref> GetPreference();
    // Validates the box first; a text that is not a number gives 44100.
    std::int32_t GetSamplingFrequency();
    TWavEncodingMode GetEncodingMode() const;
    TWavChannelsMode GetChannelsMode() const;
    TWavBitsPerSample GetBitsPerSample() const;
    // A typed frequency outside 100..200000 Hz, or no number at all, gives 44100.
    void ValidateSamplingFrequency();

    void DefaultsButtonClick();

protected:
    void ValidateAfterClose() override { ValidateSamplingFrequency(); }

private:
    QComboBox* WavEncodingModeComboBox;
    QComboBox* WavSamplingFrequencyComboBox;
    QComboBox* WavChannelsModeComboBox;
    QComboBox* WavBitsPerSampleComboBox;
    QWidget* WavSamplingFrequencyPanel;
    QPushButton* WavAudioSettingsDialogDefaultsButton;
};

// The program's WAV settings dialog; none before the program creates it.
TAudioWavSettingsDialog* AudioWavSettingsDialog();
void ExecuteAudioWavSettingsDialog();
