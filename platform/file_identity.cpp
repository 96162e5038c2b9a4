#include "platform/file_identity.h"

#include <QFile>
#include <QFileInfo>

#include <optional>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace plat {

namespace {

// The device and inode, and the birth time where the file system keeps one: an inode number freed by a
// deletion may be given at once to the next new file, which is then another file all the same.
QByteArray identityOf(int folder, const char* path, int flags)
{
    struct statx status {};
    if (::statx(folder, path, flags | AT_SYMLINK_NOFOLLOW, STATX_INO | STATX_BTIME, &status) != 0)
        return {};
    QByteArray text = QByteArray::number(quint64(::makedev(status.stx_dev_major, status.stx_dev_minor))) +
                      ':' + QByteArray::number(quint64(status.stx_ino));
    if (status.stx_mask & STATX_BTIME)
        text += ':' + QByteArray::number(qint64(status.stx_btime.tv_sec)) + '.' +
                QByteArray::number(quint64(status.stx_btime.tv_nsec));
    return text;
}

QByteArray identityOfDescriptor(int fd)
{
    return identityOf(fd, "", AT_EMPTY_PATH);
}

bool syncPath(const QByteArray& path, int flags)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | flags);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

// An unnamed file in the folder that takes its name once it is known: 0 or the error of naming it;
// nothing where the folder takes no unnamed file.
std::optional<int> makeUnnamed(const QByteArray& folder, const QByteArray& path,
                               const std::function<void(const QByteArray&)>& beforeNamed)
{
    const int fd = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0)
        return std::nullopt;
    beforeNamed(identityOfDescriptor(fd));
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
    const int error =
        ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, path.constData(), AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
    ::close(fd);
    return error;
}

// Where the file system cannot refuse to replace for us.
int moveOntoFreeName(const QByteArray& source, const QByteArray& target)
{
    if (::link(source.constData(), target.constData()) == 0) {
        ::unlink(source.constData());
        return 0;
    }
    if (errno != EPERM && errno != ENOTSUP)
        return errno;
    // No links either (FAT): a small window in which another file may take the name.
    struct stat status {};
    if (::lstat(target.constData(), &status) == 0)
        return EEXIST;
    return ::rename(source.constData(), target.constData()) == 0 ? 0 : errno;
}

} // namespace

QByteArray IdentityOf(const QString& name)
{
    return name.isEmpty() ? QByteArray() : identityOf(AT_FDCWD, QFile::encodeName(name).constData(), 0);
}

bool IsOwnRegularFile(const QString& name)
{
    struct stat status {};
    return ::lstat(QFile::encodeName(name).constData(), &status) == 0 && S_ISREG(status.st_mode) &&
           status.st_uid == ::geteuid();
}

bool IsOwnFileWithIdentity(const QString& name, const QByteArray& identity)
{
    return !identity.isEmpty() && IsOwnRegularFile(name) && IdentityOf(name) == identity;
}

int MakeNewFile(const QString& name, const std::function<void(const QByteArray& identity)>& beforeNamed)
{
    const QByteArray path = QFile::encodeName(name);
    if (const auto named = makeUnnamed(QFile::encodeName(QFileInfo(name).absolutePath()), path, beforeNamed))
        return *named;
    // Without unnamed files the name comes first; a kill right then leaves an empty file unaccounted for.
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno;
    beforeNamed(identityOfDescriptor(fd));
    ::close(fd);
    return 0;
}

int MoveFile(const QString& from, const QString& to, bool noReplace)
{
    const QByteArray source = QFile::encodeName(from), target = QFile::encodeName(to);
    if (!noReplace)
        return ::rename(source.constData(), target.constData()) == 0 ? 0 : errno;
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    return errno == EINVAL || errno == ENOSYS ? moveOntoFreeName(source, target) : errno;
}

bool SyncToDisk(const QString& name)
{
    return syncPath(QFile::encodeName(name), O_NONBLOCK) && SyncFolderOf(name);
}

bool SyncFolderOf(const QString& name)
{
    return syncPath(QFile::encodeName(QFileInfo(name).absolutePath()), O_DIRECTORY);
}

} // namespace plat
