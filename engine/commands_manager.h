#pragma once

#include "engine/command_interface.h"
#include "engine/run_journal.h"
#include "platform/messages.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

using TQueueNotifyEvent = std::function<void(QObject* sender)>;
using TQueueFlagEvent = std::function<void(QObject* sender, bool flag)>;
using TQueueTextEvent = std::function<void(QObject* sender, QString text)>;

// One finished step, as its posted message carries it to the queue.
struct TCommandFinishedRec {
    TCommandInterface* Command = nullptr;
    const TExecuteStatus* Status = nullptr;
    QObject* Data = nullptr;
};

// Runs the steps of a batch one after another. Each step's end is posted to the queue's hidden window,
// so the next step always starts from the event loop, never from inside the step that finished.
class TCommandsManager : public QObject {
public:
    TCommandsManager(TQueueTextEvent onCommandsStarting, TQueueFlagEvent onCommandDone,
                     TQueueNotifyEvent onCommandsFinished, TQueueNotifyEvent onCommandsIdle,
                     TQueueFlagEvent onCancelEnable, TQueueTextEvent onCommandStatus);
    ~TCommandsManager() override;

    // The queue takes the command, whose step then tells the queue's journal of its files; while a batch
    // runs it is refused (and freed).
    void AddCommand(std::unique_ptr<TCommandInterface> command);
    bool IsEmpty() const { return Commands.empty(); }
    bool IsRunning() const { return Running; }
    TCommandInterface* GetCommand(int index) const;

    // Ignored while a batch runs. An empty queue runs only with runIfEmpty (it then ends at once).
    void Run(const QString& title, bool stopOnError, std::shared_ptr<TLineSink> echoMemo,
             TQueueNotifyEvent onQueueStarted, TQueueFlagEvent onQueueEnded,
             TQueueFlagEvent onCommandStarting, int successSound, int failureSound, bool releaseAtEnd,
             bool runIfEmpty);
    // Cancels the running step when it can be cancelled, and every step after it; the batch ends
    // when the running step's end arrives.
    void Cancel();
    // The finished handler every command gets; only the first report of a command counts.
    void PostFinished(TCommandInterface* sender, const TExecuteStatus& status, QObject* data);
    // Detaches and frees every command.
    void Reset();

    // "07s 045ms", "02m 07s 045ms", "1h 00m 07s 045ms".
    static QString FormatElapsed(std::int64_t milliseconds);

    TQueueTextEvent OnCommandsStarting;
    TQueueFlagEvent OnCommandDone; // with the command's DoneFlag
    TQueueNotifyEvent OnCommandsFinished;
    TQueueNotifyEvent OnCommandsIdle; // last, once the queue no longer runs
    TQueueTextEvent OnCommandStatus;
    TQueueFlagEvent OnCancelEnable;
    // Set by every Run.
    TQueueNotifyEvent OnQueueStarted;
    TQueueFlagEvent OnQueueEnded;      // with "every step succeeded"
    TQueueFlagEvent OnCommandStarting; // with the command's Cancellable

private:
    void WndProc(const plat::PostedMessage& message);
    void LaunchNext(int index);
    void StartCommand(TCommandInterface& command);
    void FailStart(TCommandInterface& command, const QString& message);
    void ReportStartError(TCommandInterface& command, const QString& message);
    void HandleFinished(TCommandInterface* command, const TExecuteStatus& status, QObject* data);
    void LogElapsed(TCommandInterface& command, std::int64_t now);
    void FinishAll();
    void EndAfterError();
    void DiscardUnusedInputs();
    void ReportResults();
    void ShowResult(const TCommandInterface& command, const QString& name);
    int LastIndex() const { return static_cast<int>(Commands.size()) - 1; }

    std::unique_ptr<plat::MessageWindow> WindowHandle;
    std::int64_t StartTime = 0;
    bool StopOnError = true;
    bool ReleaseAtEnd = false;
    bool Running = false;
    int SuccessSound = 0;
    int FailureSound = 0;
    // Before the commands, whose steps tell it of their files until they are freed.
    TRunJournal Journal;
    std::vector<std::unique_ptr<TCommandInterface>> Commands;
    int CurrentIndex = -1;
    std::shared_ptr<TLineSink> EchoMemo;
    bool Aborting = false;
    // A step's Start lets events through; its end must wait until Start has returned.
    bool starting_ = false;
    bool finishing_ = false; // FinishAll has begun for this batch

    // Posted ends not yet handled, by serial number: a message that outlives its batch finds nothing.
    std::map<std::int64_t, TCommandFinishedRec> pendingFinished_;
    std::int64_t lastSerial_ = 0;
    std::set<const TCommandInterface*> reported_;
};
