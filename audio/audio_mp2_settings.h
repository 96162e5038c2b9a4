#pragma once

#include "audio/audio_wav_settings.h"

#include <cstdint>
#include <memory>

class QCheckBox;

enum TMp2ChannelMode : std::uint8_t { mcmMono = 0, mcmStereo = 1, mcmJointStereo = 2, mcmDualChannel = 3 };

// "Mono", "Stereo", "Joint Stereo", "Dual Channel"; an unknown text reads as stereo.
QString Mp2ChannelModeText(TMp2ChannelMode mode);
TMp2ChannelMode TextToMp2ChannelMode(const QString& text);

// The MPEG-1 Layer II stream the encoder writes; a snapshot, later edits in the dialog do not reach it.
class TAudioMp2EncodingPref {
public:
    std::int32_t BitRate = 224; // kbit/s
    TMp2ChannelMode ChannelMode = mcmStereo;
    bool ErrorProtection = true;
    bool OriginalFlag = false;
    bool CopyrightFlag = false;

    // "mp2 224 kbps Stereo"; never translated, it goes into file names.
    QString GetDescription() const;
};

class TAudioMp2SettingsDialog : public TEncodingSettingsDialog {
    Q_OBJECT

public:
    // The dialog becomes the program's one MPEG audio settings dialog.
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
// The dialog's values, or the defaults when there is no dialog. The caller owns the result.
std::unique_ptr<TAudioMp2EncodingPref> GetAudioMp2EncodingPref();
void ExecuteAudioMp2SettingsDialog();
