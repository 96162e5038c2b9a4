#include "app/form_mpeg_audio.h"

#include "app/batch_commands.h"
#include "engine/command_common_data.h"

#include "app/audio_mp2_settings_dialog.h"
#include "app/audio_wav_settings_dialog.h"
#include "app/form_settings_batch.h"
#include "app/form_settings_general.h"
#include "audio/preview_player.h"
#include "components/adv_message_dlg.h"
#include "components/audio_files_list_view.h"
#include "components/dropper.h"
#include "components/engine_views.h"
#include "components/form_registry.h"
#include "components/list_strings.h"
#include "components/log_target.h"
#include "components/themes.h"
#include "engine/commands_manager.h"
#include "foundation/brindlow_sounds.h"
#include "foundation/browse_for_folder.h"
#include "foundation/file_tools.h"
#include "foundation/global_events.h"
#include "foundation/language.h"
#include "foundation/log_procedures.h"
#include "foundation/program_globals.h"
#include "foundation/settings.h"
#include "foundation/useful_files.h"
#include "foundation/useful_string.h"
#include "platform/dialogs.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QSlider>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

const QString KeyOutFolderSameAsSource = QStringLiteral("AudioOutFolderSameAsSource");
const QString KeyOutFolder = QStringLiteral("AudioOutFolder");
const QString KeyVolume = QStringLiteral("Volume");
const QString KeyEncodingType = QStringLiteral("EncodingType");
const QString FormatMpeg = QStringLiteral("MPEG-1 Audio Layer II");
const QString FormatWav = QStringLiteral("WAV");

// The log page's command-line memo, where the steps echo what they run.
std::shared_ptr<TLineSink> EchoMemo()
{
    return std::make_shared<TMemoLineSink>(CommandLineMemo());
}

// Code outside a settings page reads its live choices from its controls; without the page, the
// setting's default holds.
QString PageName(const TPageSettingsGeneral*)
{
    return QStringLiteral("PageSettingsGeneral");
}

QString PageName(const TPageSettingsBatch*)
{
    return QStringLiteral("PageSettingsBatch");
}

template <typename Page> const Page* SettingsPage()
{
    return qobject_cast<const Page*>(
        FormRegistry::Instance().Find(PageName(static_cast<const Page*>(nullptr))));
}

template <typename Page, typename Button> bool Checked(Button* Page::*control, bool fallback)
{
    const Page* page = SettingsPage<Page>();
    return page ? (page->*control)->isChecked() : fallback;
}

QString TempFolderSetting()
{
    const auto* page = SettingsPage<TPageSettingsGeneral>();
    return page ? page->EditTempFolder->text() : QString();
}

// Errors red, cancels green, conversions blue; any other status has the theme's text colour.
std::optional<QColor> SignalColour(TAudioFileStatus status)
{
    switch (status) {
    case afsError:
        return QColor(Qt::red);
    case afsCancelled:
        return QColor(Qt::darkGreen);
    case afsConverted:
        return QColor(Qt::blue);
    default:
        return std::nullopt;
    }
}

constexpr int LevelBars = 22;
constexpr int LevelHeight = 25;

// Colour index of count (1-based) on the way from start to end.
QColor GradientColour(int index, int count, const QColor& start, const QColor& end)
{
    if (index < 1 || index > count)
        throw EKorvaneError(QStringLiteral("ColorIndex can't be less than 1 or greater than ") +
                            QString::number(count));
    const auto channel = [index, count](int from, int to) {
        return count == 1 ? from : from + (index - 1) * (to - from) / (count - 1);
    };
    return QColor(channel(start.red(), end.red()), channel(start.green(), end.green()),
                  channel(start.blue(), end.blue()));
}

bool ScanSubfolders()
{
    return Checked(&TPageSettingsBatch::CheckBoxScanSubfolders, true);
}

QString WithTrailingSlash(const QString& folder)
{
    return folder.isEmpty() || folder.endsWith(u'/') ? folder : folder + u'/';
}

// A folder the user typed, or that the settings keep, counts only as the full path of an existing folder:
// a relative one would be taken from the program's working folder, which the user never sees.
bool IsExistingFullFolder(const QString& folder)
{
    return folder.startsWith(u'/') && FolderExists(folder);
}

std::uint32_t RandomBelow(std::uint32_t bound)
{
    return QRandomGenerator::global()->bounded(bound);
}

bool NameTaken(const QString& name)
{
    return FileExistsEx(name) || QFileInfo(name).isSymLink();
}

void SetFontBold(QWidget* widget, bool bold)
{
    QFont font = widget->font();
    font.setBold(bold);
    widget->setFont(font);
}

template <typename Widget> Widget* Named(Widget* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QPushButton* NewButton(const char* name, const QString& caption)
{
    return Named(new QPushButton(caption), name);
}

} // namespace

TPageMpegAudio::TPageMpegAudio(QWidget* parent)
    : TBrindlowTabbedForm(parent), SampleConverterTo16(nullptr), SampleConverterTo8(nullptr),
      ChannelsConverter(nullptr), FreqRateConverter(nullptr), WaveFileOut(nullptr)
{
    setObjectName(QStringLiteral("PageMpegAudio"));
    setWindowTitle(QStringLiteral("PageMpegAudio"));
    ChannelsConverter.Mode = msmMonoToBoth;
    FreqRateConverter.FilterWindow = fwBlackman;
    FreqRateConverter.SetKernelWidth(30);
    FreqRateConverter.SetOutSampleRate(44100);
    WaveFileOut.SetWavType(wtPCM);
    WaveFileOut.SetBlockSize(512);
    CreateControls();
    ListStringsToTranslate->SetProperties(
        {"ButtonBrowseOneFile", "RadioButtonOutputSame", "ButtonBrowseOutputFolder",
         "ButtonOutputFormatSettings", "ButtonAudioAddFiles", "ButtonAudioAddFolder", "ButtonAudioClearFiles",
         "ButtonAudioDeleteFile", "GroupBoxProgress", "ButtonPlay", "ButtonPause", "ButtonStop"});
    ConnectControls();

    RadioButtonOutputSame->setChecked(true);
    OutputFolderChoiceChanged();
    GlobalEvents().OnEncodingSettingsChanged = [this](QObject*) { OnEncodingPrefsChanged(); };
    GlobalEvents().OnScanSubfoldersChanged = [this](QObject*) {
        InvisibleDropper->SetRecursive(ScanSubfolders());
    };
    CrashButton->hide();
    ButtonSwitch->hide();
    ExperimentalPanel->hide();
    ShowProgressControls(false);
    // One file at a time: the list stays hidden and holds the chosen file.
    BevelOneMpegFile->show();
    PanelOneFile->show();
    for (QWidget* listControl :
         {static_cast<QWidget*>(ButtonAudioAddFiles), static_cast<QWidget*>(ButtonAudioAddFolder),
          static_cast<QWidget*>(ButtonAudioClearFiles), static_cast<QWidget*>(ButtonAudioDeleteFile),
          static_cast<QWidget*>(PanelFiles)})
        listControl->hide();
    LabelConversionStatus->clear();
    PrepareLevelDisplay();
    LabelTestsVersionOnly->setVisible(GetVersionNoDots() != GetShortVersionNoDots());
    FormCreate();
}

TPageMpegAudio::~TPageMpegAudio()
{
    GlobalEvents().OnEncodingSettingsChanged = nullptr;
    GlobalEvents().OnScanSubfoldersChanged = nullptr;
    PlayerSetTimerHandler({});
    PlayerStop();
    TCommandsManager* queue = GlobalEvents().CommandsManager;
    if (queue && !queue->IsRunning())
        queue->Reset();
    WaveFileOut.Stop();
}

void TPageMpegAudio::showEvent(QShowEvent* event)
{
    TBrindlowTabbedForm::showEvent(event);
    peaks_.fill(0);
    ClearLevelDisplay();
    PlayerSetTimerHandler([this] { PaintLevels(); });
}

void TPageMpegAudio::changeEvent(QEvent* event)
{
    // The colours worked out from the theme follow a change of theme.
    if (event->type() == QEvent::PaletteChange) {
        OutputFolderChoiceChanged();
        ClearLevelDisplay();
        ShowStatusColours();
        if (LabelConversionStatus->testAttribute(Qt::WA_SetPalette))
            ShowLabelStatusColour();
    }
    TBrindlowTabbedForm::changeEvent(event);
}

void TPageMpegAudio::closeEvent(QCloseEvent* event)
{
    PlayerSetTimerHandler({});
    PlayerSetStateCallback({});
    WaveFileOut.Stop();
    TBrindlowTabbedForm::closeEvent(event);
}

bool TPageMpegAudio::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick &&
        (watched == EditOutputFolder || watched == EditOneAudioFile)) {
        ButtonBrowseOutputFolderClick();
        return true;
    }
    return TBrindlowTabbedForm::eventFilter(watched, event);
}

void TPageMpegAudio::CreateControls()
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(CreateSourceGroup());
    // The progress panel takes the output folder's place while converting. The place keeps the
    // height of the taller of the two, so that the switch squeezes nothing above it.
    auto* swapped = new QGridLayout;
    for (QWidget* panel : {CreateOutputFolderGroup(), CreateProgressPanel()}) {
        QSizePolicy policy = panel->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        panel->setSizePolicy(policy);
        swapped->addWidget(panel, 0, 0);
    }
    layout->addLayout(swapped);
    layout->addWidget(CreateOutputSettingsGroup());
    layout->addWidget(CreateStartPanel());
    layout->addWidget(CreateExperimentalPanel());
    CrashButton = NewButton("CrashButton", QStringLiteral("Crash"));
    ButtonSwitch = NewButton("ButtonSwitch", QStringLiteral("Switch"));
    layout->addWidget(CrashButton);
    layout->addWidget(ButtonSwitch);
    layout->addStretch();
}

QWidget* TPageMpegAudio::CreateSourceGroup()
{
    GroupBoxSource = Named(new QGroupBox(), "GroupBoxSource");
    auto* layout = new QVBoxLayout(GroupBoxSource);

    PanelFiles = Named(new QWidget(), "PanelFiles");
    auto* filesLayout = new QHBoxLayout(PanelFiles);
    AudioFilesListView = Named(new TAudioFilesListView(), "AudioFilesListView");
    InvisibleDropper = Named(new TDropper(PanelFiles), "InvisibleDropper");
    InvisibleDropper->hide();
    InvisibleDropper->SetAllowDir(false);
    InvisibleDropper->SetRecursive(false);
    filesLayout->addWidget(AudioFilesListView);
    auto* listButtons = new QVBoxLayout();
    ButtonAudioAddFiles = NewButton("ButtonAudioAddFiles", QStringLiteral("Add files"));
    ButtonAudioAddFolder = NewButton("ButtonAudioAddFolder", QStringLiteral("Add folder"));
    ButtonAudioClearFiles = NewButton("ButtonAudioClearFiles", QStringLiteral("Clear"));
    ButtonAudioDeleteFile = NewButton("ButtonAudioDeleteFile", QStringLiteral("Delete"));
    for (QPushButton* button :
         {ButtonAudioAddFiles, ButtonAudioAddFolder, ButtonAudioClearFiles, ButtonAudioDeleteFile})
        listButtons->addWidget(button);
    filesLayout->addLayout(listButtons);
    layout->addWidget(PanelFiles);

    TBXPopupMenuAudioFilesList = Named(new QMenu(this), "TBXPopupMenuAudioFilesList");
    TBXAudioListItemAddFiles = Named(TBXPopupMenuAudioFilesList->addAction(QStringLiteral("Add audio files")),
                                     "TBXAudioListItemAddFiles");
    TBXAudioListItemDeleteSelected =
        Named(TBXPopupMenuAudioFilesList->addAction(QStringLiteral("Delete selected")),
              "TBXAudioListItemDeleteSelected");
    TBXAudioListItemDeleteSelected->setShortcut(QKeySequence(Qt::Key_Delete));
    TBXAudioListItemClear =
        Named(TBXPopupMenuAudioFilesList->addAction(QStringLiteral("Clear")), "TBXAudioListItemClear");
    TBXAudioListItemClear->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete));
    AudioFilesListView->SetPopupMenu(TBXPopupMenuAudioFilesList);

    BevelOneMpegFile = Named(new QFrame(), "BevelOneMpegFile");
    BevelOneMpegFile->setFrameShape(QFrame::HLine);
    layout->addWidget(BevelOneMpegFile);
    PanelOneFile = Named(new QWidget(), "PanelOneFile");
    auto* oneFile = new QGridLayout(PanelOneFile);
    LabelFileType = Named(new QLabel(), "LabelFileType");
    EditOneAudioFile = Named(new QLineEdit(), "EditOneAudioFile");
    EditOneAudioFile->setReadOnly(true);
    ButtonBrowseOneFile = NewButton("ButtonBrowseOneFile", QStringLiteral("Browse"));
    LabelConversionStatus = Named(new QLabel(), "LabelConversionStatus");
    oneFile->addWidget(LabelFileType, 0, 0, 1, 2);
    oneFile->addWidget(EditOneAudioFile, 1, 0);
    oneFile->addWidget(ButtonBrowseOneFile, 1, 1);
    oneFile->addWidget(LabelConversionStatus, 2, 0, 1, 2);
    layout->addWidget(PanelOneFile);

    auto* preview = new QHBoxLayout();
    ButtonPlay = NewButton("ButtonPlay", QStringLiteral("Play"));
    ButtonPause = NewButton("ButtonPause", QStringLiteral("Pause"));
    ButtonStop = NewButton("ButtonStop", QStringLiteral("Stop"));
    VolumeSlider = Named(new QSlider(Qt::Horizontal), "VolumeSlider");
    VolumeSlider->setRange(0, 100);
    PosScrollBar = Named(new QScrollBar(Qt::Horizontal), "PosScrollBar");
    // The width goes to the position bar, where it gives finer seeking; the volume needs no more than
    // its natural length.
    VolumeSlider->setSizePolicy(QSizePolicy::Maximum, VolumeSlider->sizePolicy().verticalPolicy());
    PosScrollBar->setSizePolicy(QSizePolicy::Expanding, PosScrollBar->sizePolicy().verticalPolicy());
    TimePositionLabel = Named(new QLabel(QStringLiteral("00:00:00 / 00:00:00")), "TimePositionLabel");
    GaugePaintBox = Named(new QLabel(), "GaugePaintBox");
    GaugePaintBox->setFixedSize(LevelBars * 4 + 2, LevelHeight);
    PositionTimer = Named(new QTimer(this), "PositionTimer");
    PositionTimer->setInterval(50);
    for (QWidget* control : std::initializer_list<QWidget*>{ButtonPlay, ButtonPause, ButtonStop, VolumeSlider,
                                                            PosScrollBar, TimePositionLabel, GaugePaintBox})
        preview->addWidget(control);
    layout->addLayout(preview);
    return GroupBoxSource;
}

QWidget* TPageMpegAudio::CreateOutputFolderGroup()
{
    GroupBoxOutputFolder = Named(new QGroupBox(), "GroupBoxOutputFolder");
    auto* layout = new QGridLayout(GroupBoxOutputFolder);
    RadioButtonOutputSame =
        Named(new QRadioButton(QStringLiteral(" Same as the source folder")), "RadioButtonOutputSame");
    RadioButtonOutputBrowse = Named(new QRadioButton(), "RadioButtonOutputBrowse");
    EditOutputFolder = Named(new QLineEdit(), "EditOutputFolder");
    ButtonBrowseOutputFolder = NewButton("ButtonBrowseOutputFolder", QStringLiteral("Browse"));
    layout->addWidget(RadioButtonOutputSame, 0, 0, 1, 3);
    layout->addWidget(RadioButtonOutputBrowse, 1, 0);
    layout->addWidget(EditOutputFolder, 1, 1);
    layout->addWidget(ButtonBrowseOutputFolder, 1, 2);
    return GroupBoxOutputFolder;
}

QWidget* TPageMpegAudio::CreateProgressPanel()
{
    TBXAlignmentPanelProgress = Named(new QWidget(), "TBXAlignmentPanelProgress");
    auto* panel = new QVBoxLayout(TBXAlignmentPanelProgress);
    GroupBoxProgress = Named(new QGroupBox(QStringLiteral("Progress")), "GroupBoxProgress");
    auto* layout = new QVBoxLayout(GroupBoxProgress);
    ProgressBarCurrent = Named(new QProgressBar(), "ProgressBarCurrent");
    ProgressBarTotal = Named(new QProgressBar(), "ProgressBarTotal");
    layout->addWidget(ProgressBarCurrent);
    layout->addWidget(ProgressBarTotal);
    panel->addWidget(GroupBoxProgress);
    return TBXAlignmentPanelProgress;
}

QWidget* TPageMpegAudio::CreateOutputSettingsGroup()
{
    GroupBoxOutSettings = Named(new QGroupBox(), "GroupBoxOutSettings");
    auto* layout = new QGridLayout(GroupBoxOutSettings);
    ComboBoxAudioFormatOutput = Named(new QComboBox(), "ComboBoxAudioFormatOutput");
    ComboBoxAudioFormatOutput->addItems({FormatMpeg, FormatWav});
    ButtonOutputFormatSettings = NewButton("ButtonOutputFormatSettings", QStringLiteral("Parameters..."));
    CheckBoxVCD = Named(new QCheckBox(QStringLiteral("VCD 2.0")), "CheckBoxVCD");
    CheckBoxXVCD = Named(new QCheckBox(QStringLiteral("XVCD")), "CheckBoxXVCD");
    CheckBoxSVCD = Named(new QCheckBox(QStringLiteral("SVCD 1.0")), "CheckBoxSVCD");
    CheckBoxXSVCD = Named(new QCheckBox(QStringLiteral("XSVCD")), "CheckBoxXSVCD");
    layout->addWidget(ComboBoxAudioFormatOutput, 0, 0, 1, 2);
    layout->addWidget(ButtonOutputFormatSettings, 0, 2, 1, 2);
    int column = 0;
    for (QCheckBox* box : {CheckBoxVCD, CheckBoxXVCD, CheckBoxSVCD, CheckBoxXSVCD})
        layout->addWidget(box, 1, column++);
    return GroupBoxOutSettings;
}

QWidget* TPageMpegAudio::CreateStartPanel()
{
    TBXAlignmentPanelStartButton = Named(new QWidget(), "TBXAlignmentPanelStartButton");
    auto* layout = new QHBoxLayout(TBXAlignmentPanelStartButton);
    LabelTestsVersionOnly = Named(new QLabel(QStringLiteral("TESTS VERSION ONLY")), "LabelTestsVersionOnly");
    ButtonConvertCancel = NewButton("ButtonConvertCancel", QStringLiteral("4 - Convert"));
    layout->addWidget(LabelTestsVersionOnly);
    layout->addStretch();
    layout->addWidget(ButtonConvertCancel);
    return TBXAlignmentPanelStartButton;
}

void TPageMpegAudio::ConnectControls()
{
    connect(ButtonPlay, &QPushButton::clicked, this, [this] { ButtonPlayClick(); });
    connect(ButtonPause, &QPushButton::clicked, this, [] { PlayerTogglePause(); });
    connect(ButtonStop, &QPushButton::clicked, this, [] { PlayerStop(); });
    connect(VolumeSlider, &QSlider::valueChanged, this, [this](int position) {
        PlayerSetVolume(std::lrint(position * 100.0 / VolumeSlider->maximum()));
    });
    connect(PosScrollBar, &QScrollBar::valueChanged, this,
            [this](int position) { PosScrollBarUserChange(position); });
    connect(PositionTimer, &QTimer::timeout, this, [this] { PositionTimerOnTimer(); });
    EditOutputFolder->installEventFilter(this);
    EditOneAudioFile->installEventFilter(this);
    connect(ButtonConvertCancel, &QPushButton::clicked, this, [this] { ButtonConvertCancelClick(); });
    connect(ButtonBrowseOneFile, &QPushButton::clicked, this, [this] { ButtonBrowseOneFileClick(); });
    connect(ButtonBrowseOutputFolder, &QPushButton::clicked, this,
            [this] { ButtonBrowseOutputFolderClick(); });
    connect(RadioButtonOutputSame, &QRadioButton::toggled, this, [this] { OutputFolderChoiceChanged(); });
    connect(RadioButtonOutputBrowse, &QRadioButton::toggled, this, [this] { OutputFolderChoiceChanged(); });
    connect(ComboBoxAudioFormatOutput, &QComboBox::currentIndexChanged, this,
            [this] { FireEncodingSettingsChanged(this); });
    connect(ButtonOutputFormatSettings, &QPushButton::clicked, this,
            [this] { ButtonOutputFormatSettingsClick(); });
    for (QCheckBox* box : {CheckBoxVCD, CheckBoxXVCD, CheckBoxSVCD, CheckBoxXSVCD})
        connect(box, &QCheckBox::clicked, this, [this] { OnEncodingPrefsChanged(); });
    connect(ButtonSwitch, &QPushButton::clicked, this,
            [this] { ShowProgressControls(!TBXAlignmentPanelProgress->isVisibleTo(this)); });
    connect(ButtonAudioAddFiles, &QPushButton::clicked, this, [this] { SelectAudioFileDialog(); });
    connect(TBXAudioListItemAddFiles, &QAction::triggered, this, [this] { SelectAudioFileDialog(); });
    connect(ButtonAudioAddFolder, &QPushButton::clicked, this, [this] { ButtonAudioAddFolderClick(); });
    connect(ButtonAudioClearFiles, &QPushButton::clicked, this, [this] { ClearAllAudioFiles(); });
    connect(TBXAudioListItemClear, &QAction::triggered, this, [this] { ClearAllAudioFiles(); });
    connect(ButtonAudioDeleteFile, &QPushButton::clicked, this, [this] { RemoveSelectedAudioFiles(); });
    connect(TBXAudioListItemDeleteSelected, &QAction::triggered, this,
            [this] { RemoveSelectedAudioFiles(); });
    connect(AudioFilesListView, &QTreeWidget::itemSelectionChanged, this,
            [this] { RefreshAudioFilesButtons(); });
    connect(AudioFilesListView, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (AudioFilesListView->selectedItems().isEmpty())
            SelectAudioFileDialog();
    });
    AudioFilesListView->OnCountMayHaveChanged = [this](QObject*) { RefreshAudioFilesButtons(); };
    AudioFilesListView->OnDropItems = [this](QObject*, const QStringList& files) {
        AudioFilesListViewDropItems(files);
    };
    InvisibleDropper->OnDropItems = [this](QObject*, const QStringList& files) {
        AudioFilesListView->AddFiles(files);
    };
}

// ---- Hidden experimental panel -------------------------------------------------------------------------

namespace {

struct TSingleStepRow {
    const char* Prefix; // of the row's component names
    TStepKind Kind;
    const char* Filter;
    const char* Extension;
    const char* Title; // of the queue's run
};

const TSingleStepRow SingleStepRows[] = {
    {"AudioToWav", TStepKind::Decode, "mp3/wma/ogg/wav|*.mp3;*.wma;*.ogg;*.wav;*.wave", "wav",
     "MpegAudio.ButtonAudioToWavOpenClick"},
    {"WavToWav", TStepKind::WavToWav, "wav|*.wav;*.wave", "wav", "MpegAudio.ButtonWavToWavDecodeClick"},
    {"WavToMpeg", TStepKind::Encode, "wav|*.wav;*.wave", "mp2", "MpegAudio.ButtonWavToMpegDecodeClick"},
    {"MpegToVcd", TStepKind::Multiplex, "mp2|*.mp2", "mpg", "MpegAudio.ButtonMpegToVcdDecodeClick"},
};

QString WavTypeText(TWavType type)
{
    switch (type) {
    case wtPCM:
        return QStringLiteral("PCM");
    case wtDVIADPCM:
        return QStringLiteral("DVI IMA ADPCM");
    case wtMSADPCM:
        return QStringLiteral("Microsoft ADPCM");
    case wtACM:
        return QStringLiteral("ACM");
    case wtUnsupported:
        break;
    }
    return QStringLiteral("Unsupported");
}

} // namespace

QWidget* TPageMpegAudio::CreateExperimentalPanel()
{
    ExperimentalPanel = Named(new QWidget(), "ExperimentalPanel");
    auto* layout = new QGridLayout(ExperimentalPanel);
    QPushButton* wavInfo = NewButton("ButtonDisplayWavInfo", QStringLiteral("WAV information"));
    QPushButton* batch = NewButton("ButtonAudioBatchEncode", QStringLiteral("Batch"));
    connect(wavInfo, &QPushButton::clicked, this, [this] { ButtonDisplayWavInfoClick(); });
    connect(batch, &QPushButton::clicked, this, [this] { ButtonAudioBatchEncodeClick(); });
    layout->addWidget(wavInfo, 0, 0);
    layout->addWidget(batch, 0, 1);
    int row = 1;
    for (const TSingleStepRow& step : SingleStepRows) {
        const QString prefix = QString::fromLatin1(step.Prefix);
        auto* open = new QPushButton(QStringLiteral("Open"));
        open->setObjectName(QStringLiteral("Button") + prefix + QStringLiteral("Open"));
        auto* edit = new QLineEdit();
        edit->setObjectName(QStringLiteral("Edit") + prefix);
        auto* decode = new QPushButton(QStringLiteral("Decode"));
        decode->setObjectName(QStringLiteral("Button") + prefix + QStringLiteral("Decode"));
        connect(open, &QPushButton::clicked, this, [edit, &step] {
            plat::FileRequest request;
            request.Folder = GetDefaultInputFolder(DefaultInputFolder);
            request.Filter = QString::fromLatin1(step.Filter);
            const QString chosen = plat::CurrentDialogs().ChooseOpenFile(request);
            if (!chosen.isEmpty())
                edit->setText(chosen);
        });
        connect(decode, &QPushButton::clicked, this, [this, edit, decode, &step] {
            RunSingleStep(step.Kind, edit->text(), QString::fromLatin1(step.Extension),
                          decode->objectName() + QStringLiteral("Click"), QString::fromLatin1(step.Title));
        });
        layout->addWidget(open, row, 0);
        layout->addWidget(edit, row, 1);
        layout->addWidget(decode, row, 2);
        ++row;
    }
    return ExperimentalPanel;
}

void TPageMpegAudio::ButtonDisplayWavInfoClick()
{
    plat::FileRequest request;
    request.Folder = GetDefaultInputFolder(DefaultInputFolder);
    request.Filter = QStringLiteral("wav|*.wav;*.wave");
    const QString chosen = plat::CurrentDialogs().ChooseOpenFile(request);
    if (chosen.isEmpty())
        return;
    TWaveIn wave;
    wave.FileName = chosen;
    const int frameBytes = std::max(1, wave.GetCh() * wave.GetBPS() / 8);
    const QString text = chosen + QStringLiteral("\r\rChannels: ") + QString::number(wave.GetCh()) +
                         QStringLiteral("\rSample rate: ") + QString::number(wave.GetSR()) +
                         QStringLiteral("\rBits per sample: ") + QString::number(wave.GetBPS()) +
                         QStringLiteral("\rEncoding: ") + WavTypeText(wave.GetWavType()) +
                         QStringLiteral("\rTotal time: ") + QString::number(wave.GetTotalTime()) +
                         QStringLiteral(" s\rSamples: ") + QString::number(wave.Size / frameBytes) +
                         QStringLiteral("\rSize: ") + QString::number(wave.Size) + u'\r';
    plat::MessageDlg(text, plat::TMsgDlgType::mtInformation, plat::mbOK);
}

void TPageMpegAudio::ButtonAudioBatchEncodeClick()
{
    plat::FileRequest request;
    request.Title = QStringLiteral("Select some audio files");
    request.Folder = GetDefaultInputFolder(DefaultInputFolder);
    request.Filter = GetAudioFilesFilter();
    const QStringList chosen = plat::CurrentDialogs().ChooseOpenFiles(request);
    if (!chosen.isEmpty())
        RunConversions(chosen, {}, false);
}

void TPageMpegAudio::RunSingleStep(TStepKind kind, const QString& input, const QString& extension,
                                   const QString& handler, const QString& title)
{
    TCommandsManager* queue = GlobalEvents().CommandsManager;
    if (!queue || queue->IsRunning())
        return;
    FireCommandsStarting(this, handler);
    const QFileInfo file(input);
    TStepPlan step;
    step.Kind = kind;
    step.Source = step.Input = input;
    step.Output = file.absolutePath() + u'/' + file.completeBaseName() + u'.' + extension;
    // The output may be named like the input: the output checks rename it rather than overwrite it.
    step.CheckOutput = true;
    queue->Reset();
    if (!input.isEmpty())
        queue->AddCommand(NewStepCommand(step, StepContext(1, false, nullptr, *GetAudioMp2EncodingPref()),
                                         nullptr, TAfterCommandEvent()));
    if (queue->IsEmpty()) {
        FireCommandsFinished(this);
        return;
    }
    queue->Run(
        title, false, EchoMemo(), [this](QObject*) { CommandsStarted(); },
        [this](QObject*, bool) { MpegAudioQueueEnded(); }, nullptr, SndNone, SndNone, false, false);
}

// ---- Page protocol ------------------------------------------------------------------------------------

void TPageMpegAudio::DefineDefaults()
{
    if (TSettings* store = SettingsStore()) {
        store->SetDefaultValue(KeyOutFolderSameAsSource, true);
        store->SetDefaultValue(KeyOutFolder, QString());
        store->SetDefaultValue(KeyVolume, 20);
        store->SetDefaultValue(KeyEncodingType, FormatMpeg);
    }
}

void TPageMpegAudio::LoadSettings()
{
    TSettings* store = SettingsStore();
    if (!store)
        return;
    VolumeSlider->setValue(store->GetValue(KeyVolume).toInt());
    QString folder = store->GetValue(KeyOutFolder).toString();
    if (!IsExistingFullFolder(folder))
        folder.clear();
    EditOutputFolder->setText(folder);
    // A radio button is unchecked by checking its partner.
    const bool same = store->GetValue(KeyOutFolderSameAsSource).toBool() || folder.isEmpty();
    (same ? RadioButtonOutputSame : RadioButtonOutputBrowse)->setChecked(true);
    const QString encoding = store->GetValue(KeyEncodingType).toString().trimmed().toLower();
    for (int i = 0; i < ComboBoxAudioFormatOutput->count(); ++i)
        if (ComboBoxAudioFormatOutput->itemText(i).trimmed().toLower() == encoding)
            ComboBoxAudioFormatOutput->setCurrentIndex(i);
    FireEncodingSettingsChanged(this);
}

void TPageMpegAudio::SaveSettings()
{
    TSettings* store = SettingsStore();
    if (!store)
        return;
    store->SetValue(KeyOutFolderSameAsSource, RadioButtonOutputSame->isChecked());
    store->SetValue(KeyOutFolder, EditOutputFolder->text());
    store->SetValue(KeyVolume, VolumeSlider->value());
    store->SetValue(KeyEncodingType, OutputFormatIndex() == 1 ? FormatWav : FormatMpeg);
}

void TPageMpegAudio::SettingsLoaded()
{
    SetConvertButtonCaption(false);
    RefreshAudioFilesButtons();
    InvisibleDropper->SetScanFilesFilter(GetAudioFilesMask());
}

void TPageMpegAudio::Translate()
{
    TBrindlowTabbedForm::Translate();
    GroupBoxOutputFolder->setTitle(QStringLiteral("2 - ") + TranslateMsg(QStringLiteral("Output folder")));
    GroupBoxOutSettings->setTitle(QStringLiteral("3 - ") +
                                  TranslateMsg(QStringLiteral("Output audio format")));
    AudioFilesListView->setToolTip(
        plat::ForDisplay(TranslateMsg(QStringLiteral("Supports Files/Folders Drag'n Drop")) + u'\r' +
                         TranslateMsg(QStringLiteral("DEL to remove the selected file(s)"))));
    LabelFileType->setText(TranslateMsg(QStringLiteral("Mp3, WMA, Ogg Vorbis, Wave file")));
    TBXAudioListItemAddFiles->setText(TranslateMsg(QStringLiteral("Add audio files")));
    TBXAudioListItemDeleteSelected->setText(TranslateMsg(QStringLiteral("Delete selected")));
    TBXAudioListItemClear->setText(ButtonAudioClearFiles->text());
    AudioFilesListView->SetLine1(QString());
    AudioFilesListView->SetLine2(TranslateMsg(QStringLiteral("Mp3, WMA, Ogg Vorbis and Wave files...")));
    AudioFilesListView->SetLine3(QString());
    AudioFilesListView->SetLine4(QString());
    TextBytes = TranslateMsg(QStringLiteral("bytes"));
    TextKB = TranslateMsg(QStringLiteral("KB"));
    TextMB = TranslateMsg(QStringLiteral("MB"));
    TextName = TranslateMsg(QStringLiteral("Name"));
    TextPath = TranslateMsg(QStringLiteral("Path"));
    TextInformation = TranslateMsg(QStringLiteral("Information"));
    TextNotAvailable = TranslateMsg(QStringLiteral("Not Available"));
    AudioFilesListView->SetupColumns();
    CheckBoxVCD->setToolTip(plat::ForDisplay(TranslateMsg(
        QStringLiteral("VCD 2.0:^ Stereo/Joint Stereo/Dual Channel: 128, 192, 224, 384 kbit/sec^ "
                       "Mono: 64, 96, 192 kbit/sec"))));
    SetConvertButtonCaption(running_);
    LabelConversionStatus->clear();
}

// ---- Output folder and format ---------------------------------------------------------------------------

int TPageMpegAudio::OutputFormatIndex() const
{
    return ComboBoxAudioFormatOutput->currentText().trimmed().toLower() == QStringLiteral("wav") ? 1 : 0;
}

void TPageMpegAudio::OutputFolderChoiceChanged()
{
    const bool browse = RadioButtonOutputBrowse->isChecked();
    EditOutputFolder->setEnabled(browse);
    ButtonBrowseOutputFolder->setEnabled(browse);
    // Only the ground is the edit's own: every other colour follows the theme.
    QPalette colours;
    colours.setColor(QPalette::Base, palette().color(browse ? QPalette::Base : QPalette::Button));
    EditOutputFolder->setPalette(colours);
}

namespace {

// Why the output cannot go into that folder: the folder, and the system's reason.
QString UnwritableOutputFolderText(const QString& folder, const QString& reason)
{
    return TranslateMsg(QStringLiteral("Unable to write in the output folder")) + QStringLiteral(":\r\r  ") +
           folder + QStringLiteral("\r\r") + reason;
}

// A batch whose outputs could not be made in that folder is refused before any work.
void RefuseUnwritableOutputFolder(const QString& folder)
{
    if (const QString refusal = NewFileRefusal(folder); !refusal.isEmpty())
        throw EBatchPlanError(UnwritableOutputFolderText(WithTrailingSlash(folder), refusal));
}

} // namespace

void TPageMpegAudio::ButtonBrowseOutputFolderClick()
{
    LabelConversionStatus->clear();
    const QString start = EditOutputFolder->text().isEmpty() ? GetDefaultOutputFolder(DefaultOutputFolder)
                                                             : EditOutputFolder->text();
    QString folder = start;
    if (!BrowseForFolder(TranslateMsg(QStringLiteral("Output Directory")), QString(), folder))
        return;
    EditOutputFolder->setText(WithTrailingSlash(folder));
    if (const QString refusal = NewFileRefusal(folder); !refusal.isEmpty()) {
        EditOutputFolder->clear();
        plat::ShowError(u'\r' + UnwritableOutputFolderText(WithTrailingSlash(folder), refusal));
    } else if (IsSystemFolder(folder)) {
        EditOutputFolder->clear();
    }
    if (!EditOutputFolder->text().isEmpty())
        DefaultOutputFolder = EditOutputFolder->text();
}

void TPageMpegAudio::ButtonOutputFormatSettingsClick()
{
    if (OutputFormatIndex() == 1)
        ExecuteAudioWavSettingsDialog();
    else
        ExecuteAudioMp2SettingsDialog();
}

void TPageMpegAudio::OnEncodingPrefsChanged()
{
    const bool mpeg = OutputFormatIndex() == 0;
    for (QCheckBox* box : {CheckBoxXVCD, CheckBoxSVCD, CheckBoxXSVCD})
        box->setChecked(mpeg);
    if (!mpeg) {
        CheckBoxVCD->setChecked(false);
        SetFontBold(CheckBoxVCD, false);
        return;
    }
    if (const TAudioMp2SettingsDialog* dialog = AudioMp2SettingsDialog()) {
        const int rate = dialog->GetBitRate();
        const bool mono = dialog->GetChannelMode() == mcmMono;
        const auto allowed = [rate](std::initializer_list<int> rates) {
            return std::find(rates.begin(), rates.end(), rate) != rates.end();
        };
        CheckBoxVCD->setChecked(mono ? allowed({64, 96, 192}) : allowed({128, 192, 224, 384}));
    }
    SetFontBold(CheckBoxVCD, !CheckBoxVCD->isChecked());
}

// ---- Source files -------------------------------------------------------------------------------------

void TPageMpegAudio::ClearAllAudioFiles()
{
    if (ConfirmDialog())
        AudioFilesListView->ClearFiles();
}

void TPageMpegAudio::RemoveSelectedAudioFiles()
{
    AudioFilesListView->DeleteSelected();
}

namespace {

plat::FileRequest AudioFileRequest(const QString& title)
{
    plat::FileRequest request;
    request.Title = title;
    request.Folder = GetDefaultInputFolder(DefaultInputFolder);
    request.Filter = TranslateMsg(QStringLiteral("All Supported Audio Formats")) + u'|' +
                     GetAudioFilesMask() + u'|' + GetAudioFilesFilter();
    return request;
}

} // namespace

void TPageMpegAudio::SelectAudioFileDialog()
{
    QStringList chosen = plat::CurrentDialogs().ChooseOpenFiles(
        AudioFileRequest(TranslateMsg(QStringLiteral("Add audio files"))));
    if (chosen.isEmpty())
        return;
    DefaultInputFolder = QFileInfo(chosen.first()).absolutePath() + u'/';
    SortFileNames(chosen);
    AudioFilesListView->AddFiles(chosen);
}

void TPageMpegAudio::ButtonAudioAddFolderClick()
{
    AddAudioFolder(ScanSubfolders());
}

void TPageMpegAudio::AddAudioFolder(bool recursive)
{
    const QString folder = plat::CurrentDialogs().ChooseFolder(
        TranslateMsg(QStringLiteral("Select Directory")), GetDefaultInputFolder(DefaultInputFolder));
    if (folder.isEmpty())
        return;
    FireWaitBegin(this, TranslateMsg(QStringLiteral("Please wait while scanning...")));
    const bool wasRecursive = InvisibleDropper->Recursive();
    InvisibleDropper->SetRecursive(recursive);
    InvisibleDropper->DropFileName(folder);
    InvisibleDropper->SetRecursive(wasRecursive);
    DefaultInputFolder = WithTrailingSlash(folder);
    FireWaitEnd(this);
}

void TPageMpegAudio::AudioFilesListViewDropItems(const QStringList& files)
{
    FireWaitBegin(this, TranslateMsg(QStringLiteral("Please wait while scanning...")));
    QStringList plain;
    for (const QString& name : files) {
        if (QFileInfo(name).isDir())
            InvisibleDropper->DropFileName(name);
        else
            plain << name;
    }
    AudioFilesListView->AddFiles(plain);
    FireWaitEnd(this);
}

void TPageMpegAudio::RefreshAudioFilesButtons()
{
    const bool any = AudioFilesListView->topLevelItemCount() > 0;
    ButtonAudioClearFiles->setEnabled(any);
    TBXAudioListItemClear->setEnabled(any);
    const bool selected = !AudioFilesListView->selectedItems().isEmpty();
    for (QWidget* control : std::initializer_list<QWidget*>{ButtonAudioDeleteFile, ButtonPlay, ButtonPause,
                                                            ButtonStop, PosScrollBar, TimePositionLabel})
        control->setEnabled(selected);
    TBXAudioListItemDeleteSelected->setEnabled(selected);
    if (!selected && !PlayerIsStopped())
        PlayerStop();
}

// ---- Preview ------------------------------------------------------------------------------------------

void TPageMpegAudio::ButtonPlayClick()
{
    const QList<QTreeWidgetItem*> selected = AudioFilesListView->selectedItems();
    const std::shared_ptr<TAudioFile> entry =
        selected.isEmpty() ? nullptr : AudioFilesListView->AudioFileOf(selected.first());
    if (!entry)
        return;
    PositionTimer->start();
    PlayerSetVolume(std::lrint(VolumeSlider->value() * 100.0 / VolumeSlider->maximum()));
    PlayerPlayFile(entry->FullName);
}

void TPageMpegAudio::PositionTimerOnTimer()
{
    int position = 0;
    QString text = QStringLiteral("00:00:00");
    if (!PlayerIsStopped()) {
        const int length = PlayerGetLength(), seconds = PlayerGetPosition();
        position = length > 0 ? static_cast<int>(std::int64_t(PosScrollBar->maximum()) * seconds / length)
                              : PosScrollBar->value();
        text = SecondsToTimeStr(seconds) + QStringLiteral(" / ") + SecondsToTimeStr(length);
    }
    if (PosScrollBar->value() != position) {
        showingPosition_ = true;
        PosScrollBar->setValue(position);
        showingPosition_ = false;
    }
    if (TimePositionLabel->text() != text)
        TimePositionLabel->setText(text);
}

void TPageMpegAudio::PosScrollBarUserChange(int position)
{
    const int length = PlayerGetLength();
    if (showingPosition_ || PlayerIsStopped() || length <= 0)
        return;
    PlayerSetPosition(static_cast<int>(std::int64_t(position) * length / PosScrollBar->maximum()));
}

void TPageMpegAudio::PrepareLevelDisplay()
{
    // Loud at the top: green at the foot of a bar, red at its head.
    barImage_ = QImage(3, LevelHeight, QImage::Format_RGB32);
    for (int row = 0; row < LevelHeight; ++row) {
        const QColor colour = GradientColour(LevelHeight - row, LevelHeight, Qt::green, Qt::red);
        for (int x = 0; x < barImage_.width(); ++x)
            barImage_.setPixelColor(x, row, colour);
    }
}

void TPageMpegAudio::PaintLevels()
{
    TPlayerSpectrum levels;
    PlayerGetSpectrum(levels);
    QImage picture(GaugePaintBox->size(), QImage::Format_RGB32);
    picture.fill(palette().color(QPalette::Button));
    QPainter painter(&picture);
    for (int bar = 0; bar < LevelBars; ++bar) {
        const int height = std::min<int>(levels[bar], LevelHeight);
        const int x = bar * 4 + 2;
        painter.drawImage(QPoint(x, LevelHeight - height), barImage_,
                          QRect(0, LevelHeight - height, 3, height));
        // The peak mark falls one pixel a tick.
        peaks_[bar] = std::max(height, peaks_[bar] - 1);
        if (peaks_[bar] > 0)
            painter.fillRect(x, LevelHeight - peaks_[bar], 3, 1, palette().color(QPalette::WindowText));
    }
    painter.end();
    GaugePaintBox->setPixmap(QPixmap::fromImage(picture));
}

void TPageMpegAudio::ButtonBrowseOneFileClick()
{
    const QString chosen = plat::CurrentDialogs().ChooseOpenFile(
        AudioFileRequest(TranslateMsg(QStringLiteral("Add audio file"))));
    if (chosen.isEmpty())
        return;
    DefaultInputFolder = QFileInfo(chosen).absolutePath() + u'/';
    AudioFilesListView->ClearFiles();
    if (IsUndecodableFileName(chosen) && !FileExistsEx(chosen))
        plat::ShowError(u'\r' + MissingSourceText(chosen));
    else
        AudioFilesListView->AddFile(chosen);
    // A refused file leaves nothing behind that Convert could take for it.
    const auto entries = AudioFilesListView->GetAudioFiles();
    EditOneAudioFile->setText(entries.empty() ? QString() : entries.front()->FullName);
    LabelConversionStatus->clear();
    if (!entries.empty())
        AudioFilesListView->topLevelItem(0)->setSelected(true);
}

// ---- Convert / Cancel ---------------------------------------------------------------------------------

void TPageMpegAudio::SetConvertButtonCaption(bool running)
{
    running_ = running;
    const QString source = TranslateMsg(QStringLiteral("Source audio file"));
    GroupBoxSource->setTitle(running ? source : QStringLiteral("1 - ") + source);
    ButtonConvertCancel->setText(running ? TranslateMsg(QStringLiteral("Cancel"))
                                         : QStringLiteral("4 - ") + TranslateMsg(QStringLiteral("Convert")));
}

void TPageMpegAudio::ShowProgressControls(bool show)
{
    GroupBoxOutputFolder->setVisible(!show);
    TBXAlignmentPanelProgress->setVisible(show);
    // Each step spreads the step bar over its own range; a new batch starts from the whole one.
    ProgressBarCurrent->setRange(0, 100);
    ProgressBarCurrent->setValue(0);
    ProgressBarTotal->setValue(0);
}

void TPageMpegAudio::ButtonConvertCancelClick()
{
    const bool ask = Checked(&TPageSettingsBatch::RadioButtonAskOnError, false);
    TCommandsManager* queue = GlobalEvents().CommandsManager;
    if (!queue)
        return;
    if (!running_) {
        const auto entries = AudioFilesListView->GetAudioFiles();
        if (queue->IsRunning() || entries.empty())
            return;
        QStringList files;
        for (const auto& entry : entries)
            files << entry->FullName;
        RunConversions(files, entries, !ask);
    } else if (queue->IsRunning() && !cancelling_) {
        cancelling_ = true;
        queue->Cancel();
    }
}

QString TPageMpegAudio::ResolveOutputFolder()
{
    if (!RadioButtonOutputBrowse->isChecked())
        return QString();
    const QString typed = EditOutputFolder->text().trimmed();
    // A mistyped folder must not send the outputs next to their sources: the user mends the field.
    if (!typed.isEmpty() && !IsExistingFullFolder(typed))
        throw EBatchPlanError(TranslateMsg(QStringLiteral("An output folder is required")) +
                              QStringLiteral(":\r\r  ") + typed);
    // Nor must a folder that takes no file let the batch find it out after all the work.
    if (!typed.isEmpty())
        RefuseUnwritableOutputFolder(typed);
    const QString folder = WithTrailingSlash(typed);
    EditOutputFolder->setText(folder);
    if (folder.isEmpty())
        RadioButtonOutputSame->setChecked(true);
    return folder;
}

TBatchChoices TPageMpegAudio::GatherChoices(const QStringList& files, const QString& outputFolder)
{
    TBatchChoices choices;
    choices.OutputFolder = outputFolder;
    // Another spelling of a file (a link, a case the file system ignores) is still that file.
    choices.FileKey = FileIdentityKey;
    choices.Format = OutputFormatIndex() == 1 ? TBatchFormat::Wav : TBatchFormat::Mpeg;
    choices.AddFormatToFileName = Checked(&TPageSettingsGeneral::CheckBoxAddFormatToFilename, true);
    choices.DeleteSource = Checked(&TPageSettingsGeneral::CheckBoxDeleteSourceFile, false);
    for (const QString& file : files) {
        choices.Sources.push_back(ProbeSource(WaveFileIn, file));
        // Outputs beside their sources: each source's folder must take them. A name without a folder
        // has none to probe; the plan says that an output folder is required.
        const QString sourceFolder = ExtractLongFilePath(file);
        if (outputFolder.isEmpty() && choices.Sources.back().Exists && !sourceFolder.isEmpty())
            RefuseUnwritableOutputFolder(sourceFolder);
    }
    return choices;
}

void TPageMpegAudio::RunConversions(const QStringList& files,
                                    const std::vector<std::shared_ptr<TAudioFile>>& entries, bool unattended)
{
    TCommandsManager* queue = GlobalEvents().CommandsManager;
    // A call during a batch must not touch that batch's results.
    if (files.isEmpty() || !queue || queue->IsRunning())
        return;
    resultLines_.clear();
    AudioFilesListView->ClearStatuses();
    ShowStatusColours();

    LogInformation(QString::number(files.size()) + u' ' + TranslateMsg(QStringLiteral("files")) + u':');
    LogStrings(files);
    LogText(QString());
    FireCommandsStarting(this, QStringLiteral("RunConversions"));

    const std::shared_ptr<const TAudioWavEncodingPref> wavPref = GetAudioWavEncodingPref();
    const std::unique_ptr<TAudioMp2EncodingPref> mp2Pref = GetAudioMp2EncodingPref();
    try {
        TBatchChoices choices = GatherChoices(files, ResolveOutputFolder());
        choices.Description =
            choices.Format == TBatchFormat::Wav ? wavPref->GetDescription() : mp2Pref->GetDescription();
        TTempNamer namer(BatchTempFolder(TempFolderSetting(), RandomBelow), RandomBelow, NameTaken);
        const std::vector<TStepPlan> steps = PlanBatch(choices, namer);
        const TBatchStepContext context =
            StepContext(static_cast<int>(files.size()), unattended, wavPref, *mp2Pref);
        queue->Reset();
        int lastTask = 0;
        for (const TStepPlan& step : steps) {
            const int index = step.Task - 1;
            const std::shared_ptr<TAudioFile> entry =
                index < static_cast<int>(entries.size()) ? entries[index] : nullptr;
            if (entry && step.Task != lastTask)
                resultLines_ << ResultSkipped + entry->FullName;
            lastTask = step.Task;
            queue->AddCommand(NewStepCommand(step, context, entry, EndHandler(step.Kind)));
        }
    } catch (const std::exception& error) {
        // Nothing of a batch that could not be built is left to run later.
        queue->Reset();
        const QString message = dynamic_cast<const EKorvaneError*>(&error)
                                    ? static_cast<const EKorvaneError&>(error).Message()
                                    : QString::fromLocal8Bit(error.what());
        if (!message.isEmpty())
            plat::ShowError(u'\r' + message);
        FireCommandsFinished(this);
        return;
    }
    if (queue->IsEmpty()) {
        FireCommandsFinished(this);
        return;
    }
    queue->Run(
        QStringLiteral("MpegAudio.RunConversions"),
        Checked(&TPageSettingsBatch::RadioButtonStopBatchOnError, false), EchoMemo(),
        [this](QObject*) { CommandsStarted(); }, [this](QObject*, bool) { CommandsEnded(); },
        [this](QObject*, bool cancellable) {
            SetConvertButtonCaption(true);
            ButtonConvertCancel->setEnabled(cancellable);
        },
        SndBatchConversionEnded, SndBatchConversionEnded, false, false);
}

TBatchStepContext TPageMpegAudio::StepContext(int taskCount, bool unattended,
                                              std::shared_ptr<const TAudioWavEncodingPref> wavPref,
                                              const TAudioMp2EncodingPref& mp2Pref)
{
    TBatchStepContext context;
    context.Owner = this;
    context.OnLog = [](QObject* sender, QString text) {
        if (GlobalEvents().OnCommandLog)
            GlobalEvents().OnCommandLog(sender, std::move(text));
    };
    context.StepBar = std::make_shared<TProgressBarView>(ProgressBarCurrent);
    context.OverallBar = std::make_shared<TProgressBarView>(ProgressBarTotal);
    context.StatusLabel = std::make_shared<TLabelCaptionView>(LabelConversionStatus);
    context.WaveIn = &WaveFileIn;
    context.SampleConverterTo16 = &SampleConverterTo16;
    context.SampleConverterTo8 = &SampleConverterTo8;
    context.ChannelsConverter = &ChannelsConverter;
    context.RateConverter = &FreqRateConverter;
    context.WaveOut = &WaveFileOut;
    context.WavPref = std::move(wavPref);
    context.Mp2Pref = mp2Pref;
    context.Policy = {Checked(&TPageSettingsGeneral::RadioButtonGenerateNewFilename, true),
                      Checked(&TPageSettingsGeneral::RadioButtonGenerateError, false),
                      Checked(&TPageSettingsGeneral::RadioButtonOverwriteFile, false)};
    context.Unattended = unattended;
    context.TaskCount = taskCount;
    return context;
}

// The finishing step of a WAV chain cannot fail: nothing is left to decide when it ends.
TAfterCommandEvent TPageMpegAudio::EndHandler(TStepKind kind)
{
    if (kind == TStepKind::Finalize)
        return {};
    return [this, kind](TCommandInterface* command, const TExecuteStatus& status, QObject*,
                        bool& continueBatch) { StepEnded(kind, command, status, continueBatch); };
}

void TPageMpegAudio::StepEnded(TStepKind kind, TCommandInterface* command, const TExecuteStatus& status,
                               bool& continueBatch)
{
    const TCommandCommonData* data = command->StepData();
    const std::shared_ptr<TAudioFile> entry = data ? data->GetAudioFile() : nullptr;
    const bool askToGoOn = !status.IsSucceeded() && !status.IsCancelled() && continueBatch;
    const QString errorList = status.GetErrorText(QString(), QString(), false);
    if (status.IsFailed()) {
        MarkAudioFileResult(entry, afsError, errorList);
    } else if (status.IsSucceeded()) {
        const bool lastStep = command->SkipNextCount == 0;
        if (kind == TStepKind::Multiplex || (kind == TStepKind::WavToWav && lastStep))
            MarkAudioFileResult(entry, afsConverted, QString());
        command->SkipNextCount = 0;
    } else if (status.IsCancelled()) {
        continueBatch = false;
        MarkAudioFileResult(entry, afsCancelled, QString());
    } else {
        MarkAudioFileResult(entry, afsError,
                            errorList.isEmpty()
                                ? TranslateMsg(QStringLiteral("Invalid audio file, and/or unable to read it"))
                                : errorList);
    }

    const QString title =
        kind == TStepKind::Decode     ? TranslateMsg(QStringLiteral("Audio to WAV conversion failed"))
        : kind == TStepKind::WavToWav ? TranslateMsg(QStringLiteral("WAV to WAV trancoding failed"))
        : kind == TStepKind::Encode   ? TranslateMsg(QStringLiteral("WAV to MPEG encoding failed"))
                                      : TranslateMsg(QStringLiteral("MPEG multiplexing failed"));
    QString message = status.GetErrorText(title, QString(), false);
    if (status.IsFailed() && message.isEmpty())
        message = title;
    const bool unattended = !data || data->IsUnattended();
    if (!unattended && !status.IsSucceeded() && !message.isEmpty())
        plat::ShowError(u'\r' + message);
    if (askToGoOn && data && !data->IsLastTask()) {
        continueBatch =
            unattended ||
            plat::MessageDlg(TranslateMsg(QStringLiteral("Do you want to continue ?")) +
                                 QStringLiteral("       "),
                             plat::TMsgDlgType::mtConfirmation, plat::mbYes | plat::mbNo) == plat::mrYes;
    }
}

void TPageMpegAudio::ShowStatusColour(const std::shared_ptr<TAudioFile>& entry)
{
    QTreeWidgetItem* row = AudioFilesListView->ItemOf(*entry);
    if (!row)
        return;
    // The page's colours are the list's, and a change of theme reaches the page first.
    const QPalette& colours = palette();
    const std::optional<QColor> colour = SignalColour(entry->GetStatus());
    row->setForeground(TAudioFilesListView::InformationColumn,
                       colour ? plat::ReadableOn(*colour, colours.color(QPalette::Base))
                              : colours.color(QPalette::Text));
}

void TPageMpegAudio::ShowStatusColours()
{
    for (const auto& entry : AudioFilesListView->GetAudioFiles())
        ShowStatusColour(entry);
}

void TPageMpegAudio::ShowLabelStatusColour()
{
    QPalette colours;
    if (const std::optional<QColor> colour = SignalColour(labelStatus_))
        colours.setColor(QPalette::WindowText, plat::ReadableOn(*colour, palette().color(QPalette::Window)));
    LabelConversionStatus->setPalette(colours);
}

void TPageMpegAudio::ClearLevelDisplay()
{
    QPixmap cleared(GaugePaintBox->size());
    cleared.fill(palette().color(QPalette::Button));
    GaugePaintBox->setPixmap(cleared);
}

void TPageMpegAudio::MarkAudioFileResult(const std::shared_ptr<TAudioFile>& entry, TAudioFileStatus status,
                                         const QString& text)
{
    if (!entry)
        return;
    entry->SetStatus(status, text);
    ShowStatusColour(entry);
    labelStatus_ = status;
    ShowLabelStatusColour();
    LabelConversionStatus->setText(plat::ForDisplay(entry->GetStatusText()));
    MarkResultLine(resultLines_, entry->FullName, status, text);
    if (status == afsConverted && Checked(&TPageSettingsBatch::CheckboxRemoveFilesDone, false))
        AudioFilesListView->RemoveAudioFile(entry.get());
}

void TPageMpegAudio::CommandsStarted()
{
    PlayerStop();
    ButtonConvertCancel->setEnabled(false);
    cancelling_ = false;
    ShowProgressControls(true);
}

void TPageMpegAudio::CommandsEnded()
{
    PlayerStop();
    ProgressBarCurrent->setValue(ProgressBarCurrent->minimum());
    ProgressBarTotal->setValue(ProgressBarTotal->minimum());
    const bool closing = MainWindowClosing && MainWindowClosing();
    if (!resultLines_.isEmpty() && !closing)
        ShowSummary();
    MpegAudioQueueEnded();
}

void TPageMpegAudio::ShowSummary()
{
    LogClear();
    const TBatchSummary summary = BuildBatchSummary(resultLines_);
    for (const TSummaryLine& line : summary.LogLines) {
        switch (line.Level) {
        case TSummaryLevel::Plain:
            LogText(line.Text);
            break;
        case TSummaryLevel::Debug:
            LogDebug(line.Text);
            break;
        case TSummaryLevel::Warning:
            LogWarning(line.Text);
            break;
        case TSummaryLevel::Information:
            LogInformation(line.Text);
            break;
        case TSummaryLevel::Error:
            LogError(line.Text);
            break;
        }
    }
    plat::MessageDlg(summary.Message, plat::TMsgDlgType::mtInformation, plat::mbOK);
}

void TPageMpegAudio::MpegAudioQueueEnded()
{
    PlayerStop();
    ShowProgressControls(false);
    SetConvertButtonCaption(false);
    ButtonConvertCancel->setEnabled(true);
}
