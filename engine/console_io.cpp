#include "engine/console_io.h"

#include "foundation/log_procedures.h"
#include "platform/messages.h"
#include "platform/process.h"

#include <QFile>

#include <algorithm>
#include <mutex>

namespace {

// Starts are serialized across every runner of the program.
std::mutex& StartLock()
{
    static std::mutex lock;
    return lock;
}

// No exception of a handler may cross the event loop.
void Guarded(const std::function<void()>& call)
{
    try {
        call();
    } catch (const EKorvaneError& error) {
        LogError(error.Message());
    } catch (const std::exception& error) {
        LogError(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        LogError(QStringLiteral("Unknown exception in a console event handler"));
    }
}

} // namespace

EPipeCreate::EPipeCreate(int errorCode)
    : EConsoleIOError(QStringLiteral("Error Opening Pipe Error Code :") + QString::number(errorCode))
{
}

EProcessCreate::EProcessCreate(int errorCode)
    : EConsoleIOError(QStringLiteral("Error Creating Process  Error Code :") + QString::number(errorCode))
{
}

EWaitError::EWaitError(int errorCode)
    : EConsoleIOError(QStringLiteral("Process Error Error Code :") + QString::number(errorCode))
{
}

int PipeSizeBytes(TPipeSize size)
{
    static const int bytes[] = {1024, 2048, 4096, 8192, 16384, 32768, 65536, 98304, 131072, 262144};
    return bytes[size];
}

int BufferSizeBytes(TBufferSize size)
{
    return 256 << size;
}

std::vector<QByteArray> TLineStream::Add(const char* data, std::int64_t size)
{
    // The kept tail holds no line break, so only the new bytes need scanning.
    qsizetype position = tail_.size();
    tail_.append(data, static_cast<qsizetype>(size));
    std::vector<QByteArray> lines;
    qsizetype lineStart = 0;
    for (; position < tail_.size(); ++position) {
        const char byte = tail_.at(position);
        if (byte != '\r' && byte != '\n')
            continue;
        lines.push_back(tail_.mid(lineStart, position - lineStart));
        if (byte == '\r' && position + 1 < tail_.size() && tail_.at(position + 1) == '\n')
            ++position;
        lineStart = position + 1;
    }
    tail_.remove(0, lineStart);
    return lines;
}

TGUI2Console::TGUI2Console(QObject* owner) : QObject(owner) {}

TGUI2Console::~TGUI2Console()
{
    Stop();
}

void TGUI2Console::Start()
{
    {
        const std::lock_guard<std::mutex> locked(StartLock());
        if (!worker_) {
            TConsoleProperties properties = *this;
            properties.Priority = std::min(Priority, tpLower);
            worker_ = std::make_unique<TConsoleThread>(this, properties);
            return;
        }
    }
    if (auto handler = OnError)
        handler(this, QStringLiteral("Process Already Running"));
}

void TGUI2Console::Stop()
{
    if (!worker_)
        return;
    worker_->Detach();
    worker_->Join();
    lastChildPid_ = worker_->ChildPid();
    lastChildSignal_ = worker_->ChildSignal();
    worker_.reset();
}

void TGUI2Console::workerEnded(const TConsoleThread* worker)
{
    if (worker_.get() != worker)
        return;
    lastChildPid_ = worker_->ChildPid();
    lastChildSignal_ = worker_->ChildSignal();
    worker_.reset();
}

// The state of one run, on the worker thread.
class TConsoleThread::Run {
public:
    explicit Run(TConsoleThread& thread)
        : thread_(thread), properties_(thread.properties_), buffer_(BufferSizeBytes(properties_.BufferSize))
    {
    }

    void Execute()
    {
        const QString commandLine = properties_.Application.isEmpty() || properties_.Command.isEmpty()
                                        ? properties_.Command
                                        : properties_.Application + u' ' + properties_.Command;
        fire(&TGUI2Console::OnStart, commandLine);
        openLogFile();
        startProcess();
        // Only now: a program takes the priority of the thread that starts it, and runs at normal.
        plat::ChangeThreadPriority(properties_.Priority - tpNormal);
        readUntilTheProcessEnds();
        thread_.Synchronize([](TGUI2Console& runner) {
            if (auto handler = runner.OnPreTerminate)
                handler(&runner);
        });
        fire(&TGUI2Console::OnStatus, QStringLiteral("Normal Thread Termination"));
        // A child still running was told to stop: end it with everything it started.
        if (!child_.Reaped()) {
            child_.KillGroup();
            child_.Reap();
            takeExitCode();
        }
    }

    int ExitCode() const { return exitCode_; }
    pid_t ChildPid() const { return child_.Started() ? child_.Pid() : 0; }
    int ChildSignal() const { return child_.EndSignal(); }

    void fire(TConsoleTextEvent TGUI2Console::*event, const QString& text)
    {
        thread_.Synchronize([event, text](TGUI2Console& runner) {
            if (auto handler = runner.*event)
                handler(&runner, text);
        });
    }

private:
    bool terminated() const { return thread_.flags_->Terminated; }

    void openLogFile()
    {
        if (properties_.LogFile.isEmpty())
            return;
        logFile_.setFileName(properties_.LogFile);
        if (!logFile_.open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw EConsoleIOError(QStringLiteral("Cannot create file \"") + properties_.LogFile + u'"');
    }

    void startProcess()
    {
        plat::ChildProcess::Options options;
        options.WorkingFolder = properties_.HomeDirectory;
        options.Environment = properties_.Environment;
        options.PipeSize = PipeSizeBytes(properties_.PipeSize);
        const int error = child_.Start(properties_.Program, properties_.Arguments, options);
        if (error != 0 && child_.PipeFailed())
            throw EPipeCreate(error);
        if (error != 0)
            throw EProcessCreate(error);
    }

    void readUntilTheProcessEnds()
    {
        lines_.Reset();
        idle_ = 0;
        do {
            readStep();
            child_.WaitForOutput(5);
            if (child_.TryReap()) {
                if (child_.WaitError() != 0)
                    throw EWaitError(child_.WaitError());
                break;
            }
        } while (!terminated());
        // What the program wrote just before it ended is still in the pipe. Something it left running
        // may hold the pipe open, so stop at the first short read rather than at the end of the output.
        if (!terminated())
            while (readStep() == static_cast<std::int64_t>(buffer_.size()) && !terminated()) {
            }
        takeExitCode();
    }

    void takeExitCode()
    {
        if (child_.ExitCode())
            exitCode_ = *child_.ExitCode();
    }

    std::int64_t readStep()
    {
        const std::int64_t count = child_.Read(buffer_.data(), static_cast<std::int64_t>(buffer_.size()));
        if (count > 0) {
            idle_ = 0;
            splitLines(count);
        } else {
            idleStep();
        }
        return count;
    }

    void idleStep()
    {
        idle_ += 5;
        if (idle_ < properties_.TimeOutDelay)
            return;
        idle_ = 0;
        if (promptSeen_) {
            fire(&TGUI2Console::OnPrompt, currentLine_);
            promptSeen_ = false;
        } else if (properties_.AutoTerminate) {
            thread_.flags_->Terminated = true;
        } else {
            // Queued like every other event: the handler's answer reaches the worker through its flags.
            thread_.Synchronize([flags = thread_.flags_](TGUI2Console& runner) {
                bool terminate = false;
                if (auto handler = runner.OnTimeOut)
                    handler(&runner, terminate);
                if (terminate)
                    flags->Terminated = true;
            });
        }
    }

    void splitLines(std::int64_t count)
    {
        for (const QByteArray& line : lines_.Add(buffer_.data(), count)) {
            if (terminated())
                break;
            currentLine_ = QString::fromUtf8(line);
            if (!line.isEmpty()) {
                if (logFile_.isOpen())
                    logFile_.write(line + "\r\n");
                fire(&TGUI2Console::OnLine, currentLine_);
            }
            promptSeen_ = endsWithPrompt(currentLine_);
        }
        currentLine_.clear();
        if (!lines_.Unfinished().isEmpty()) {
            currentLine_ = QString::fromUtf8(lines_.Unfinished());
            promptSeen_ = endsWithPrompt(currentLine_);
        }
    }

    bool endsWithPrompt(const QString& line) const
    {
        return !properties_.Prompt.isEmpty() && line.endsWith(properties_.Prompt, Qt::CaseSensitive);
    }

    TConsoleThread& thread_;
    const TConsoleProperties& properties_;
    std::vector<char> buffer_;
    plat::ChildProcess child_;
    TLineStream lines_;
    QFile logFile_;
    int idle_ = 0;
    bool promptSeen_ = false;
    QString currentLine_;
    int exitCode_ = 1;
};

TConsoleThread::TConsoleThread(TGUI2Console* runner, const TConsoleProperties& properties)
    : runner_(runner), properties_(properties), thread_([this] { Execute(); })
{
}

TConsoleThread::~TConsoleThread()
{
    Join();
}

void TConsoleThread::Join()
{
    flags_->Terminated = true;
    if (thread_.joinable())
        thread_.join();
}

void TConsoleThread::Detach()
{
    flags_->Detached = true;
    flags_->Terminated = true;
}

void TConsoleThread::Execute()
{
    int exitCode = 1;
    {
        Run run(*this);
        try {
            run.Execute();
        } catch (const EKorvaneError& error) {
            run.fire(&TGUI2Console::OnError, error.Message());
        } catch (const std::exception& error) {
            run.fire(&TGUI2Console::OnError, QString::fromLocal8Bit(error.what()));
        } catch (...) {
            run.fire(&TGUI2Console::OnError, QStringLiteral("Unknown exception in the console runner"));
        }
        exitCode = run.ExitCode();
        childPid_ = run.ChildPid();
        childSignal_ = run.ChildSignal();
    } // a child still unreaped is killed and reaped here, and the pipe and log file are closed

    // The runner is idle again before OnDone runs, so its handler may start the next program.
    if (flags_->Detached)
        return;
    plat::RunOnMain(runner_, [flags = flags_, runner = runner_, worker = this, exitCode] {
        if (flags->Detached)
            return;
        runner->workerEnded(worker);
        Guarded([&] {
            if (auto handler = runner->OnDone)
                handler(runner, exitCode);
        });
    });
}

void TConsoleThread::Synchronize(std::function<void(TGUI2Console& runner)> call)
{
    if (flags_->Detached)
        return;
    plat::RunOnMain(runner_, [flags = flags_, runner = runner_, call = std::move(call)] {
        if (!flags->Detached)
            Guarded([&] { call(*runner); });
    });
}
