#include "platform/journal_file.h"

#include "platform/file_identity.h"
#include "platform/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {

namespace {

constexpr int kCreateAttempts = 20;
const QString kJournalSuffix = QStringLiteral(".journal");

bool makePrivateFolder(const QString& folder)
{
    const QString parent = QFileInfo(QDir::cleanPath(folder)).absolutePath();
    if (!QDir().mkpath(parent))
        return false;
    return ::mkdir(QFile::encodeName(folder).constData(), 0700) == 0 || errno == EEXIST;
}

bool writeWhole(int fd, const char* data, qsizetype count)
{
    while (count > 0) {
        const ssize_t written = ::write(fd, data, std::size_t(count));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        count -= written;
    }
    return true;
}

QByteArray readWhole(int fd)
{
    QByteArray content;
    char buffer[65536];
    for (;;) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return content;
        content.append(buffer, count);
    }
}

// A line cut short by the end of its process has no line feed: it says nothing.
QList<QByteArray> wholeLines(const QByteArray& content)
{
    QList<QByteArray> lines = content.split('\n');
    lines.removeLast();
    return lines;
}

// The lock is ours and the file still has its name: no other process holds it or has dealt with it.
bool lockedWhileNamed(int fd, struct stat& status)
{
    return ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &status) == 0 && status.st_nlink > 0;
}

// Left by a process that died, and the user's own journal.
bool isDeadAndOurs(int fd)
{
    struct stat status {};
    return lockedWhileNamed(fd, status) && S_ISREG(status.st_mode) && status.st_uid == ::geteuid();
}

} // namespace

JournalFile::~JournalFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool JournalFile::Create(const QString& folder)
{
    if (IsOpen())
        return true;
    const QString start = WithTrailingSlash(folder);
    if (!makePrivateFolder(start))
        return false;
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        const QString name = start + QString::number(::getpid()) + u'-' +
                             QString::number(QRandomGenerator::global()->generate64(), 36) + kJournalSuffix;
        const int fd = ::open(QFile::encodeName(name).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0 && errno != EEXIST)
            return false;
        if (fd < 0)
            continue;
        // Until the lock is held, another start may take the new journal for a dead one and delete it.
        struct stat status {};
        if (lockedWhileNamed(fd, status)) {
            fd_ = fd;
            name_ = name;
            SyncFolderOf(name);
            return true;
        }
        ::close(fd);
    }
    return false;
}

bool JournalFile::Append(const QByteArray& line)
{
    if (!IsOpen())
        return false;
    const QByteArray whole = line + '\n';
    return writeWhole(fd_, whole.constData(), whole.size()) && ::fdatasync(fd_) == 0;
}

void JournalFile::Remove()
{
    if (!IsOpen())
        return;
    // The name goes first: a journal must never be seen unlocked while it has one.
    ::unlink(QFile::encodeName(name_).constData());
    ::close(fd_);
    fd_ = -1;
    name_.clear();
}

void RecoverJournals(const QString& folder,
                     const std::function<void(const QList<QByteArray>& lines)>& recover)
{
    const QString start = WithTrailingSlash(folder);
    for (const QString& entry : QDir(start).entryList({u'*' + kJournalSuffix}, QDir::Files)) {
        const QByteArray name = QFile::encodeName(start + entry);
        const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue;
        // A journal deleted meanwhile has been dealt with by another start.
        if (isDeadAndOurs(fd)) {
            recover(wholeLines(readWhole(fd)));
            ::unlink(name.constData());
        }
        ::close(fd);
    }
}

} // namespace plat
