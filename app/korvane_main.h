#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <memory>

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QPushButton;
class TBrindlowTabbedForm;
class TCommandsManager;
class TFormMagnet;
class TFormResizer;
class TListStrings;
class TSavedForm;
class TSettings;
class TStayOnTop;
class TTextProgressBar;
class TWaitingBar;
class TXJustOne;

// What the main window does with one line a command logs.
enum class TConsoleLineKind { Information, Warning, Error, TaggedLog, Progress };

struct TRoutedConsoleLine {
    TConsoleLineKind Kind;
    QString Text;
};

// Sorts a command's output line: tagged log and progress lines go on as they are, tool warnings and
// errors start with the translated prefix words.
TRoutedConsoleLine RouteConsoleLine(const QString& line);
// The "position" of a progress line, 0 when it is not a number, clamped to 0..100.
int ProgressLinePosition(const QString& line);

// Program-wide flags of the main window.
extern bool AppRunning;      // the message loop is about to run or runs
extern bool FormShown;       // the settings sequence of the first show has finished
extern bool Closing;         // the user agreed to close; the conversion page skips its summary
extern bool CancelRequested; // the main window sent a cancel to the queue
extern bool ControlsEnabled;

// Lays out the main window's settings store: section "Korvane" and every item of the window, its pages
// and its preference dialogs, typed and kept in the ini file or the registry. The sound events add theirs.
void DefineGuiSettings(TSettings& store);

// The pages, in the one order in which every protocol call reaches them.
extern const QStringList PageNames;

// The main window: owns the settings store and the command queue, drives the settings protocol of
// every page, hosts the conversion page and routes the commands' lines, progress and state.
class TKorvaneForm : public QMainWindow {
    Q_OBJECT

public:
    explicit TKorvaneForm(QWidget* parent = nullptr);
    ~TKorvaneForm() override;

    TSettings* GuiSettings() const { return guiSettings_.get(); }
    TCommandsManager* CommandsManager() const { return commandsManager_.get(); }
    bool Running() const { return running_; }

    void SetRunning(bool running);
    void SetStatusCaption(const QString& text, bool show);
    void SelectLanguage(const QString& language);
    void TranslateAll();
    void SetExpertMode();
    void SaveSettings();
    QString CurrentLanguageName() const;
    // Closes as a confirmed quit does, without asking: a running batch is cancelled and the window
    // closes once it has ended. For the system ending the program.
    void CloseWithoutConfirmation();

    QPushButton* ButtonGoCancel;
    TTextProgressBar* RunProgressBar;
    TWaitingBar* WaitingInBar;
    QLabel* StatusPanels[5];
    QWidget* PanelMain;
    QWidget* PanelGoButton;
    QWidget* PanelBlank2;
    QWidget* PanelProgressBarLeftSpace;
    QMenu* MenuLanguage;
    QAction *MenuSettings, *MenuExpertMode, *MenuExit;
    QAction *MenuCut, *MenuCopy, *MenuPaste, *MenuSelectAll;
    QAction *MenuShowLog, *MenuRememberPos, *MenuAlwaysOnTop;
    QAction *MenuHomePage, *MenuGuidesPage, *MenuFaqPage, *MenuReportBug, *MenuCheckNewVersion;
    QAction *MenuHistory, *MenuCredits, *MenuAbout;
    TStayOnTop* StayOnTopComp;
    TSavedForm* SavedKorvaneForm;
    TXJustOne* XJustOneInstance;
    TFormMagnet* FormMagnet1;
    TListStrings* ListStringsToTranslate;
    TFormResizer* FormResizer1;

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void CreateControls();
    void CreateStatusBar();
    void CreateMenus();
    QAction* AddMenuItem(QMenu* menu, const QString& name, const QString& caption, bool checkable = false);
    void WarnWhenDesktopTooSmall();
    void FormResizer1PostResize(QWidget* control, double xScale, double yScale);
    void FollowEditTargets();
    void FollowFocusedEditor(QWidget* focused);
    void UpdateEditActions();
    void InstallHubHandlers();
    void ApplyRememberedPosition();

    void FormShow();
    void InitBeforeSettings();
    void AttachSettings();
    void RegisterDefaultSettings();
    void LoadSettings();
    void AfterSettingsLoaded();
    void EmbedConversionPage();
    bool FormCloseQuery();

    void OnCommandsStarting();
    void OnCommandDone(QObject* sender, bool flag);
    void OnCommandsFinished(QObject* sender);
    void OnEnableControls(bool enable);
    void OnStatusText(const QString& text, bool show);
    void OnWaitBegin(QObject* sender, const QString& message);
    void OnWaitEnd(QObject* sender);
    void OnConsoleLine(const QString& line);
    void HandleProgressLine(const QString& line);

    void ButtonGoCancelClick();
    void MenuItemClick(QAction* item);
    void RunEditAction(const char* slot);
    void BuildLanguageMenu();
    QAction* AddLanguageMenuItem(const QString& caption);
    void AlwaysOnTopClick();
    void TranslateDialogs();

    QList<TBrindlowTabbedForm*> Pages() const;
    template <typename Call> void ForEachPage(Call call) const;

    std::unique_ptr<TSettings> guiSettings_;
    std::unique_ptr<TCommandsManager> commandsManager_;
    QActionGroup* languageGroup_;
    QList<QAction*> itemsEnabledWithControls_;
    QList<QMetaObject::Connection> editorConnections_;
    bool running_ = false;
    bool shownOnce_ = false;
    bool pageEmbedded_ = false;
    bool quitConfirmed_ = false;
    int languageItemCount_ = 0;
};
