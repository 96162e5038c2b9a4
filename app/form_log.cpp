#include "app/form_log.h"

#include "app/form_settings_log.h"
#include "components/form_registry.h"
#include "components/list_strings.h"
#include "components/log_target.h"
#include "components/nero_memo.h"
#include "foundation/language.h"
#include "foundation/useful_string.h"

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSplitter>
#include <QVBoxLayout>

#include <optional>

namespace {

constexpr int splitterMinimumSize = 100;

struct TaggedLevel {
    QLatin1String Name;
    TLogLevel Level;
};

// In the order the levels are tried.
constexpr TaggedLevel taggedLevels[] = {
    {QLatin1String("information"), llInformation},
    {QLatin1String("warning"), llWarning},
    {QLatin1String("debug"), llDebug},
    {QLatin1String("error"), llError},
    {QLatin1String("unknown"), llUnknown},
    {QLatin1String("assertion"), llAssertion},
};

std::optional<TLogLevel> TaggedLevelOf(const QString& line)
{
    const QString name = GetAttributeValue(line, QStringLiteral("level")).toLower();
    for (const TaggedLevel& level : taggedLevels)
        if (name == level.Name)
            return level.Level;
    return std::nullopt;
}

// The log settings page decides, at each line, whether warnings and debug lines show; without it the
// page's own defaults hold.
bool IsLevelShown(TLogLevel level)
{
    const auto* settings =
        qobject_cast<TPageSettingsLog*>(FormRegistry::Instance().Find(QStringLiteral("PageSettingsLog")));
    if (level == llWarning)
        return !settings || settings->CheckBoxShowWarnings->isChecked();
    if (level == llDebug)
        return settings && settings->RadioButtonVerbose->isChecked();
    return true;
}

QWidget* AddPanel(QWidget* parent, const QString& name)
{
    auto* panel = new QWidget(parent);
    panel->setObjectName(name);
    (new QVBoxLayout(panel))->setContentsMargins(0, 0, 0, 0);
    if (parent->layout())
        parent->layout()->addWidget(panel);
    return panel;
}

} // namespace

TPageLog::TPageLog(QWidget* parent) : TBrindlowTabbedForm(parent)
{
    setObjectName(QStringLiteral("PageLog"));
    setWindowFlag(Qt::Tool);
    ListStringsToTranslate->SetProperties({QStringLiteral("LabelCommandLineArguments")});
    (new QVBoxLayout(this))->setContentsMargins(0, 0, 0, 0);

    PanelTabSheetLog = AddPanel(this, QStringLiteral("PanelTabSheetLog"));
    PanelLogSpiltted = AddPanel(PanelTabSheetLog, QStringLiteral("PanelLogSpiltted"));
    LogSplitter = new QSplitter(Qt::Vertical, PanelLogSpiltted);
    LogSplitter->setObjectName(QStringLiteral("LogSplitter"));
    LogSplitter->setChildrenCollapsible(false);
    PanelLogSpiltted->layout()->addWidget(LogSplitter);

    CommandLinePanel = AddPanel(LogSplitter, QStringLiteral("CommandLinePanel"));
    CommandLinePanel->setMinimumHeight(splitterMinimumSize);
    LabelCommandLineArguments = new QLabel(QStringLiteral("Command Lines"), CommandLinePanel);
    LabelCommandLineArguments->setObjectName(QStringLiteral("LabelCommandLineArguments"));
    MemoCommandLine = new QPlainTextEdit(CommandLinePanel);
    MemoCommandLine->setObjectName(QStringLiteral("MemoCommandLine"));
    MemoCommandLine->setReadOnly(true);
    MemoCommandLine->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    CommandLinePanel->layout()->addWidget(LabelCommandLineArguments);
    CommandLinePanel->layout()->addWidget(MemoCommandLine);

    LogPanel = AddPanel(LogSplitter, QStringLiteral("LogPanel"));
    LogPanel->setMinimumHeight(splitterMinimumSize);
    LogMemo = new TNeroMemo(LogPanel);
    LogMemo->setObjectName(QStringLiteral("LogMemo"));
    LogMemo->SetFileAppend(true);
    LogMemo->SetIconShow(true);
    LogMemo->SetBitmapDebug(LogLevelIcon(llDebug));
    LogMemo->SetBitmapWarning(LogLevelIcon(llWarning));
    LogMemo->SetBitmapInformation(LogLevelIcon(llInformation));
    LogMemo->SetBitmapAssertion(LogLevelIcon(llAssertion));
    LogMemo->SetBitmapError(LogLevelIcon(llError));
    LogMemo->SetBitmapUnknown(LogLevelIcon(llUnknown));
    LogPanel->layout()->addWidget(LogMemo);
    LogSplitter->addWidget(CommandLinePanel);
    LogSplitter->addWidget(LogPanel);

    FormCreate();
    SetLogTarget(LogMemo);
    SetCommandLineMemo(MemoCommandLine);
    // The command lines keep arriving in their memo, but the panel and its splitter handle stay hidden.
    CommandLinePanel->hide();
}

void TPageLog::Translate()
{
    TBrindlowTabbedForm::Translate();
    setWindowTitle(u' ' + TranslateMsg(QStringLiteral("Log")));
}

void TPageLog::AddTaggedLogLine(const QString& line)
{
    const std::optional<TLogLevel> level = TaggedLevelOf(line);
    if (!level) {
        LogMemo->AddText(line);
        return;
    }
    if (IsLevelShown(*level))
        LogMemo->AddTextWithLevel(GetTagContent(line, QStringLiteral("log")).trimmed(), *level);
}
