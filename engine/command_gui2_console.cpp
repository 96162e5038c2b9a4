#include "engine/command_gui2_console.h"

#include "engine/command_common_data.h"
#include "engine/run_journal.h"
#include "foundation/language.h"
#include "foundation/program_globals.h"
#include "foundation/useful_string.h"
#include "platform/paths.h"
#include "platform/temporary_name.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstring>

#include <unistd.h>

#include <utility>

namespace {

// The echo memo keeps at most this many lines before a new command line is added.
constexpr int kEchoMemoLines = 200;

// Help lines of the runtime-conflict report; the conflict itself gets one clear message instead.
const char* const kRuntimeHelpLines[] = {
    "You have multiple copies of cygwin",         "Search for cygwin1.dll using the Windows",
    "and delete all but the most recent version", "reside in x:\\cygwin\\bin",
    "installed the cygwin distribution",
};

} // namespace

TConsoleArguments& TConsoleArguments::Options(const QString& text)
{
    text_ += text;
    list_ += text.split(u' ', Qt::SkipEmptyParts);
    return *this;
}

TConsoleArguments& TConsoleArguments::FileName(const QString& name)
{
    const QString full =
        name.isEmpty() || QDir::isAbsolutePath(name) ? name : QDir::current().absoluteFilePath(name);
    text_ += u'"' + full + u'"';
    list_ += full;
    return *this;
}

TCommandGui2Console::TCommandGui2Console(QObject* owner, TCommandLogEvent onLog, const QString& name,
                                         const QString& statusText, QObject* data,
                                         TAfterCommandEvent onAfterCommand, bool reportResult, bool doneFlag)
    : TCommandInterface(owner, std::move(onLog), name, statusText, data, std::move(onAfterCommand),
                        reportResult, doneFlag),
      console_(std::make_unique<TGUI2Console>())
{
    Cancellable = false;
}

TCommandGui2Console::~TCommandGui2Console() = default;

void TCommandGui2Console::Finish(QObject* sender, int errorCode)
{
    if (console_) {
        Unhook();
        RemoveHiddenOutput();
        ReportEndSignal();
    }
    TCommandInterface::Finish(sender, errorCode);
}

void TCommandGui2Console::ParseLine(QString& line)
{
    line = line.trimmed();
    if (ContainsTextNoCase(line, QStringLiteral("shared version mismatch detected")))
        Status.Errors << BuildCygwinConflictText();
    for (const char* help : kRuntimeHelpLines)
        if (ContainsTextNoCase(line, QLatin1String(help)))
            line.clear();
}

void TCommandGui2Console::Start(std::shared_ptr<TLineSink> echoMemo, TCommandFinishedEvent onFinished,
                                TCommandTextEvent onStatus)
{
    if (Cancelled || !console_)
        return;
    TCommandInterface::Start(std::move(echoMemo), std::move(onFinished), std::move(onStatus));
    Configure();
    bool ok = true;
    CheckBeforeRun(ok);
    // The checks let events through: the step may have been cancelled or detached meanwhile.
    if (Cancelled || !console_)
        return;
    const TConsoleArguments arguments = GetArguments();
    console_->HomeDirectory = plat::WithTrailingSlash(GetWorkDir());
    console_->Program = GetExePath();
    console_->Arguments = arguments.List();
    console_->Command = u'"' + console_->Program + QStringLiteral("\" ") + arguments.Text();
    if (!ok) {
        Refuse();
        return;
    }
    Echo();
    Status.Started = true;
    if (TCommandCommonData* common = StepData(); common && common->Journal)
        common->Journal->NoteProgramOutput(common->WorkFile);
    console_->Start();
}

void TCommandGui2Console::Cancel()
{
    if (!console_ || Cancelled)
        return;
    Cancelled = true;
    Unhook();
    console_->Stop();
    Status.SetCancelled();
    Finish(this, 1);
}

void TCommandGui2Console::Detach()
{
    OnFinished = nullptr;
    if (!console_)
        return;
    Unhook();
    console_->Stop();
    RemoveHiddenOutput();
    console_.reset();
}

QString TCommandGui2Console::CollapseBlanks(const QString& line)
{
    QString text = line;
    while (text.contains(QStringLiteral("  ")))
        text.replace(QStringLiteral("  "), QStringLiteral(" "));
    text.replace(QStringLiteral("( "), QStringLiteral("("));
    return text.trimmed();
}

void TCommandGui2Console::TagLevel(QString& line)
{
    static const QString info = QStringLiteral("INFO:");
    static const QString warning = QStringLiteral("++ WARN:");
    static const QString error = QStringLiteral("**ERROR:");
    if (StartsWithNoCase(line, info)) {
        line = FormatTaggedLogLine(info, QStringLiteral("information"), line);
    } else if (StartsWithNoCase(line, warning)) {
        line = FormatTaggedLogLine(warning, QStringLiteral("warning"), line);
    } else if (StartsWithNoCase(line, error)) {
        const QString message = RemoveFirstNoCase(line, error).trimmed();
        Status.Errors << message;
        line = FormatTaggedLogLine(QString(), QStringLiteral("error"), message);
    }
}

QString TCommandGui2Console::ToolPath(const QString& folder, const QString& name)
{
    return (folder.isEmpty() ? QStringLiteral("/") : plat::WithTrailingSlash(folder)) + name;
}

void TCommandGui2Console::Unhook()
{
    console_->OnDone = nullptr;
    console_->OnError = nullptr;
    console_->OnLine = nullptr;
}

void TCommandGui2Console::Configure()
{
    Unhook();
    console_->Stop();
    console_->AutoTerminate = false;
    console_->PipeSize = ps256k;
    console_->BufferSize = bs256;
    console_->TimeOutDelay = 50;
    console_->Priority = tpNormal;
    console_->Application.clear();
    console_->OnDone = [this](TGUI2Console*, int exitCode) { Finish(this, exitCode); };
    console_->OnError = [this](TGUI2Console*, const QString& message) { HandleError(message); };
    console_->OnLine = [this](TGUI2Console* runner, const QString& line) { HandleLine(runner, line); };
}

void TCommandGui2Console::Echo()
{
    if (!EchoMemo)
        return;
    if (EchoMemo->LineCount() > kEchoMemoLines)
        EchoMemo->Clear();
    EchoMemo->AddLine(QStringLiteral("cd \"") + console_->HomeDirectory + u'"');
    EchoMemo->AddLine(console_->Command);
    EchoMemo->AddLine(QString());
    EchoMemo->ShowFirstLine();
}

void TCommandGui2Console::HandleError(const QString& message)
{
    if (!console_ || Cancelled)
        return;
    Failed = true;
    HandleLine(this, QStringLiteral("ERROR:Error while trying to execute ") + Name +
                         QStringLiteral(". Execution aborted..."));
    if (!message.trimmed().isEmpty())
        HandleLine(this, QStringLiteral("ERROR:") + message);
    Status.SetFailed();
}

void TCommandGui2Console::RemoveHiddenOutput()
{
    const TCommandCommonData* common = StepData();
    const pid_t program = console_->LastChildPid();
    if (!common || common->WorkFile.isEmpty() || program <= 0)
        return;
    const std::string targetName =
        QFile::encodeName(QFileInfo(common->WorkFile).absoluteFilePath()).toStdString();
    for (int attempt = 0; attempt < plat::kTemporaryNameAttempts; ++attempt)
        ::unlink(plat::HiddenTemporaryName(targetName, program, attempt).c_str());
}

void TCommandGui2Console::ReportEndSignal()
{
    const int signal = console_->LastChildSignal();
    if (signal <= 0 || Cancelled)
        return;
    const QString text = Format(TranslateMsg(QStringLiteral("%s ended by signal %s (%s)")),
                                QFileInfo(console_->Program).fileName(), QString::number(signal),
                                QString::fromLocal8Bit(::strsignal(signal)));
    Status.Errors << text;
    DoLog(this, FormatTaggedLogLine(QString(), QStringLiteral("error"), text));
}

void TCommandGui2Console::Refuse()
{
    // Nothing will run: the input this step would have consumed goes now, as after a failure.
    if (TCommandCommonData* common = StepData())
        common->CleanupOnRefusal(*this);
    console_.reset();
    if (OnFinished) {
        const TCommandFinishedEvent finished = std::exchange(OnFinished, nullptr);
        finished(this, Status, Data);
    }
}
