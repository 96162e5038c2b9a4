#pragma once

#include "app/batch_commands.h"
#include "app/batch_plan.h"
#include "app/brindlow_form_tabbed.h"
#include "audio/acs_converters.h"
#include "audio/acs_wave.h"
#include "audio/audio_file.h"
#include "audio/audio_mp2_settings.h"
#include "engine/command_interface.h"

#include <QImage>
#include <QStringList>

#include <array>

#include <functional>
#include <memory>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QSlider;
class QTimer;
class TAudioFilesListView;
class TDropper;
class TCommandsManager;

// The conversion page: the source file, the output folder and format, and the Convert/Cancel button
// that turns them into one batch on the program's command queue.
class TPageMpegAudio : public TBrindlowTabbedForm {
    Q_OBJECT

public:
    explicit TPageMpegAudio(QWidget* parent = nullptr);
    ~TPageMpegAudio() override;

    void Translate() override;
    void LoadSettings() override;
    void SaveSettings() override;
    void DefineDefaults() override;
    void SettingsLoaded() override;

    // Starts a batch of the listed files, or cancels the running one.
    void ButtonConvertCancelClick();
    // Builds and starts one batch; entries, when given, are the list's and follow the files one to one.
    void RunConversions(const QStringList& files, const std::vector<std::shared_ptr<TAudioFile>>& entries,
                        bool unattended);

    void ButtonBrowseOneFileClick();
    void ButtonBrowseOutputFolderClick();
    void ButtonOutputFormatSettingsClick();
    void OnEncodingPrefsChanged();

    // 0 for MPEG-1 Audio Layer II, 1 for WAV.
    int OutputFormatIndex() const;
    // Open dialog, folder scan and drops feed the hidden list of source files.
    void SelectAudioFileDialog();
    void ButtonAudioAddFolderClick();
    void AddAudioFolder(bool recursive);
    void AudioFilesListViewDropItems(const QStringList& files);
    void ClearAllAudioFiles();
    void RemoveSelectedAudioFiles();
    const QStringList& ResultLines() const { return resultLines_; }
    bool IsRunning() const { return running_; }

    // Set by the main window: while it closes, a batch ends without its summary.
    std::function<bool()> MainWindowClosing;

    // The preview of the selected source file.
    void ButtonPlayClick();
    void PositionTimerOnTimer();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    QWidget* CreateSourceGroup();
    QWidget* CreateOutputFolderGroup();
    QWidget* CreateOutputSettingsGroup();
    QWidget* CreateProgressPanel();
    QWidget* CreateStartPanel();
    void ConnectControls();
    QWidget* CreateExperimentalPanel();
    void ButtonDisplayWavInfoClick();
    void ButtonAudioBatchEncodeClick();
    void RunSingleStep(TStepKind kind, const QString& input, const QString& extension, const QString& handler,
                       const QString& title);

    void OutputFolderChoiceChanged();
    void RefreshAudioFilesButtons();
    void ShowProgressControls(bool show);
    void SetConvertButtonCaption(bool running);

    // Batch building and running.
    QString ResolveOutputFolder();
    TBatchChoices GatherChoices(const QStringList& files, const QString& outputFolder);
    TBatchStepContext StepContext(int taskCount, bool unattended,
                                  std::shared_ptr<const TAudioWavEncodingPref> wavPref,
                                  const TAudioMp2EncodingPref& mp2Pref);
    TAfterCommandEvent EndHandler(TStepKind kind);
    void StepEnded(TStepKind kind, TCommandInterface* command, const TExecuteStatus& status,
                   bool& continueBatch);
    void PosScrollBarUserChange(int position);
    void PrepareLevelDisplay();
    void PaintLevels();
    void ShowStatusColour(const std::shared_ptr<TAudioFile>& entry);
    void ShowStatusColours();
    // The status label's colour for the last status it showed, in shades the theme lets one read.
    void ShowLabelStatusColour();
    void ClearLevelDisplay();
    void MarkAudioFileResult(const std::shared_ptr<TAudioFile>& entry, TAudioFileStatus status,
                             const QString& text);
    void CommandsStarted();
    void CommandsEnded();
    void MpegAudioQueueEnded();
    void ShowSummary();

    QStringList resultLines_;
    bool running_ = false;
    bool showingPosition_ = false; // the bar moves because the file plays, not because of the user
    QImage barImage_;
    std::array<int, 22> peaks_{};
    bool cancelling_ = false;
    TAudioFileStatus labelStatus_ = afsWaiting;

    // Source.
    QGroupBox* GroupBoxSource;
    QWidget* PanelFiles;
    TAudioFilesListView* AudioFilesListView;
    TDropper* InvisibleDropper;
    QFrame* BevelOneMpegFile;
    QWidget* PanelOneFile;
    QLabel* LabelFileType;
    QLineEdit* EditOneAudioFile;
    QPushButton* ButtonBrowseOneFile;
    QLabel* LabelConversionStatus;
    QPushButton* ButtonPlay;
    QPushButton* ButtonPause;
    QPushButton* ButtonStop;
    QSlider* VolumeSlider;
    QScrollBar* PosScrollBar;
    QLabel* TimePositionLabel;
    QLabel* GaugePaintBox;
    QTimer* PositionTimer;
    QPushButton* ButtonAudioAddFiles;
    QPushButton* ButtonAudioAddFolder;
    QPushButton* ButtonAudioClearFiles;
    QPushButton* ButtonAudioDeleteFile;
    QMenu* TBXPopupMenuAudioFilesList;
    QAction* TBXAudioListItemAddFiles;
    QAction* TBXAudioListItemDeleteSelected;
    QAction* TBXAudioListItemClear;
    // Output folder.
    QGroupBox* GroupBoxOutputFolder;
    QRadioButton* RadioButtonOutputSame;
    QRadioButton* RadioButtonOutputBrowse;
    QLineEdit* EditOutputFolder;
    QPushButton* ButtonBrowseOutputFolder;
    // Output format.
    QGroupBox* GroupBoxOutSettings;
    QComboBox* ComboBoxAudioFormatOutput;
    QPushButton* ButtonOutputFormatSettings;
    QCheckBox* CheckBoxVCD;
    QCheckBox* CheckBoxXVCD;
    QCheckBox* CheckBoxSVCD;
    QCheckBox* CheckBoxXSVCD;
    // Progress and start.
    QWidget* TBXAlignmentPanelProgress;
    QGroupBox* GroupBoxProgress;
    QProgressBar* ProgressBarCurrent;
    QProgressBar* ProgressBarTotal;
    QWidget* TBXAlignmentPanelStartButton;
    QPushButton* ButtonConvertCancel;
    QLabel* LabelTestsVersionOnly;
    QPushButton* CrashButton;
    QPushButton* ButtonSwitch;
    QWidget* ExperimentalPanel;

    // The audio components the WAV steps and the encoder's checks share.
    TWaveIn WaveFileIn;
    TSampleConverter SampleConverterTo16, SampleConverterTo8;
    TMSConverter ChannelsConverter;
    TRateConverter FreqRateConverter;
    TWaveOut WaveFileOut;
};
