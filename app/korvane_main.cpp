#include "app/korvane_main.h"

#include "app/audio_mp2_settings_dialog.h"
#include "app/audio_wav_settings_dialog.h"
#include "app/brindlow_form_tabbed.h"
#include "app/dialog_about.h"
#include "app/dialog_credits.h"
#include "app/dialog_history.h"
#include "app/dialog_settings.h"
#include "app/form_about.h"
#include "app/form_log.h"
#include "app/form_settings_internet.h"
#include "components/adv_message_dlg.h"
#include "components/always_on_top.h"
#include "components/bring_window_to_front.h"
#include "components/easysize.h"
#include "components/form_magnet.h"
#include "components/form_registry.h"
#include "components/list_strings.h"
#include "components/log_target.h"
#include "components/t_saved_form_unit.h"
#include "components/text_progress_bar.h"
#include "components/waiting_bar.h"
#include "engine/commands_manager.h"
#include "engine/run_journal.h"
#include "engine/tool_discovery.h"
#include "foundation/file_tools.h"
#include "foundation/file_types.h"
#include "foundation/global_events.h"
#include "foundation/just_one.h"
#include "foundation/language.h"
#include "foundation/log_procedures.h"
#include "foundation/program_globals.h"
#include "foundation/settings.h"
#include "foundation/sounds_manager.h"
#include "foundation/useful_files.h"
#include "foundation/useful_string.h"
#include "platform/dialogs.h"
#include "platform/ini_file.h"
#include "platform/paths.h"

#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTextEdit>
#include <QToolTip>
#include <QVBoxLayout>

#include <cmath>

bool AppRunning = false;
bool FormShown = false;
bool Closing = false;
bool CancelRequested = false;
bool ControlsEnabled = true;

const QStringList PageNames = {
    QStringLiteral("PageMpegAudio"),
    QStringLiteral("PageLog"),
    QStringLiteral("PageAbout"),
    QStringLiteral("PageHistory"),
    QStringLiteral("PageCredits"),
    QStringLiteral("PageSettingsSounds"),
    QStringLiteral("PageSettingsInternet"),
    QStringLiteral("PageSettingsLog"),
    QStringLiteral("PageSettingsBatch"),
    QStringLiteral("PageSettingsGeneral"),
    QStringLiteral("PageSettingsThemes"),
    QStringLiteral("PageSettingsExpert"),
};

namespace {

constexpr int DesignMinimumWidth = 700;
constexpr int DesignMinimumHeight = 419;
constexpr int StartMinimumHeight = 328;
constexpr int GoButtonDesignHeight = 17;
const int StatusPanelWidths[5] = {4, 80, 6, 10, 30};

// The pages the main window disables as a whole while a batch runs.
const char* const SettingsPagesDisabledWhileRunning[] = {
    "PageSettingsSounds",  "PageSettingsInternet", "PageSettingsLog",    "PageSettingsBatch",
    "PageSettingsGeneral", "PageSettingsThemes",   "PageSettingsExpert",
};
const char* const ConversionControlsDisabledWhileRunning[] = {
    "GroupBoxSource",    "GroupBoxOutputFolder", "GroupBoxOutSettings",
    "ExperimentalPanel", "ButtonConvertCancel",
};

QString replaceFirstWordNoCase(const QString& line, const QString& word, const QString& replacement)
{
    return ReplaceStringNoCase(line, word, replacement, true);
}

template <typename Form> Form* findForm(const char* name)
{
    return qobject_cast<Form*>(FormRegistry::Instance().Find(QLatin1String(name)));
}

TBrindlowTabbedForm* findPage(const QString& name)
{
    return qobject_cast<TBrindlowTabbedForm*>(FormRegistry::Instance().Find(name));
}

// The preference dialogs follow the pages' protocol under their own names.
template <typename Call> void forEachPreferenceDialog(Call call)
{
    if (TEncodingSettingsDialog* dialog = AudioMp2SettingsDialog())
        call(*dialog);
    if (TEncodingSettingsDialog* dialog = AudioWavSettingsDialog())
        call(*dialog);
}

struct GuiSettingLayout {
    const char* Name;
    TSettingType DataType;
    TSettingStorage Storage = ssIniFile;
};

const GuiSettingLayout GuiSettingsLayout[] = {
    {"Log", stString},
    {"LogWarnings", stBoolean},
    {"SaveLog", stBoolean},
    {"SaveLogFilename", stString},
    {"PerformComplianceChecks", stBoolean},
    {"Language", stString},
    {"Proxy", stString},
    {"ProxyPort", stString},
    {"PerformCheck", stBoolean, ssRegistry},
    {"LastVersionCheckDate", stDate, ssRegistry},
    {"Useful", stBoolean, ssRegistry},
    {"AlwaysOnTop", stBoolean},
    {"RememberSizePosition", stBoolean},
    {"LastOutputFolder", stString},
    {"LastInputFolder", stString},
    {"ExpertMode", stBoolean},
    {"SoundsEnabled", stBoolean},
    {"ShowMruPath", stBoolean},
    {"NoToolbar", stBoolean},
    {"LastTempFolder", stString},
    {"AddFormatToFilename", stBoolean},
    {"DeleteSourceFile", stBoolean},
    {"GenerateNewFilename", stBoolean},
    {"GenerateError", stBoolean},
    {"OverwriteFile", stBoolean},
    {"Themes", stString},
    {"XpStyles", stBoolean},
    {"DoNotShowNoPersonalDataAgain", stBoolean},
    {"DoNotShowNoTooLameAgain", stBoolean},
    {"DoNotShowNoMplexAgain", stBoolean},
    {"DoNotShowBadMplexAgain", stBoolean},
    {"DoNotShowTooSmallDesktopAgain", stBoolean},
    {"DoNotShowBadTooLameAgain", stBoolean},
    {"AudioOutFolder", stString},
    {"AudioOutFolderSameAsSource", stBoolean},
    {"Volume", stInteger},
    {"EncodingType", stString},
    {"Mp2EncodingBitRate", stString},
    {"Mp2EncodingChannelsMode", stString},
    {"ErrorProtection", stBoolean},
    {"OriginalFlag", stBoolean},
    {"CopyrightFlag", stBoolean},
    {"WavEncodingChannelsMode", stString},
    {"WavEncodingBitsPerSample", stString},
    {"WavEncodingMode", stString},
    {"WavEncodingSamplingFrequency", stString},
    {"RemoveFilesDone", stBoolean},
    {"ScanSubfolders", stBoolean},
    {"StopBatchOnError", stBoolean},
    {"AskOnError", stBoolean},
    {"ContinueOnError", stBoolean},
};

// The standard edit actions work on the focused text editor; other controls leave them disabled.
template <typename Call> void withTextEditor(QWidget* focused, Call call)
{
    if (auto* line = qobject_cast<QLineEdit*>(focused))
        call(*line, line->hasSelectedText(), line->text().isEmpty());
    else if (auto* text = qobject_cast<QTextEdit*>(focused))
        call(*text, text->textCursor().hasSelection(), text->document()->isEmpty());
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(focused))
        call(*plain, plain->textCursor().hasSelection(), plain->document()->isEmpty());
}

// The folders are saved without their last "/": taking their folder part again at every start would
// climb one folder higher each time.
QString rememberedFolder(const QString& saved)
{
    const QString folder = saved.trimmed();
    return folder.isEmpty() ? folder : plat::WithTrailingSlash(folder);
}

} // namespace

void DefineGuiSettings(TSettings& store)
{
    store.SetBaseKey(QStringLiteral("Software\\Tamsel.Works"));
    store.SetApplicationIni(ProgramName);
    for (const GuiSettingLayout& layout : GuiSettingsLayout) {
        TSettingItem* item = store.Settings().Add();
        item->SetName(QString::fromLatin1(layout.Name));
        item->SetDataType(layout.DataType);
        item->SetStorage(layout.Storage);
    }
}

TRoutedConsoleLine RouteConsoleLine(const QString& line)
{
    if (line.isEmpty())
        return {TConsoleLineKind::Information, line};
    if (StartsWithTag(line, QStringLiteral("log")))
        return {TConsoleLineKind::TaggedLog, line};
    if (StartsWithTag(line, QStringLiteral("brindlowprogress")))
        return {TConsoleLineKind::Progress, line};
    if (ContainsTextNoCase(line, QStringLiteral("successfully")))
        return {TConsoleLineKind::Information, line};
    if (ContainsTextNoCase(line, QStringLiteral("syntax error")))
        return {TConsoleLineKind::Error, line};
    if (StartsWithNoCase(line, QStringLiteral("WARNING")))
        return {TConsoleLineKind::Warning,
                replaceFirstWordNoCase(line, QStringLiteral("WARNING"), WarningPrefix)};
    if (StartsWithNoCase(line, QStringLiteral("ERROR")))
        return {TConsoleLineKind::Error, replaceFirstWordNoCase(line, QStringLiteral("ERROR"), ErrorPrefix)};
    return {TConsoleLineKind::Information, line};
}

int ProgressLinePosition(const QString& line)
{
    bool ok = false;
    const qint64 position = GetAttributeValue(line, QStringLiteral("position")).trimmed().toLongLong(&ok);
    return ok ? static_cast<int>(std::clamp<qint64>(position, 0, 100)) : 0;
}

TKorvaneForm::TKorvaneForm(QWidget* parent) : QMainWindow(parent), guiSettings_(std::make_unique<TSettings>())
{
    setObjectName(QStringLiteral("KorvaneForm"));
    DefineGuiSettings(*guiSettings_);
    FormRegistry::Instance().Register(this);
    CreateControls();
    FormCreate();
}

TKorvaneForm::~TKorvaneForm()
{
    // The children go after this destructor and move the focus as they go: nothing may reach us then.
    disconnect(qApp, nullptr, this, nullptr);
    disconnect(QApplication::clipboard(), nullptr, this, nullptr);
    for (const QMetaObject::Connection& connection : std::as_const(editorConnections_))
        disconnect(connection);
    GlobalEvents() = TGlobalEvents();
    commandsManager_.reset();
    UnregisterFileTypes();
}

void TKorvaneForm::CreateControls()
{
    ListStringsToTranslate = NewListStringsToTranslate(this);
    FormResizer1 = NewFormResizer1(this);
    FormResizer1->OnPostResize = [this](QObject*, QWidget* control, double heightRatio, double widthRatio) {
        FormResizer1PostResize(control, widthRatio, heightRatio);
    };
    StayOnTopComp = new TStayOnTop(this);
    StayOnTopComp->setObjectName(QStringLiteral("StayOnTopComp"));
    StayOnTopComp->SetStayOnTopMessage(QStringLiteral("Always on Top"));
    StayOnTopComp->OnStayOnTop = [this](QObject*, bool onTop) { MenuAlwaysOnTop->setChecked(onTop); };
    SavedKorvaneForm = new TSavedForm(this);
    SavedKorvaneForm->setObjectName(QStringLiteral("SavedKorvaneForm"));
    SavedKorvaneForm->SetSection(QStringLiteral("Positions"));
    SavedKorvaneForm->IniFile = ProgramName;
    SavedKorvaneForm->SetSavedName(QStringLiteral("KorvaneMain"));
    FormMagnet1 = new TFormMagnet(this);
    FormMagnet1->setObjectName(QStringLiteral("FormMagnet1"));
    FormMagnet1->ScreenMagnet.DesktopPower = 20;
    XJustOneInstance = new TXJustOne(this);
    XJustOneInstance->setObjectName(QStringLiteral("XJustOneInstance"));
    connect(XJustOneInstance, &TXJustOne::ActivationRequested, this, [this] { BringWindowToFront(this); });

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    PanelMain = new QWidget(central);
    PanelMain->setObjectName(QStringLiteral("PanelMain"));
    auto* mainLayout = new QVBoxLayout(PanelMain);
    mainLayout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(PanelMain, 1);

    auto* bottom = new QWidget(central);
    auto* bottomLayout = new QHBoxLayout(bottom);
    bottomLayout->setContentsMargins(0, 0, 0, 0);
    auto* panelProgressBar = new QWidget(bottom);
    panelProgressBar->setObjectName(QStringLiteral("PanelProgressBar"));
    auto* progressLayout = new QHBoxLayout(panelProgressBar);
    progressLayout->setContentsMargins(0, 0, 0, 0);
    PanelProgressBarLeftSpace = new QWidget(panelProgressBar);
    PanelProgressBarLeftSpace->setObjectName(QStringLiteral("PanelProgressBarLeftSpace"));
    PanelProgressBarLeftSpace->setFixedWidth(4);
    RunProgressBar = new TTextProgressBar(panelProgressBar);
    RunProgressBar->setObjectName(QStringLiteral("RunProgressBar"));
    progressLayout->addWidget(PanelProgressBarLeftSpace);
    progressLayout->addWidget(RunProgressBar, 1);
    PanelBlank2 = new QWidget(bottom);
    PanelBlank2->setObjectName(QStringLiteral("PanelBlank2"));
    PanelBlank2->setFixedWidth(4);
    PanelGoButton = new QWidget(bottom);
    PanelGoButton->setObjectName(QStringLiteral("PanelGoButton"));
    auto* goLayout = new QHBoxLayout(PanelGoButton);
    goLayout->setContentsMargins(0, 0, 0, 0);
    ButtonGoCancel = new QPushButton(QStringLiteral("Go"), PanelGoButton);
    ButtonGoCancel->setObjectName(QStringLiteral("ButtonGoCancel"));
    goLayout->addWidget(ButtonGoCancel);
    bottomLayout->addWidget(panelProgressBar, 1);
    bottomLayout->addWidget(PanelBlank2);
    bottomLayout->addWidget(PanelGoButton);
    layout->addWidget(bottom);
    setCentralWidget(central);
    connect(ButtonGoCancel, &QPushButton::clicked, this, [this] { ButtonGoCancelClick(); });

    CreateStatusBar();
    CreateMenus();
    FollowEditTargets();
    ListStringsToTranslate->SetProperties(
        {QStringLiteral("MenuFile"), QStringLiteral("MenuEdit"), QStringLiteral("MenuView"),
         QStringLiteral("MenuHelp"), QStringLiteral("MenuSettings"), QStringLiteral("MenuExpertMode"),
         QStringLiteral("MenuExit"), QStringLiteral("MenuCut"), QStringLiteral("MenuCopy"),
         QStringLiteral("MenuPaste"), QStringLiteral("MenuSelectAll"), QStringLiteral("MenuShowLog"),
         QStringLiteral("MenuLanguage"), QStringLiteral("MenuGuidesPage"), QStringLiteral("MenuFaqPage"),
         QStringLiteral("MenuReportBug"), QStringLiteral("MenuCheckNewVersion"),
         QStringLiteral("MenuHistory"), QStringLiteral("MenuCredits")});
}

void TKorvaneForm::CreateStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setSizeGripEnabled(true);
    for (int index = 0; index < 5; ++index) {
        StatusPanels[index] = new QLabel(bar);
        StatusPanels[index]->setMinimumWidth(StatusPanelWidths[index]);
        bar->addWidget(StatusPanels[index], index == 3 ? 1 : 0);
    }
    WaitingInBar = new TWaitingBar(StatusPanels[1]);
    WaitingInBar->setObjectName(QStringLiteral("WaitingInBar"));
    (new QHBoxLayout(StatusPanels[1]))->addWidget(WaitingInBar);
    StatusPanels[1]->layout()->setContentsMargins(0, 0, 0, 0);
}

QAction* TKorvaneForm::AddMenuItem(QMenu* menu, const QString& name, const QString& caption, bool checkable)
{
    QAction* item = menu->addAction(caption);
    item->setObjectName(name);
    item->setCheckable(checkable);
    connect(item, &QAction::triggered, this, [this, item] { MenuItemClick(item); });
    return item;
}

void TKorvaneForm::CreateMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("ToolbarMain"));
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("MenuFile"));
    MenuSettings = AddMenuItem(file, QStringLiteral("MenuSettings"), QStringLiteral("Settings..."));
    MenuExpertMode = AddMenuItem(file, QStringLiteral("MenuExpertMode"), QStringLiteral("Expert Mode"), true);
    file->addSeparator();
    MenuExit = AddMenuItem(file, QStringLiteral("MenuExit"), QStringLiteral("E&xit"));

    QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("MenuEdit"));
    const auto addEditItem = [this, edit](const char* name, const QString& caption, QKeySequence keys,
                                          const char* slot) {
        QAction* item = edit->addAction(caption);
        item->setObjectName(QLatin1String(name));
        item->setShortcut(keys);
        connect(item, &QAction::triggered, this, [this, slot] { RunEditAction(slot); });
        return item;
    };
    MenuCut = addEditItem("MenuCut", QStringLiteral("Cu&t"), QKeySequence::Cut, "cut");
    MenuCopy = addEditItem("MenuCopy", QStringLiteral("&Copy"), QKeySequence::Copy, "copy");
    MenuPaste = addEditItem("MenuPaste", QStringLiteral("&Paste"), QKeySequence::Paste, "paste");
    MenuSelectAll =
        addEditItem("MenuSelectAll", QStringLiteral("Select &All"), QKeySequence::SelectAll, "selectAll");

    QMenu* view = bar->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("MenuView"));
    MenuShowLog = AddMenuItem(view, QStringLiteral("MenuShowLog"), QStringLiteral("Show the log"), true);
    MenuLanguage = view->addMenu(QStringLiteral("&Language"));
    MenuLanguage->setObjectName(QStringLiteral("MenuLanguage"));
    languageGroup_ = new QActionGroup(this);
    MenuRememberPos = AddMenuItem(view, QStringLiteral("MenuRememberPos"), QString(), true);
    MenuAlwaysOnTop =
        AddMenuItem(view, QStringLiteral("MenuAlwaysOnTop"), QStringLiteral("Always on Top"), true);

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("MenuHelp"));
    MenuHomePage = AddMenuItem(help, QStringLiteral("MenuHomePage"), QStringLiteral("&Home Page"));
    MenuGuidesPage = AddMenuItem(help, QStringLiteral("MenuGuidesPage"), QStringLiteral("Online &guides"));
    MenuFaqPage = AddMenuItem(help, QStringLiteral("MenuFaqPage"), QStringLiteral("Online &FAQ"));
    MenuReportBug = AddMenuItem(help, QStringLiteral("MenuReportBug"), QStringLiteral("Report a &bug"));
    help->addSeparator();
    MenuCheckNewVersion =
        AddMenuItem(help, QStringLiteral("MenuCheckNewVersion"), QStringLiteral("&Check for a new version"));
    help->addSeparator();
    MenuHistory = AddMenuItem(help, QStringLiteral("MenuHistory"), QStringLiteral("&History"));
    MenuCredits = AddMenuItem(help, QStringLiteral("MenuCredits"), QStringLiteral("Credits"));
    MenuAbout = AddMenuItem(help, QStringLiteral("MenuAbout"), QStringLiteral("&About %s"));
    itemsEnabledWithControls_ = {MenuSettings, MenuExpertMode, MenuAbout,
                                 MenuHistory,  MenuCredits,    MenuCheckNewVersion};
}

void TKorvaneForm::FormCreate()
{
    guiSettings_->SetIniSuffix(IniSuffix);
    SavedKorvaneForm->IniSuffix = IniSuffix;
    WarnWhenDesktopTooSmall();
    InstallHubHandlers();
    TGlobalEvents& hub = GlobalEvents();
    commandsManager_ =
        std::make_unique<TCommandsManager>([this](QObject*, QString) { OnCommandsStarting(); },
                                           hub.OnCommandDone, hub.OnCommandsFinished, hub.OnCommandsIdle,
                                           [this](QObject*, bool cancellable) {
                                               SetRunning(true);
                                               ButtonGoCancel->setEnabled(cancellable);
                                           },
                                           [this](QObject*, QString text) { FireWaitBegin(this, text); });
    hub.CommandsManager = commandsManager_.get();
    const QString version = GetShortVersion();
    guiSettings_->SetApplicationKey(
        ProgramName + QLatin1Char('\\') +
        (version.isEmpty() ? QStringLiteral("version") : version + QLatin1Char('g')));
    ApplyRememberedPosition();
    MenuShowLog->setVisible(false);
    MenuHistory->setVisible(false);
    setMinimumSize(DesignMinimumWidth, StartMinimumHeight);
    resize(minimumSize());
    // The minimum is scaled after each control, rounded: the resizer's own would be truncated.
    FormResizer1->AdaptToScreen(false);
}

void TKorvaneForm::FormResizer1PostResize(QWidget* control, double xScale, double yScale)
{
    setMinimumSize(static_cast<int>(std::lrint(DesignMinimumWidth * xScale)),
                   static_cast<int>(std::lrint(StartMinimumHeight * yScale)));
    ScaleFontsAndItemHeights(*FormResizer1, control, yScale);
    if (control != ButtonGoCancel || yScale == 1.0)
        return;
    const int height = static_cast<int>(std::lrint(GoButtonDesignHeight * yScale)) - (yScale > 1.0 ? 2 : 1);
    ButtonGoCancel->setFixedHeight(height);
    PanelGoButton->layout()->setAlignment(ButtonGoCancel, Qt::AlignTop);
}

void TKorvaneForm::WarnWhenDesktopTooSmall()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const int pixelsPerInch = static_cast<int>(std::lrint(screen->logicalDotsPerInch()));
    const int neededWidth = DesignMinimumWidth * pixelsPerInch / DesignPixelsPerInch;
    const int neededHeight = DesignMinimumHeight * pixelsPerInch / DesignPixelsPerInch;
    const QSize desktop = screen->geometry().size();
    if (desktop.width() >= neededWidth && desktop.height() >= neededHeight)
        return;
    const QString text =
        QStringLiteral("\r") +
        TranslateMsg(QStringLiteral("According to the desktop size/Windows Font size you are "
                                    "using,^the display will not be optimal.")) +
        QStringLiteral("\r\r") +
        TranslateMsg(QStringLiteral("Increase your desktop size to have a better display.")) +
        QStringLiteral("\r");
    AdvancedMessageDlg(text, plat::TMsgDlgType::mtInformation, plat::mbOK, 0, plat::mrOk,
                       StartupFlags.DoNotShowTooSmallDesktopAgain,
                       TranslateMsg(QStringLiteral("Don't show this message again")), QString());
}

void TKorvaneForm::InstallHubHandlers()
{
    TGlobalEvents& hub = GlobalEvents();
    hub.OnCommandsStarting = [this](QObject*, QString) { OnCommandsStarting(); };
    hub.OnCommandDone = [this](QObject* sender, bool flag) { OnCommandDone(sender, flag); };
    hub.OnCommandsFinished = [this](QObject* sender) { OnCommandsFinished(sender); };
    hub.OnCommandsIdle = [](QObject*) {};
    hub.OnEnableControls = [this](QObject*, bool enable, QString) { OnEnableControls(enable); };
    hub.OnTempFolderChanged = [](QObject*) {};
    hub.OnStatusText = [this](QObject*, QString text, bool show) { OnStatusText(text, show); };
    hub.OnWaitEnd = [this](QObject* sender) { OnWaitEnd(sender); };
    hub.OnWaitBegin = [this](QObject* sender, QString message) { OnWaitBegin(sender, message); };
    hub.OnCommandLog = [this](QObject*, QString line) { OnConsoleLine(line); };
}

void TKorvaneForm::ApplyRememberedPosition()
{
    const plat::IniText ini = plat::IniText::Load(GlobalSettingsFileName()).value_or(plat::IniText());
    const bool remembered =
        ini.ReadString(ReadableSection(ini, ProgramName), QStringLiteral("RememberSizePosition"), QString())
            .trimmed() == QLatin1String("1");
    if (remembered)
        return;
    CentreOnScreen(this);
}

void TKorvaneForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (shownOnce_)
        return;
    shownOnce_ = true;
    FormShow();
}

void TKorvaneForm::FormShow()
{
    InitBeforeSettings();
    AttachSettings();
    RegisterDefaultSettings();
    guiSettings_->Load();
    LoadSettings();
    AfterSettingsLoaded();
    if (MenuRememberPos->isChecked())
        SavedKorvaneForm->Load();
    FormShown = true;
}

void TKorvaneForm::InitBeforeSettings()
{
    FormShown = false;
    RegisterFileTypeIcons();
    SetRunning(false);
    TranslateForm(this, ListStringsToTranslate->Properties());
    FireWaitEnd(this);
    FireEnableControls(this, true, QStringLiteral("InitBeforeSettings"));
    BuildLanguageMenu();
    if (TBrindlowTabbedForm* page = findPage(QStringLiteral("PageMpegAudio")))
        page->SetActive(true);
}

void TKorvaneForm::AttachSettings()
{
    forEachPreferenceDialog(
        [this](TEncodingSettingsDialog& dialog) { dialog.SetSettings(guiSettings_.get()); });
    ForEachPage([this](TBrindlowTabbedForm& page) { page.SetSettingsStore(guiSettings_.get()); });
    SetSoundsSettings(guiSettings_.get());
}

void TKorvaneForm::RegisterDefaultSettings()
{
    RegisterDoNotShowSettings(guiSettings_.get());
    forEachPreferenceDialog([](TEncodingSettingsDialog& dialog) { dialog.RegisterDefaults(); });
    ForEachPage([](TBrindlowTabbedForm& page) { page.DefineDefaults(); });
    SetSoundsDefaults();
    TSettings& store = *guiSettings_;
    const QString language = StartupLanguageName.isEmpty() ? QStringLiteral("English") : StartupLanguageName;
    store.SetDefaultValue(QStringLiteral("Language"), language);
    store.SetDefaultValue(QStringLiteral("LastInputFolder"), QString());
    store.SetDefaultValue(QStringLiteral("LastOutputFolder"), QString());
    store.SetDefaultValue(QStringLiteral("AlwaysOnTop"), false);
    store.SetDefaultValue(QStringLiteral("RememberSizePosition"), true);
    store.SetDefaultValue(QStringLiteral("ExpertMode"), false);
    // Items nothing reads any more still keep their place in the file.
    for (const char* unused : {"PerformComplianceChecks", "ShowMruPath", "NoToolbar"})
        store.SetDefaultValue(QString::fromLatin1(unused), false);
}

void TKorvaneForm::LoadSettings()
{
    GlobalEvents().OnThemeChanged = [this](QObject*, QString, bool) { update(); };
    forEachPreferenceDialog([](TEncodingSettingsDialog& dialog) { dialog.LoadSettings(); });
    ForEachPage([](TBrindlowTabbedForm& page) { page.LoadSettings(); });
    LoadSoundsSettings();
    const TSettings& store = *guiSettings_;
    const bool onTop = store.GetValue(QStringLiteral("AlwaysOnTop")).toBool();
    StayOnTopComp->SetStayOnTop(onTop);
    MenuAlwaysOnTop->setChecked(onTop);
    SelectLanguage(store.GetValue(QStringLiteral("Language")).toString());
    LogText(GetProgramTitleVersion());
    LogText(GetTooLameDescription());
    LogText(QString());
    LogClear();
    // What a run killed before its end left is put right before any batch can start, and said: the
    // status bar tells that it was done, the log tells each file.
    const QStringList putRight = RecoverKilledRuns();
    for (const QString& line : putRight)
        LogInformation(line);
    if (!putRight.isEmpty())
        FireStatusText(
            this,
            TranslateMsg(QStringLiteral("The files that a run stopped before its end left are put right")),
            true);
    DefaultOutputFolder = rememberedFolder(store.GetValue(QStringLiteral("LastOutputFolder")).toString());
    DefaultInputFolder = rememberedFolder(store.GetValue(QStringLiteral("LastInputFolder")).toString());
    MenuRememberPos->setChecked(store.GetValue(QStringLiteral("RememberSizePosition")).toBool());
    MenuExpertMode->setChecked(store.GetValue(QStringLiteral("ExpertMode")).toBool());
    SetExpertMode();
}

void TKorvaneForm::AfterSettingsLoaded()
{
    ForEachPage([](TBrindlowTabbedForm& page) { page.SettingsLoaded(); });
    ReloadSounds();
}

void TKorvaneForm::paintEvent(QPaintEvent* event)
{
    QMainWindow::paintEvent(event);
    if (pageEmbedded_ || !AppRunning || !FormShown)
        return;
    pageEmbedded_ = true;
    // Re-parenting inside a paint is unsafe, so the page moves in from the event loop.
    QMetaObject::invokeMethod(
        this, [this] { EmbedConversionPage(); }, Qt::QueuedConnection);
}

void TKorvaneForm::EmbedConversionPage()
{
    TBrindlowTabbedForm* page = findPage(QStringLiteral("PageMpegAudio"));
    if (!page)
        return;
    page->setParent(PanelMain, Qt::Widget);
    PanelMain->layout()->addWidget(page);
    page->setVisible(true);
    // Our fonts and layouts need more room than the designed minimum: never clip the page.
    setMinimumSize(minimumSize().expandedTo(minimumSizeHint()));
    resize(size().expandedTo(sizeHint()));
}

void TKorvaneForm::closeEvent(QCloseEvent* event)
{
    if (FormCloseQuery())
        event->accept();
    else
        event->ignore();
}

// A batch that is cancelled must end before the window goes: nothing may be freed under a running
// step, so the window stays open and closes from the queue's end.
bool TKorvaneForm::FormCloseQuery()
{
    const bool running = commandsManager_ && commandsManager_->IsRunning();
    if (Closing && running)
        return false;
    const bool canClose = !running || quitConfirmed_ || ConfirmQuit();
    Closing = canClose;
    if (canClose && running) {
        CancelRequested = true;
        commandsManager_->Cancel();
    }
    SaveSettings();
    return canClose && !commandsManager_->IsRunning();
}

void TKorvaneForm::CloseWithoutConfirmation()
{
    quitConfirmed_ = true;
    close();
}

void TKorvaneForm::SaveSettings()
{
    const QString fileName = guiSettings_->IniFileName();
    if (QFileInfo::exists(fileName) && IsFileReadOnly(fileName)) {
        const QString name = QStringLiteral("      \r\r    ") + fileName + QStringLiteral("\r\r");
        plat::ShowError(QStringLiteral("\r") +
                        Format(TranslateMsg(QStringLiteral(
                                   "Unable to save the preferences as the file %s is in read-only mode.")),
                               name) +
                        QStringLiteral("    \r"));
        return;
    }
    SavedKorvaneForm->Save();
    StoreDoNotShowSettings(guiSettings_.get());
    forEachPreferenceDialog([](TEncodingSettingsDialog& dialog) { dialog.SaveSettings(); });
    ForEachPage([](TBrindlowTabbedForm& page) { page.SaveSettings(); });
    SaveSoundsSettings();
    TSettings& store = *guiSettings_;
    store.SetValue(QStringLiteral("Language"), CurrentLanguageName());
    store.SetValue(QStringLiteral("AlwaysOnTop"), StayOnTopComp->StayOnTop());
    store.SetValue(QStringLiteral("LastOutputFolder"), ExtractLongFilePath(DefaultOutputFolder));
    store.SetValue(QStringLiteral("LastInputFolder"), ExtractLongFilePath(DefaultInputFolder));
    store.SetValue(QStringLiteral("RememberSizePosition"), MenuRememberPos->isChecked());
    store.SetValue(QStringLiteral("ExpertMode"), MenuExpertMode->isChecked());
    store.Save();
}

QString TKorvaneForm::CurrentLanguageName() const
{
    const QAction* checked = languageGroup_->checkedAction();
    return ExtractLanguageName(checked ? checked->text() : QStringLiteral("English"));
}

QList<TBrindlowTabbedForm*> TKorvaneForm::Pages() const
{
    QList<TBrindlowTabbedForm*> pages;
    for (const QString& name : PageNames)
        if (TBrindlowTabbedForm* page = findPage(name))
            pages.append(page);
    return pages;
}

template <typename Call> void TKorvaneForm::ForEachPage(Call call) const
{
    for (TBrindlowTabbedForm* page : Pages())
        call(*page);
}

void TKorvaneForm::OnCommandsStarting()
{
    FireEnableControls(this, false, QStringLiteral("_BeforeCommands"));
    ButtonGoCancel->setEnabled(false);
    FireStatusText(this, QString(), true);
    ClearCommandLines();
    CancelRequested = false;
}

void TKorvaneForm::OnCommandDone(QObject* sender, bool flag)
{
    LogText(QString());
    if (!flag)
        return;
    FireWaitEnd(sender);
    FireStatusText(sender, QString(), true);
}

void TKorvaneForm::OnCommandsFinished(QObject* sender)
{
    FireWaitEnd(sender);
    ButtonGoCancel->setEnabled(false);
    FireStatusText(sender, QString(), false);
    SetRunning(false);
    FireEnableControls(this, true, QStringLiteral("_AfterCommands"));
    // A close that waited for the cancelled batch goes on once the queue has let go of its steps.
    if (Closing)
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void TKorvaneForm::OnEnableControls(bool enable)
{
    ControlsEnabled = enable;
    ButtonGoCancel->setEnabled(enable);
    forEachPreferenceDialog([enable](TEncodingSettingsDialog& dialog) { dialog.SetControlsEnabled(enable); });
    if (TBrindlowTabbedForm* page = findPage(QStringLiteral("PageMpegAudio")))
        for (const char* name : ConversionControlsDisabledWhileRunning)
            if (auto* control = page->findChild<QWidget*>(QLatin1String(name)))
                control->setEnabled(enable);
    for (const char* name : SettingsPagesDisabledWhileRunning)
        if (TBrindlowTabbedForm* page = findPage(QLatin1String(name)))
            page->setEnabled(enable);
    if (TBrindlowTabbedForm* about = findPage(QStringLiteral("PageAbout")))
        about->EnableControls(enable);
    for (QAction* item : itemsEnabledWithControls_)
        item->setEnabled(enable);
    UpdateEditActions();
}

void TKorvaneForm::OnStatusText(const QString& text, bool show)
{
    RunProgressBar->SetMax(100);
    RunProgressBar->SetPosition(0);
    SetStatusCaption(text, show);
}

void TKorvaneForm::OnWaitBegin(QObject* sender, const QString& message)
{
    PanelProgressBarLeftSpace->setVisible(true);
    WaitingInBar->setVisible(true);
    for (int index = 0; index < 3; ++index)
        StatusPanels[index]->setFixedWidth(StatusPanelWidths[index]);
    WaitingInBar->SetWaiting(true);
    RunProgressBar->SetBarColorStyle(cs1Color);
    FireStatusText(sender, message, true);
    RunProgressBar->SetMax(100);
    RunProgressBar->SetPosition(100);
    // While waiting the full bar only says "busy": a "100%" on it would read as done.
    RunProgressBar->SetShowPosText(false);
}

void TKorvaneForm::OnWaitEnd(QObject* sender)
{
    WaitingInBar->SetWaiting(false);
    WaitingInBar->setVisible(false);
    for (int index = 0; index < 3; ++index)
        StatusPanels[index]->setFixedWidth(0);
    PanelProgressBarLeftSpace->setVisible(false);
    RunProgressBar->SetBarColorStyle(cs3Colors);
    RunProgressBar->SetShowPosText(true);
    FireStatusText(sender, QString(), false);
}

void TKorvaneForm::SetStatusCaption(const QString& text, bool show)
{
    QLabel* panel = StatusPanels[3];
    panel->clear();
    QString caption = text;
    const bool red = show && caption.startsWith(QLatin1Char('*'));
    if (red)
        caption.remove(0, 1);
    panel->setStyleSheet(red ? QStringLiteral("color: red;") : QString());
    if (show)
        panel->setText(QLatin1Char(' ') + caption);
}

void TKorvaneForm::OnConsoleLine(const QString& line)
{
    const TRoutedConsoleLine routed = RouteConsoleLine(line);
    switch (routed.Kind) {
    case TConsoleLineKind::TaggedLog:
        if (auto* logPage = findForm<TPageLog>("PageLog"))
            logPage->AddTaggedLogLine(routed.Text);
        break;
    case TConsoleLineKind::Progress:
        HandleProgressLine(routed.Text);
        break;
    case TConsoleLineKind::Warning:
        LogWarning(routed.Text);
        break;
    case TConsoleLineKind::Error:
        LogError(routed.Text);
        break;
    case TConsoleLineKind::Information:
        LogInformation(routed.Text);
        break;
    }
    LogRefresh();
}

void TKorvaneForm::HandleProgressLine(const QString& line)
{
    if (WaitingInBar->Waiting()) {
        FireWaitEnd(this);
        FireStatusText(this, QString(), true);
    }
    SetStatusCaption(GetAttributeValue(line, QStringLiteral("message")), true);
    RunProgressBar->SetPosition(ProgressLinePosition(line));
}

void TKorvaneForm::SetRunning(bool running)
{
    running_ = running;
    ButtonGoCancel->setText(TranslateMsg(running ? QStringLiteral("Cancel") : QStringLiteral("Go")));
    PanelBlank2->setVisible(true);
    PanelGoButton->setVisible(true);
}

void TKorvaneForm::ButtonGoCancelClick()
{
    if (!running_ && !commandsManager_->IsRunning()) {
        SaveSettings();
    } else if (running_ && commandsManager_->IsRunning() && !CancelRequested) {
        CancelRequested = true;
        commandsManager_->Cancel();
    }
}

void TKorvaneForm::FollowEditTargets()
{
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        // An open menu takes the focus while it is used; its items act on the editor behind it.
        if (!now || now->window()->windowType() != Qt::Popup)
            FollowFocusedEditor(now);
    });
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, &TKorvaneForm::UpdateEditActions);
    UpdateEditActions();
}

void TKorvaneForm::FollowFocusedEditor(QWidget* focused)
{
    for (const QMetaObject::Connection& connection : std::as_const(editorConnections_))
        disconnect(connection);
    editorConnections_.clear();
    withTextEditor(focused, [this](auto& editor, bool, bool) {
        using Editor = std::remove_reference_t<decltype(editor)>;
        editorConnections_ = {
            connect(&editor, &Editor::selectionChanged, this, &TKorvaneForm::UpdateEditActions),
            connect(&editor, &Editor::textChanged, this, &TKorvaneForm::UpdateEditActions)};
    });
    UpdateEditActions();
}

void TKorvaneForm::UpdateEditActions()
{
    bool selected = false, editable = false, empty = true;
    withTextEditor(QApplication::focusWidget(), [&](const auto& editor, bool hasSelection, bool isEmpty) {
        selected = hasSelection;
        editable = !editor.isReadOnly();
        empty = isEmpty;
    });
    MenuCut->setEnabled(selected && editable);
    MenuCopy->setEnabled(selected);
    MenuPaste->setEnabled(ControlsEnabled && editable && !QApplication::clipboard()->text().isEmpty());
    MenuSelectAll->setEnabled(!empty);
}

void TKorvaneForm::RunEditAction(const char* slot)
{
    if (QWidget* focused = QApplication::focusWidget())
        QMetaObject::invokeMethod(focused, slot);
}

void TKorvaneForm::MenuItemClick(QAction* item)
{
    if (item == MenuExit) {
        close();
    } else if (item == MenuShowLog) {
        if (auto* log = findForm<TPageLog>("PageLog"))
            log->hide();
    } else if (item == MenuExpertMode) {
        SetExpertMode();
    } else if (item == MenuAlwaysOnTop) {
        AlwaysOnTopClick();
    } else if (item == MenuRememberPos) {
        // The item keeps its own check mark; the setting is read at save time.
    } else if (item == MenuSettings) {
        ShowSettingsDialog();
    } else if (item == MenuAbout) {
        ShowAboutDialog(findForm<TDlgAbout>("DlgAbout"));
    } else if (item == MenuCredits) {
        ShowCreditsDialog(findForm<TDlgCredits>("DlgCredits"));
    } else if (item == MenuHistory) {
        ShowHistoryDialog(findForm<TDlgHistory>("DlgHistory"));
    } else if (item == MenuHomePage || item == MenuReportBug) {
        if (auto* about = findForm<TPageAbout>("PageAbout"))
            item == MenuHomePage ? about->MenuHomePage() : about->MenuReportBug();
    } else if (item == MenuCheckNewVersion || item == MenuGuidesPage || item == MenuFaqPage) {
        if (auto* internet = findForm<TPageSettingsInternet>("PageSettingsInternet")) {
            if (item == MenuCheckNewVersion)
                internet->CheckNewVersion(true);
            else
                item == MenuGuidesPage ? internet->OpenGuidesPage() : internet->OpenFaqPage();
        }
    } else {
        plat::MessageDlg(QStringLiteral("You selected:\r\n\r\n") + item->objectName(),
                         plat::TMsgDlgType::mtInformation, plat::mbOK);
    }
}

void TKorvaneForm::SetExpertMode()
{
    if (auto* dialog = findForm<TDlgSettings>("DlgSettings"))
        dialog->ShowExpertPage = false;
    MenuExpertMode->setChecked(false);
}

void TKorvaneForm::AlwaysOnTopClick()
{
    if (MenuAlwaysOnTop->isChecked() != StayOnTopComp->StayOnTop())
        StayOnTopComp->SetStayOnTop(MenuAlwaysOnTop->isChecked());
}

void TKorvaneForm::BuildLanguageMenu()
{
    MenuLanguage->clear();
    languageItemCount_ = 0;
    QAction* english =
        AddLanguageMenuItem(MakeLanguageListEntry(QStringLiteral("English"), GetShortVersion()));
    english->setChecked(true);
    InitLanguage(true, QString(), true, english->text());
    for (const QString& entry : GetLanguageList())
        AddLanguageMenuItem(entry);
}

QAction* TKorvaneForm::AddLanguageMenuItem(const QString& caption)
{
    QAction* item = MenuLanguage->addAction(caption);
    item->setObjectName(QStringLiteral("LanguageChoiceItem%1").arg(++languageItemCount_));
    item->setCheckable(true);
    languageGroup_->addAction(item);
    connect(item, &QAction::triggered, this, [this, item] { SelectLanguage(item->text()); });
    return item;
}

void TKorvaneForm::SelectLanguage(const QString& language)
{
    const QString name = ExtractLanguageName(language);
    QAction* chosen = nullptr;
    const QList<QAction*> items = MenuLanguage->actions();
    for (QAction* item : items) {
        item->setChecked(false);
        if (!chosen && ExtractLanguageName(item->text()).compare(name, Qt::CaseInsensitive) == 0)
            chosen = item;
    }
    if (!chosen && !items.isEmpty())
        chosen = items.first();
    if (!chosen)
        return;
    chosen->setChecked(true);
    InitLanguage(true, QString(), true, chosen->text());
    TranslateAll();
}

void TKorvaneForm::TranslateAll()
{
    SetRunning(running_);
    TranslateForm(this, ListStringsToTranslate->Properties());
    setWindowTitle(GetProgramTitleVersion());
    InitToolMissingTexts();
    forEachPreferenceDialog([](TEncodingSettingsDialog& dialog) { dialog.Translate(); });
    ForEachPage([](TBrindlowTabbedForm& page) { page.Translate(); });
    TranslateDialogs();
    TranslateSounds();
    StayOnTopComp->SetStayOnTopMessage(TranslateMsg(QStringLiteral("Always On Top")));
    MenuAlwaysOnTop->setText(Format(TranslateMsg(QStringLiteral("%s &always on top")), ProgramName));
    MenuRememberPos->setText(
        Format(TranslateMsg(QStringLiteral("&Remember %s size and position")), ProgramName));
    if (!MenuSettings->text().contains(QStringLiteral("...")))
        MenuSettings->setText(MenuSettings->text() + QStringLiteral("..."));
    MenuHomePage->setText(Format(TranslateMsg(QStringLiteral("%s &Home Page")), ProgramName));
    MenuAbout->setText(Format(TranslateMsg(QStringLiteral("&About %s")), ProgramName));
    FireLanguageChanged(this);
    ErrorPrefix = TranslateMsg(QStringLiteral("ERROR")).toUpper();
    WarningPrefix = TranslateMsg(QStringLiteral("WARNING")).toUpper();
}

// The dialogs hosting pages translate their own buttons.
void TKorvaneForm::TranslateDialogs()
{
    if (auto* settings = findForm<TDlgSettings>("DlgSettings"))
        settings->Translate();
    for (const char* name : {"DlgHistory", "DlgCredits"})
        if (auto* dialog = findForm<TPageDialog>(name))
            dialog->Translate();
}
