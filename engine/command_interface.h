#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>

// The result of one conversion step.
class TExecuteStatus {
public:
    bool Succeeded = false, Cancelled = false, Started = false, Done = false;
    QStringList Successes, Warnings, Errors;

    void SetSucceeded() { Started = Done = Succeeded = true; }
    void SetFailed()
    {
        Started = Done = true;
        Succeeded = false;
    }
    void SetCancelled()
    {
        Done = Succeeded = false;
        Cancelled = true;
    }
    bool IsCancelled() const { return Cancelled; }
    bool IsFailed() const { return !Cancelled && Done && !Succeeded; }
    bool IsSucceeded() const { return !Cancelled && Done && Succeeded; }

    // The message with the one argument; then, unless it is short, one indented line per entry.
    // Lines end with a single carriage return.
    QString GetErrorText(const QString& format, const QString& arg, bool isShort) const;
    QString GetSuccessText(const QString& format, const QString& arg, bool isShort) const;
};

// The echo memo: where the steps show what they run. The window side implements it over the real memo
// and lets it do nothing once that memo is gone.
class TLineSink {
public:
    virtual ~TLineSink() = default;
    virtual int LineCount() const = 0;
    virtual void Clear() = 0;
    virtual void AddLine(const QString& line) = 0;
    // Scrolls back to the first line.
    virtual void ShowFirstLine() = 0;
};

class TCommandInterface;
class TCommandCommonData;

// Senders are the objects that fire; texts are passed by value, as handlers may change the sender's own.
using TCommandLogEvent = std::function<void(QObject* sender, QString text)>;
using TCommandTextEvent = std::function<void(QObject* sender, QString text)>;
using TCommandFinishedEvent =
    std::function<void(TCommandInterface* sender, const TExecuteStatus& status, QObject* data)>;
using TAfterCommandEvent = std::function<void(TCommandInterface* sender, const TExecuteStatus& status,
                                              QObject* data, bool& continueBatch)>;

// Milliseconds on a steady clock, always above 0; start times and elapsed times are read from it.
std::int64_t CommandClockNow();
// Replaces the clock (tests make time exact); an empty function restores the steady clock.
void InstallCommandClock(std::function<std::int64_t()> clock);

// One conversion step, run by the command queue. A concrete command starts its work in Start and
// ends it, on the main thread, with exactly one Finish.
class TCommandInterface : public QObject {
public:
    // An empty data object is a builder's mistake: it is shown, and the command is still made.
    TCommandInterface(QObject* owner, TCommandLogEvent onLog, const QString& name, const QString& statusText,
                      QObject* data, TAfterCommandEvent onAfterCommand, bool reportResult, bool doneFlag);
    ~TCommandInterface() override;

    // Ends the step: 0 = no error. Only the first call counts.
    virtual void Finish(QObject* sender, int errorCode);
    // A step with file data cleans up through it (a cancelled one also marks its source entry);
    // a step without any does nothing.
    virtual void OnSuccess();
    virtual void OnFailure();
    virtual void OnCancel();
    // Classifies one output line; blanking it keeps it out of the log.
    virtual void ParseLine(QString& line) = 0;
    virtual QString TranslateLine(const QString& line);
    // The part every concrete Start calls first; it ignores a cancelled command.
    virtual void Start(std::shared_ptr<TLineSink> echoMemo, TCommandFinishedEvent onFinished,
                       TCommandTextEvent onStatus);
    virtual void Cancel() = 0;
    virtual TCommandInterface* ReleaseHook() = 0;
    // Cuts every link through which the command could still report (at least OnFinished).
    virtual void Detach() = 0;
    // The step's file data, for the steps that have some.
    virtual TCommandCommonData* StepData() { return nullptr; }

    void HandleLine(QObject* sender, const QString& line);
    void DoLog(QObject* sender, const QString& text);
    bool IsFinished() const { return finished_; }

    // "<log level="Level">Text</log>", with the first Prefix (any case) taken out of Text;
    // empty when no text is left.
    static QString FormatTaggedLogLine(const QString& prefix, const QString& level, const QString& text);

    QObject* const Owner;
    QObject* Data = nullptr;             // the concrete command's data object; not owned
    std::shared_ptr<TLineSink> EchoMemo; // may be none
    bool Failed = false;
    TCommandLogEvent OnLog;
    TCommandFinishedEvent OnFinished;
    TCommandTextEvent OnStatus;
    std::int64_t StartTime = 0; // CommandClockNow() at Start; 0 before
    int SkipNextCount = 0;
    bool Skipped = false;
    bool Cancelled = false;
    bool DoneFlag = false;
    TAfterCommandEvent OnAfterCommand;
    bool ReportResult = false;
    TExecuteStatus Status;
    bool Cancellable = true;
    QString Name;
    QString StatusText;

private:
    bool finished_ = false;
};
