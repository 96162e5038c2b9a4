#include "platform/process.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

extern char** environ;

namespace plat {

namespace {

// A null-terminated array of C strings that owns its texts.
class CStringArray {
public:
    explicit CStringArray(const QStringList& texts)
    {
        for (const QString& text : texts)
            storage_.push_back(QFile::encodeName(text));
        for (QByteArray& text : storage_)
            pointers_.push_back(text.data());
        pointers_.push_back(nullptr);
    }
    char** Data() { return pointers_.data(); }

private:
    std::vector<QByteArray> storage_;
    std::vector<char*> pointers_;
};

// Everything the child needs between fork and exec, ready beforehand: the child may only make system
// calls, never allocate (another thread may have held the allocator's lock at the fork).
struct ChildSetup {
    QByteArray Path;
    char** Arguments;
    char** Environment;
    QByteArray WorkingFolder; // empty: the caller's
    int OutputFd;
};

[[noreturn]] void failChild(int errorFd)
{
    const int error = errno;
    while (::write(errorFd, &error, sizeof error) < 0 && errno == EINTR) {
    }
    ::_exit(127);
}

// Output and errors go to the pipe; standard input is /dev/null, so a program that asks a question
// reads its end instead of waiting for ever.
void redirectChild(int outputFd, int errorFd)
{
    if (::dup2(outputFd, STDOUT_FILENO) < 0 || ::dup2(outputFd, STDERR_FILENO) < 0)
        failChild(errorFd);
    // A descriptor that already had the number keeps its close-on-exec flag through dup2.
    if (outputFd <= STDERR_FILENO && ::fcntl(outputFd, F_SETFD, 0) != 0)
        failChild(errorFd);
    const int input = ::open("/dev/null", O_RDONLY);
    if (input < 0 || ::dup2(input, STDIN_FILENO) < 0)
        failChild(errorFd);
    if (input > STDERR_FILENO)
        ::close(input);
}

// errorFd: where the child reports a failure before exec; a successful exec closes it.
[[noreturn]] void runChild(const ChildSetup& setup, pid_t parent, int errorFd)
{
    // A group of its own, so that a cancel reaches everything the program started.
    if (::setpgid(0, 0) != 0)
        failChild(errorFd);
    // The program ends with the thread that started it, which waits for it: however this process ends,
    // even killed outright, no tool goes on writing after it.
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0)
        failChild(errorFd);
    if (::getppid() != parent)
        ::_exit(127);
    // Signals the caller ignores or blocks (SIGPIPE, worker-thread masks) are not handed down.
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    for (int signal = 1; signal < NSIG; ++signal)
        ::sigaction(signal, &standard, nullptr);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    redirectChild(setup.OutputFd, errorFd);
    if (!setup.WorkingFolder.isEmpty() && ::chdir(setup.WorkingFolder.constData()) != 0)
        failChild(errorFd);
    ::execve(setup.Path.constData(), setup.Arguments, setup.Environment);
    failChild(errorFd);
}

// Starts the child: 0 with its id, or the error of the fork, or of whatever failed in the child before
// its program ran (then reaped).
int spawnChild(const ChildSetup& setup, pid_t& pid)
{
    int errorPipe[2];
    if (::pipe2(errorPipe, O_CLOEXEC) != 0)
        return errno;
    const pid_t parent = ::getpid();
    pid = ::fork();
    if (pid == 0)
        runChild(setup, parent, errorPipe[1]);
    const int forkError = pid < 0 ? errno : 0;
    ::close(errorPipe[1]);
    int childError = 0;
    ssize_t count;
    do
        count = ::read(errorPipe[0], &childError, sizeof childError);
    while (count < 0 && errno == EINTR);
    ::close(errorPipe[0]);
    if (forkError != 0)
        return forkError;
    if (count <= 0)
        return 0;
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    return childError != 0 ? childError : ECHILD;
}

bool IsExecutableFile(const QByteArray& path)
{
    struct stat info {};
    return ::stat(path.constData(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.constData(), X_OK) == 0;
}

QString QuotedForDisplay(const QString& argument)
{
    const bool needsQuotes = argument.isEmpty() || std::any_of(argument.begin(), argument.end(),
                                                               [](QChar c) { return c.isSpace(); });
    return needsQuotes ? u'"' + argument + u'"' : argument;
}

} // namespace

ChildProcess::~ChildProcess()
{
    if (Started() && !reaped_) {
        KillGroup();
        Reap();
    }
    closeOutput();
}

int ChildProcess::Start(const QString& program, const QStringList& arguments, const Options& options)
{
    Q_ASSERT(!Started());
    commandLine_ = CommandLineText(program, arguments);
    const QString path = SearchPath(program);
    if (path.isEmpty())
        return ENOENT;

    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
        pipeFailed_ = true;
        return errno;
    }
    if (options.PipeSize > 0)
        ::fcntl(pipeEnds[0], F_SETPIPE_SZ, options.PipeSize); // a refused size keeps the default
    // A blocking read end would hang the caller's polling loop.
    const int flags = ::fcntl(pipeEnds[0], F_GETFL);
    int error = flags < 0 || ::fcntl(pipeEnds[0], F_SETFL, flags | O_NONBLOCK) != 0 ? errno : 0;

    if (error == 0) {
        CStringArray argv(QStringList(program) + arguments);
        CStringArray environment(options.Environment);
        const ChildSetup setup{QFile::encodeName(path), argv.Data(),
                               options.Environment.isEmpty() ? environ : environment.Data(),
                               QFile::encodeName(options.WorkingFolder), pipeEnds[1]};
        error = spawnChild(setup, pid_);
    }
    ::close(pipeEnds[1]);
    if (error != 0) {
        pid_ = -1;
        ::close(pipeEnds[0]);
        return error;
    }
    outputFd_ = pipeEnds[0];
    return 0;
}

QString ChildProcess::CommandLineText(const QString& program, const QStringList& arguments)
{
    QString text = u'"' + program + u'"';
    for (const QString& argument : arguments)
        text += u' ' + QuotedForDisplay(argument);
    return text;
}

void ChildProcess::WaitForOutput(int timeoutMs)
{
    pollfd output{outputFd_, POLLIN, 0};
    const bool waitForPipe = outputFd_ >= 0 && !outputEnded_;
    ::poll(waitForPipe ? &output : nullptr, waitForPipe ? 1 : 0, timeoutMs);
}

std::int64_t ChildProcess::Read(char* buffer, std::int64_t size)
{
    while (outputFd_ >= 0) {
        const ssize_t count = ::read(outputFd_, buffer, static_cast<size_t>(size));
        if (count > 0)
            return count;
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return 0;
        // The end of the output, or a pipe that cannot be read any more.
        outputEnded_ = true;
        closeOutput();
    }
    return 0;
}

bool ChildProcess::TryReap()
{
    if (!Started() || reaped_)
        return reaped_;
    int status = 0;
    pid_t result;
    do
        result = ::waitpid(pid_, &status, WNOHANG);
    while (result < 0 && errno == EINTR);
    if (result == 0)
        return false;
    if (result < 0) {
        waitError_ = errno;
        reaped_ = true; // nothing left to wait for, and its id must not be signalled any more
        return true;
    }
    reaped(status);
    return true;
}

void ChildProcess::Reap()
{
    if (!Started() || reaped_)
        return;
    int status = 0;
    pid_t result;
    do
        result = ::waitpid(pid_, &status, 0);
    while (result < 0 && errno == EINTR);
    if (result < 0) {
        waitError_ = errno;
        reaped_ = true;
        return;
    }
    reaped(status);
}

void ChildProcess::KillGroup()
{
    if (Started() && !reaped_)
        ::kill(-pid_, SIGKILL);
}

QString ChildProcess::SearchPath(const QString& name)
{
    if (name.isEmpty())
        return {};
    if (name.contains(u'/'))
        return QFileInfo::exists(name) ? name : QString();
    QByteArray path = qgetenv("PATH");
    if (path.isNull())
        path = "/bin:/usr/bin";
    for (const QByteArray& folder : path.split(':')) {
        const QByteArray candidate =
            (folder.isEmpty() ? QByteArray(".") : folder) + '/' + QFile::encodeName(name);
        if (IsExecutableFile(candidate))
            return QFile::decodeName(candidate);
    }
    return {};
}

void ChildProcess::reaped(int status)
{
    reaped_ = true;
    if (WIFEXITED(status))
        exitCode_ = WEXITSTATUS(status);
    else if (WIFSIGNALED(status)) {
        endSignal_ = WTERMSIG(status);
        exitCode_ = 128 + endSignal_;
    }
}

void ChildProcess::closeOutput()
{
    if (outputFd_ >= 0)
        ::close(outputFd_);
    outputFd_ = -1;
}

bool ChangeThreadPriority(int steps)
{
    // On Linux a nice value belongs to each thread: the calling thread's id names it alone.
    const id_t thread = static_cast<id_t>(::gettid());
    errno = 0;
    const int current = ::getpriority(PRIO_PROCESS, thread);
    if (errno != 0)
        return false;
    return ::setpriority(PRIO_PROCESS, thread, std::clamp(current - steps, -20, 19)) == 0;
}

} // namespace plat
