#include "platform/process.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
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

class SpawnSettings {
public:
    SpawnSettings()
        : actionsError_(posix_spawn_file_actions_init(&actions_)),
          attributesError_(posix_spawnattr_init(&attributes_))
    {
    }
    ~SpawnSettings()
    {
        if (actionsError_ == 0)
            posix_spawn_file_actions_destroy(&actions_);
        if (attributesError_ == 0)
            posix_spawnattr_destroy(&attributes_);
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;

    // Output and errors go to the pipe; standard input is /dev/null, so a program that asks a question
    // reads its end instead of waiting for ever. The pipe is redirected first, in case it took fd 0.
    int Configure(int pipeWriteEnd, const QString& workingFolder)
    {
        int error = actionsError_ != 0 ? actionsError_ : attributesError_;
        if (error == 0)
            error = posix_spawn_file_actions_adddup2(&actions_, pipeWriteEnd, STDOUT_FILENO);
        if (error == 0)
            error = posix_spawn_file_actions_adddup2(&actions_, pipeWriteEnd, STDERR_FILENO);
        if (error == 0)
            error = posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        if (error == 0 && !workingFolder.isEmpty())
            error =
                posix_spawn_file_actions_addchdir_np(&actions_, QFile::encodeName(workingFolder).constData());
        if (error != 0)
            return error;

        // A group of its own, so that a cancel reaches everything the program started; signals the
        // caller ignores or blocks (SIGPIPE, worker-thread masks) are not handed down.
        sigset_t all, none;
        sigfillset(&all);
        sigemptyset(&none);
        error = posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF |
                                                           POSIX_SPAWN_SETSIGMASK);
        if (error == 0)
            error = posix_spawnattr_setpgroup(&attributes_, 0);
        if (error == 0)
            error = posix_spawnattr_setsigdefault(&attributes_, &all);
        if (error == 0)
            error = posix_spawnattr_setsigmask(&attributes_, &none);
        return error;
    }

    const posix_spawn_file_actions_t* Actions() const { return &actions_; }
    const posix_spawnattr_t* Attributes() const { return &attributes_; }

private:
    posix_spawn_file_actions_t actions_;
    posix_spawnattr_t attributes_;
    int actionsError_;
    int attributesError_;
};

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

    SpawnSettings settings;
    if (error == 0)
        error = settings.Configure(pipeEnds[1], options.WorkingFolder);
    if (error == 0) {
        CStringArray argv(QStringList(program) + arguments);
        CStringArray environment(options.Environment);
        error = ::posix_spawn(&pid_, QFile::encodeName(path).constData(), settings.Actions(),
                              settings.Attributes(), argv.Data(),
                              options.Environment.isEmpty() ? environ : environment.Data());
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
