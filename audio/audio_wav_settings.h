#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

class QComboBox;
class QLabel;
class QPushButton;
class QVBoxLayout;
class TFormResizer;
class TListStrings;
class TSettings;

enum TWavEncodingMode : std::uint8_t { wemRawPcm = 0, wemDviImaAdpcm = 1 };
enum TWavChannelsMode : std::uint8_t { wcmMono = 0, wcmStereo = 1 };
enum TWavBitsPerSample : std::uint8_t { wbs8 = 0, wbs16 = 1 };

// Value texts as stored in the settings, listed in the dialog and shown in the description. A text
// is read back ignoring case and framing blanks; an unknown text gives the default of its kind.
QString WavEncodingModeText(TWavEncodingMode mode);
TWavEncodingMode TextToWavEncodingMode(const QString& text);
QString WavChannelsModeText(TWavChannelsMode mode);
TWavChannelsMode TextToWavChannelsMode(const QString& text);
QString WavBitsPerSampleText(TWavBitsPerSample bits);
TWavBitsPerSample TextToWavBitsPerSample(const QString& text);

// The index of the first text equal to the given one, ignoring case and framing blanks; -1 for none.
int IndexOfValueText(const QStringList& texts, const QString& text);

// The WAV output a command writes; a snapshot, later edits in the dialog do not reach it.
class TAudioWavEncodingPref {
public:
    TAudioWavEncodingPref();

    std::int32_t SamplingFrequency;
    TWavEncodingMode EncodingMode;
    TWavChannelsMode ChannelsMode;
    TWavBitsPerSample BitsPerSample;

    // "WAV (Raw PCM) 16bits 44100 Hz Stereo"; never translated, it goes into file names.
    QString GetDescription() const;
};

// What the settings protocol of the main window and the run of an encoding dialog share.
class TEncodingSettingsDialog : public QDialog {
    Q_OBJECT

public:
    // Without a store, loading, saving and registering the defaults do nothing.
    void SetSettings(TSettings* store) { settings_ = store; }
    virtual void RegisterDefaults() = 0;
    virtual void LoadSettings() = 0;
    virtual void SaveSettings() = 0;
    virtual void Translate() = 0;
    void AfterSettingsLoaded() {}
    virtual void SetControlsEnabled(bool enabled) = 0;

    // Shows the dialog modally: OK keeps the edits, anything else puts back the values in force
    // when it opened.
    void Execute();
    // The two halves of Execute around the modal loop.
    void BeginExecute();
    void EndExecute(int result);

    // Mutes the change notification while code sets the controls.
    bool Loading = false;

protected:
    TEncodingSettingsDialog(QWidget* mainForm, const QString& name);

    // Starts the form resizer once the controls exist.
    void FinishCreation();
    virtual void ValidateAfterClose() {}
    TSettings* Settings() const { return settings_; }
    // Tells the event hub, unless code is setting the controls.
    void NotifyChanged();

    QLabel* AddHeading(const QString& name, const QString& text);
    // A row: a caption, the box and an optional unit, inside a panel that can show a hint.
    QWidget* AddRow(const QString& panelName, const QString& labelName, const QString& caption,
                    QComboBox* box, const QString& unit = QString());
    // A fixed list with the preset line selected.
    QComboBox* AddComboBox(const QString& name, const QStringList& lines, const QString& preset);
    void AddControl(QWidget* control);
    // Adds the defaults, OK and Cancel buttons; returns the defaults button.
    QPushButton* AddButtons(const QString& prefix);

    TFormResizer* FormResizer1;
    TListStrings* ListStringsToTranslate;

private:
    TSettings* settings_ = nullptr;
    QVBoxLayout* layout_;
};

// The selected line of a box; empty when none is selected or the text typed no longer is that line.
QString SelectedLine(const QComboBox* box);
// Selects the first line matching the text (ignoring case and framing blanks); false, keeping the
// selection, when none matches.
bool SelectMatchingLine(QComboBox* box, const QString& text);
// Selects the box's first line, then the matching line.
void SelectLine(QComboBox* box, const QString& text);

class TAudioWavSettingsDialog : public TEncodingSettingsDialog {
    Q_OBJECT

public:
    // The dialog becomes the program's one WAV settings dialog.
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
// The dialog's values, or the defaults when there is no dialog. The caller owns the result.
std::unique_ptr<TAudioWavEncodingPref> GetAudioWavEncodingPref();
void ExecuteAudioWavSettingsDialog();
