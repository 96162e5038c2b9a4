#pragma once

#include "app/encoding_settings_dialog.h"
#include "audio/audio_mp2_settings.h"

#include <cstdint>
#include <memory>

class QCheckBox;

class TAudioMp2SettingsDialog : public TEncodingSettingsDialog {
    Q_OBJECT

public:
    // The dialog becomes the program's one MPEG audio settings dialog, whose values
    // GetAudioMp2EncodingPref returns.
    explicit TAudioMp2SettingsDialog(QWidget* mainForm = nullptr);

    void RegisterDefaults() override;
    void LoadSettings() override;
    void SaveSettings() override;
    void Translate() override;
    void SetControlsEnabled(bool enabled) override;

    std::unique_ptr<TAudioMp2EncodingPref> GetPreference() const;
    // 224 when no line is selected.
    std::int32_t GetBitRate() const;
    // Stereo when no line is selected.
    TMp2ChannelMode GetChannelMode() const;

    void DefaultsButtonClick();

private:
    // Mono never goes above 192 kbit/s; then the change is told.
    void SettingsChanged();
    QCheckBox* AddCheckBox(const QString& name, const QString& caption, bool checked);

    QComboBox* SamplingFrequencyComboBox;
    QComboBox* BitRateComboBox;
    QComboBox* ChannelsModeComboBox;
    QCheckBox* ErrorProtectionCheckBox;
    QCheckBox* OriginalFlagCheckBox;
    QCheckBox* CopyrightFlagCheckBox;
    QWidget* SamplingFrequencyPanel;
    QWidget* BitRatePanel;
    QPushButton* AudioSettingsDialogDefaultsButton;
};

// The program's MPEG audio settings dialog; none before the program creates it.
TAudioMp2SettingsDialog* AudioMp2SettingsDialog();
void ExecuteAudioMp2SettingsDialog();
