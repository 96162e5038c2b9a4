#include "foundation/file_tools.h"

#include "platform/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

#include <optional>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const int kUniqueCandidates = 50;

QString absoluteName(const QString& name)
{
    return QDir::cleanPath(QFileInfo(name).absoluteFilePath());
}

// Follows links; a link whose target is gone is still an entry of its folder.
std::optional<struct stat> entryStatus(const QString& name)
{
    if (name.isEmpty())
        return std::nullopt;
    const QByteArray path = QFile::encodeName(absoluteName(name));
    struct stat status {};
    if (::stat(path.constData(), &status) == 0 || ::lstat(path.constData(), &status) == 0)
        return status;
    return std::nullopt;
}

QString namePart(const QString& name)
{
    return name.mid(name.lastIndexOf(u'/') + 1);
}

QString folderPart(const QString& name)
{
    return name.left(name.lastIndexOf(u'/') + 1);
}

bool isBelow(const QString& path, const QString& folder)
{
    return path == folder || path.startsWith(folder + u'/');
}

std::optional<dev_t> deviceOf(const QString& path)
{
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return std::nullopt;
    return status.st_dev;
}

QString parentOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

// The folder where the file system holding the path (or its nearest existing folder) is mounted.
QString mountRoot(QString path)
{
    std::optional<dev_t> device = deviceOf(path);
    while (!device && path != u'/') {
        path = parentOf(path);
        device = deviceOf(path);
    }
    while (path != u'/' && deviceOf(parentOf(path)) == device)
        path = parentOf(path);
    return path;
}

QString& systemFoldersRoot()
{
    static QString root = QStringLiteral("/");
    return root;
}

// The kernel's own file systems: processes, devices. The memory file system below /dev takes files.
bool isKernelFolder(const QString& path)
{
    const QString& root = systemFoldersRoot();
    if (isBelow(path, root + QStringLiteral("dev/shm")))
        return false;
    for (const char* folder : {"proc", "sys", "dev"}) {
        if (isBelow(path, root + QLatin1String(folder)))
            return true;
    }
    return false;
}

// The system's reason why the entry cannot be replaced, 0 when it can.
int replaceError(const QString& name)
{
    if (name.isEmpty())
        return ENOENT;
    const QString absolute = absoluteName(name);
    const QString folderName = parentOf(absolute);
    struct stat entry {};
    struct stat folder {};
    if (::lstat(QFile::encodeName(absolute).constData(), &entry) != 0 ||
        ::stat(QFile::encodeName(folderName).constData(), &folder) != 0)
        return errno;
    const bool fileOrLink = S_ISREG(entry.st_mode) || S_ISLNK(entry.st_mode);
    return ReplaceError({entry.st_mode, entry.st_uid, folder.st_mode, folder.st_uid, ::geteuid(),
                         plat::WriteProtectionError(folderName),
                         fileOrLink ? plat::WriteProtectionError(absolute) : 0});
}

bool isSystemName(const QString& component)
{
    static const QStringList names = {QStringLiteral("System Volume Information"),
                                      QStringLiteral("Recycled"),
                                      QStringLiteral("Recycler"),
                                      QStringLiteral("Incinerate"),
                                      QStringLiteral(".Trash"),
                                      QStringLiteral("lost+found")};
    return names.contains(component, Qt::CaseInsensitive) ||
           component.startsWith(QStringLiteral(".Trash-"), Qt::CaseInsensitive);
}

} // namespace

bool PathStartsWith(const QString& path, const QString& prefix)
{
    return !prefix.isEmpty() && path.startsWith(prefix, Qt::CaseInsensitive);
}

bool IsSystemFolder(const QString& path)
{
    const QString trimmed = path.trimmed();
    if (trimmed.isEmpty())
        return false;
    const QString absolute = absoluteName(trimmed);
    const QString trash =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Trash");
    if (isKernelFolder(absolute) || isBelow(absolute, trash))
        return true;
    const QString root = mountRoot(absolute);
    const QString below = absolute.mid(root.size()).section(u'/', 0, 0, QString::SectionSkipEmpty);
    return isSystemName(below);
}

std::int64_t GetFileSizeEx(const QString& name)
{
    const auto status = entryStatus(name);
    if (!status)
        return -1;
    return S_ISREG(status->st_mode) ? std::int64_t(status->st_size) : 0;
}

bool FileExistsEx(const QString& name)
{
    return entryStatus(name.trimmed()).has_value();
}

bool IsFileReadOnly(const QString& name)
{
    return entryStatus(name) && plat::IsWriteProtected(absoluteName(name));
}

bool IsFolderReadOnly(const QString& folder)
{
    QString path = folder;
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    const auto status = entryStatus(path);
    return !status || plat::IsWriteProtected(absoluteName(path));
}

void SetSystemFoldersRoot(const QString& root)
{
    systemFoldersRoot() = root.isEmpty() ? QStringLiteral("/") : plat::WithTrailingSlash(root);
}

int ReplaceError(const TReplaceFacts& facts)
{
    // Only files and links to them: an output named after a device (say /dev/full) must never unlink the
    // device node, which root could do.
    if (S_ISDIR(facts.EntryMode))
        return EISDIR;
    if (!S_ISREG(facts.EntryMode) && !S_ISLNK(facts.EntryMode))
        return EEXIST;
    // Removing a name writes to its folder.
    if (facts.FolderWriteError != 0)
        return facts.FolderWriteError;
    // In a sticky folder only root, the file's owner or the folder's may remove a name.
    if ((facts.FolderMode & S_ISVTX) && facts.User != 0 && facts.User != facts.EntryOwner &&
        facts.User != facts.FolderOwner)
        return EPERM;
    // A read-only file is kept, even where its folder would let it go.
    return facts.EntryWriteError;
}

QString ReplaceRefusal(const QString& name)
{
    const int error = replaceError(name.trimmed());
    return error == 0 ? QString() : qt_error_string(error);
}

bool IsReplaceableFile(const QString& name)
{
    return replaceError(name.trimmed()) == 0;
}

QString FileIdentityKey(const QString& name)
{
    if (name.isEmpty())
        return QString();
    const QString absolute = absoluteName(name);
    struct stat status {};
    if (::stat(QFile::encodeName(absolute).constData(), &status) == 0)
        return QStringLiteral("%1:%2").arg(status.st_dev).arg(status.st_ino);
    const QString folder = folderPart(absolute);
    const QString real = QFileInfo(folder).canonicalFilePath();
    return ((real.isEmpty() ? folder : plat::WithTrailingSlash(real)) + namePart(absolute)).toCaseFolded();
}

bool DeleteFileIfWritable(const QString& name, QString* reason)
{
    const QString trimmed = name.trimmed();
    int error = replaceError(trimmed);
    if (error == 0 && ::unlink(QFile::encodeName(absoluteName(trimmed)).constData()) != 0)
        error = errno;
    if (error != 0 && reason)
        *reason = qt_error_string(error);
    return error == 0;
}

QString GetLowerExtension(const QString& name)
{
    const QString part = namePart(name);
    const qsizetype dot = part.lastIndexOf(u'.');
    return dot < 0 ? QString() : part.mid(dot).toLower();
}

QString ExtractFileNameNoExt(const QString& name)
{
    const QString part = namePart(name);
    const qsizetype dot = part.lastIndexOf(u'.');
    return dot < 0 ? part : part.left(dot).trimmed();
}

QString RemoveFileExt(const QString& name)
{
    return folderPart(name) + ExtractFileNameNoExt(name);
}

QString ExpandLongFileName(const QString& name)
{
    return name;
}

QString ExtractLongFilePath(const QString& name)
{
    const QString folder = folderPart(name);
    return folder.size() > 1 ? folder.chopped(1) : folder;
}

QString MakeUniqueFileName(const QString& name)
{
    if (!FileExistsEx(name))
        return name;
    const QString stem = RemoveFileExt(name) + u'-';
    const QString extension = GetLowerExtension(name);
    for (int n = 1; n <= kUniqueCandidates; ++n) {
        const QString candidate = stem + QString::number(n) + extension;
        if (!FileExistsEx(candidate))
            return candidate;
    }
    return QString();
}
