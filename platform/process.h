#pragma once

#include <QString>
#include <QStringList>

#include <sys/types.h>

#include <cstdint>
#include <optional>

// One child program with its standard output and standard error on one pipe.
namespace plat {

class ChildProcess {
public:
    struct Options {
        QString WorkingFolder;   // empty: the caller's
        QStringList Environment; // "NAME=value" entries; empty: the caller's environment
        int PipeSize = 0;        // bytes asked of the kernel for the pipe; 0: its default
    };

    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    // A child still running is killed with its group and reaped: nothing outlives its owner.
    ~ChildProcess();

    // Runs program with exactly these arguments (no shell, nothing re-parsed), standard input from
    // /dev/null, in a process group of its own. A program name without "/" is looked up in PATH.
    // Returns 0, or the system error code (2 for a missing program, 13 for one that may not run).
    int Start(const QString& program, const QStringList& arguments, const Options& options);
    int Start(const QString& program, const QStringList& arguments) { return Start(program, arguments, {}); }

    bool Started() const { return pid_ > 0; }
    // Whether Start failed because no pipe could be made (rather than no process).
    bool PipeFailed() const { return pipeFailed_; }
    pid_t Pid() const { return pid_; }
    // The command line as it is shown to the user, never parsed: the program in double quotes, then the
    // arguments, each in double quotes when it is empty or holds a blank.
    QString CommandLine() const { return commandLine_; }
    static QString CommandLineText(const QString& program, const QStringList& arguments);

    // Waits up to timeoutMs for output or its end. Once the output has ended it only sleeps, so that a
    // polling loop never spins.
    void WaitForOutput(int timeoutMs);
    // The bytes waiting in the pipe, at most size of them; 0 when none is waiting or the output ended.
    std::int64_t Read(char* buffer, std::int64_t size);
    // The child and everything it started have closed the pipe.
    bool OutputEnded() const { return outputEnded_; }

    // True once the child has ended and is reaped (or can no longer be waited for: see WaitError).
    bool TryReap();
    void Reap();
    bool Reaped() const { return reaped_; }
    // The errno of a failed wait; 0 when waiting worked.
    int WaitError() const { return waitError_; }
    // The exit code once reaped: the program's own, or 128 + the signal that ended it.
    std::optional<int> ExitCode() const { return exitCode_; }
    // The signal that ended the child; 0 when it ended by itself or is not reaped yet.
    int EndSignal() const { return endSignal_; }

    // Kills the child's whole group. Only while the child is unreaped: afterwards its id may belong to
    // another process.
    void KillGroup();

    // The program that PATH gives for a name, as the system's search would; a name holding "/" is
    // taken as it stands when a file is there. Empty when nothing is found.
    static QString SearchPath(const QString& name);

private:
    void reaped(int status);
    void closeOutput();

    pid_t pid_ = -1;
    bool pipeFailed_ = false;
    int outputFd_ = -1;
    bool outputEnded_ = false;
    bool reaped_ = false;
    int waitError_ = 0;
    std::optional<int> exitCode_;
    int endSignal_ = 0;
    QString commandLine_;
};

// Moves the calling thread's scheduling priority by steps from the one it has: a negative step lowers it
// (one nice level each), a positive one raises it where the system lets this user. False when the system
// refused. Programs the thread starts afterwards inherit it.
bool ChangeThreadPriority(int steps);

} // namespace plat
