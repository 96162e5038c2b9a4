#pragma once

#include "foundation/exceptions.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

// Runs one console program and hands its output lines, start, errors and end to the main thread.

class EConsoleIOError : public EKorvaneError {
public:
    using EKorvaneError::EKorvaneError;
};

class EPipeCreate : public EConsoleIOError {
public:
    explicit EPipeCreate(int errorCode);
};

class EProcessCreate : public EConsoleIOError {
public:
    explicit EProcessCreate(int errorCode);
};

class EWaitError : public EConsoleIOError {
public:
    explicit EWaitError(int errorCode);
};

enum TPipeSize { ps1k, ps2k, ps4k, ps8k, ps16k, ps32k, ps64k, ps96K, ps128k, ps256k };
enum TBufferSize { bs256, bs512, bs1k, bs2k, bs4k, bs8k };

// A worker's share of the processor beside the program's other threads, one nice level a step.
enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

int PipeSizeBytes(TPipeSize size);
int BufferSizeBytes(TBufferSize size);

// The output not yet cut into lines. Lines end at a carriage return, a line feed or the pair of both,
// wherever the chunks happen to split; bytes are only decoded once a line is whole, so a character
// split across two reads stays intact.
class TLineStream {
public:
    // Adds a chunk and returns the lines it completed, empty ones included.
    std::vector<QByteArray> Add(const char* data, std::int64_t size);
    const QByteArray& Unfinished() const { return tail_; }
    void Reset() { tail_.clear(); }

private:
    QByteArray tail_;
};

// What a run is made of. Each run works on a copy taken when it starts.
struct TConsoleProperties {
    // The program and its argument vector: what actually runs. A name without "/" is looked up in PATH.
    QString Program;
    QStringList Arguments;
    // The command line as shown (OnStart): Application + " " + Command when both are set, else
    // Command. It is never parsed.
    QString Application;
    QString Command;
    QStringList Environment; // "NAME=value" entries for the child; empty: this program's environment
    QString HomeDirectory;   // the child's working folder; empty: this program's
    QString LogFile;         // when set, every output line is also written there
    QString Prompt;          // an unfinished line ending with it counts as a question once output idles
    bool AutoTerminate = false;
    TPipeSize PipeSize = ps128k;
    TBufferSize BufferSize = bs1k;
    std::uint16_t TimeOutDelay = 50;     // milliseconds of idle output before OnTimeOut or OnPrompt
    TThreadPriority Priority = tpNormal; // the worker's, applied when it is created
};

class TGUI2Console;

using TConsoleNotifyEvent = std::function<void(TGUI2Console* sender)>;
using TConsoleTextEvent = std::function<void(TGUI2Console* sender, const QString& text)>;
using TConsoleDoneEvent = std::function<void(TGUI2Console* sender, int exitCode)>;
using TConsoleTimeOutEvent = std::function<void(TGUI2Console* sender, bool& terminate)>;

class TConsoleThread;

// The runner. Every event arrives on the main thread as a queued call, in the order the worker raised
// it, and OnDone comes last. The worker never waits for the main thread, so stopping it never hangs.
class TGUI2Console : public QObject, public TConsoleProperties {
public:
    explicit TGUI2Console(QObject* owner = nullptr);
    // Stops a run: its child is killed and reaped and its worker joined; no event of it arrives later.
    ~TGUI2Console() override;

    // Starts the program on a new worker, which asks for the lower priority (or Priority, when that is
    // lower still): it only waits on its program, and the windows come first. While one runs, only
    // reports "Process Already Running".
    void Start();
    // Silences the running worker at once, kills its child's group and reaps it.
    void Stop();
    bool Running() const { return worker_ != nullptr; }
    // The process id of the program that the last ended or stopped run started; 0 when it started none.
    pid_t LastChildPid() const { return lastChildPid_; }
    // The signal that ended that program, when one did; else 0.
    int LastChildSignal() const { return lastChildSignal_; }

    // Handlers are looked up when an event arrives, so unhooking one also drops what is still queued.
    TConsoleTextEvent OnStart; // the command line, before the process is created
    TConsoleDoneEvent OnDone;  // the exit code: 1 when the program never ran, 128 + n after signal n
    TConsoleTextEvent OnLine;  // one complete, non-empty output line
    TConsoleTextEvent OnError;
    TConsoleTextEvent OnStatus;
    TConsoleTimeOutEvent OnTimeOut;
    TConsoleTextEvent OnPrompt;
    TConsoleNotifyEvent OnPreTerminate;

private:
    friend class TConsoleThread;
    void workerEnded(const TConsoleThread* worker);

    std::unique_ptr<TConsoleThread> worker_;
    pid_t lastChildPid_ = 0;
    int lastChildSignal_ = 0;
};

// One run of one program, reading its output on a thread of its own.
class TConsoleThread {
public:
    TConsoleThread(TGUI2Console* runner, const TConsoleProperties& properties);
    // Tells the worker to end (killing its child) and joins it.
    ~TConsoleThread();
    TConsoleThread(const TConsoleThread&) = delete;
    TConsoleThread& operator=(const TConsoleThread&) = delete;

    // No event of this worker reaches anyone any more.
    void Detach();
    // Tells the worker to end (killing its child) and waits until it has.
    void Join();
    // Once the run has ended: the id its program had, 0 when none was started.
    pid_t ChildPid() const { return childPid_; }
    int ChildSignal() const { return childSignal_; }

private:
    // Shared with the calls queued to the main thread, which may outlive the worker.
    struct Flags {
        std::atomic<bool> Detached{false};
        std::atomic<bool> Terminated{false};
    };
    class Run;

    void Execute();
    void Synchronize(std::function<void(TGUI2Console& runner)> call);

    TGUI2Console* const runner_;
    const TConsoleProperties properties_;
    const std::shared_ptr<Flags> flags_ = std::make_shared<Flags>();
    pid_t childPid_ = 0;  // written by the worker before its last call to the main thread
    int childSignal_ = 0; // likewise
    std::thread thread_;
};
