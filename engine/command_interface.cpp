#include "engine/command_interface.h"

#include "engine/command_common_data.h"
#include "foundation/useful_string.h"
#include "platform/dialogs.h"

#include <QRegularExpression>

#include <chrono>
#include <utility>

namespace {

// An entry holding line breaks counts as several entries.
QStringList splitEntries(const QStringList& list)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    QStringList entries;
    for (const QString& entry : list)
        entries += entry.split(lineBreak);
    return entries;
}

QString formatList(const QString& header, const QStringList& list)
{
    const QStringList entries = splitEntries(list);
    if (entries.isEmpty())
        return QString();
    QString text = header.isEmpty() ? QString() : header + u'\r';
    for (const QString& entry : entries) {
        QString line = entry.trimmed();
        if (line.startsWith(u':'))
            line.remove(0, 1);
        text += QStringLiteral("      ") + line.trimmed() + QStringLiteral("  \r");
    }
    return text;
}

QString formatStatusText(const QString& format, const QString& arg, bool isShort, const QStringList& list)
{
    const QString message = Format(format, arg);
    if (isShort && !list.isEmpty())
        return QStringLiteral("   ") + message + QStringLiteral("      ");
    return formatList(message, list);
}

std::int64_t steadyMilliseconds()
{
    using namespace std::chrono;
    // The steady clock counts from boot; one more millisecond keeps 0 free for "not started".
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count() + 1;
}

std::function<std::int64_t()>& installedClock()
{
    static std::function<std::int64_t()> clock;
    return clock;
}

} // namespace

QString TExecuteStatus::GetErrorText(const QString& format, const QString& arg, bool isShort) const
{
    return formatStatusText(format, arg, isShort, Errors);
}

QString TExecuteStatus::GetSuccessText(const QString& format, const QString& arg, bool isShort) const
{
    return formatStatusText(format, arg, isShort, Successes);
}

std::int64_t CommandClockNow()
{
    const auto& clock = installedClock();
    return clock ? clock() : steadyMilliseconds();
}

void InstallCommandClock(std::function<std::int64_t()> clock)
{
    installedClock() = std::move(clock);
}

TCommandInterface::TCommandInterface(QObject* owner, TCommandLogEvent onLog, const QString& name,
                                     const QString& statusText, QObject* data,
                                     TAfterCommandEvent onAfterCommand, bool reportResult, bool doneFlag)
    : Owner(owner), Data(data), OnLog(std::move(onLog)), DoneFlag(doneFlag),
      OnAfterCommand(std::move(onAfterCommand)), ReportResult(reportResult), Name(name),
      StatusText(statusText)
{
    if (!Data)
        plat::MessageDlg(QStringLiteral("DEBUG: data for ") + Name + QStringLiteral(" must not be nul"),
                         plat::TMsgDlgType::mtCustom, plat::mbOK);
}

TCommandInterface::~TCommandInterface() = default;

QString TCommandInterface::TranslateLine(const QString& line)
{
    return line.trimmed();
}

void TCommandInterface::Start(std::shared_ptr<TLineSink> echoMemo, TCommandFinishedEvent onFinished,
                              TCommandTextEvent onStatus)
{
    if (Cancelled)
        return;
    if (!Name.isEmpty())
        HandleLine(this, u'[' + Name + u']');
    EchoMemo = std::move(echoMemo);
    OnFinished = std::move(onFinished);
    OnStatus = std::move(onStatus);
    Failed = false;
    StartTime = CommandClockNow();
}

void TCommandInterface::Finish(QObject*, int errorCode)
{
    // A late end (a worker's done after a cancel, say) must not clean up or report a second time.
    if (finished_)
        return;
    finished_ = true;
    if (errorCode != 0 && !Cancelled)
        Failed = true;
    // The result takes its name before the step counts as done.
    if (!Cancelled && !Failed)
        if (TCommandCommonData* data = StepData(); data && !data->CompleteOutput(*this))
            Failed = true;
    for (QStringList* list : {&Status.Successes, &Status.Warnings, &Status.Errors})
        for (QString& entry : *list)
            entry = TranslateLine(entry);
    if (Cancelled)
        Status.SetCancelled();
    else if (Failed)
        Status.SetFailed();
    else
        Status.SetSucceeded();
    // A cancelled step's clean-up already includes the failure clean-up: run it once.
    if (Cancelled)
        OnCancel();
    else if (Failed)
        OnFailure();
    else
        OnSuccess();
    if (OnFinished) {
        const TCommandFinishedEvent finished = std::exchange(OnFinished, nullptr);
        finished(this, Status, Data);
    }
}

void TCommandInterface::OnSuccess()
{
    if (TCommandCommonData* data = StepData())
        data->CleanupOnSuccess(*this);
}

void TCommandInterface::OnFailure()
{
    if (TCommandCommonData* data = StepData())
        data->CleanupOnFailure(*this);
}

void TCommandInterface::OnCancel()
{
    if (TCommandCommonData* data = StepData())
        data->SetCancelled();
    OnFailure();
}

void TCommandInterface::HandleLine(QObject* sender, const QString& line)
{
    if (Cancelled)
        return;
    QString copy = line;
    ParseLine(copy);
    if (!copy.trimmed().isEmpty())
        DoLog(sender, TranslateLine(copy));
}

void TCommandInterface::DoLog(QObject* sender, const QString& text)
{
    if (OnLog)
        OnLog(sender, text);
}

QString TCommandInterface::FormatTaggedLogLine(const QString& prefix, const QString& level,
                                               const QString& text)
{
    QString line = text;
    if (!prefix.isEmpty()) {
        const qsizetype at = line.indexOf(prefix, 0, Qt::CaseInsensitive);
        if (at >= 0)
            line.remove(at, prefix.size());
        line = line.trimmed();
    }
    if (line.isEmpty())
        return QString();
    return QStringLiteral("<log level=\"") + level + QStringLiteral("\">") + line + QStringLiteral("</log>");
}
