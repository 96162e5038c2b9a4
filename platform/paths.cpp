#include "platform/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace plat {

namespace {

QString& programFolderOverride()
{
    static QString folder;
    return folder;
}

QString& executableNameOverride()
{
    static QString name;
    return name;
}

QFileInfo runningExecutable()
{
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget());
}

QString executableFolder()
{
    return WithTrailingSlash(runningExecutable().absolutePath());
}

} // namespace

QString WithTrailingSlash(const QString& folder)
{
    if (folder.isEmpty() || folder.endsWith(u'/'))
        return folder;
    return folder + u'/';
}

QString ProgramFolder()
{
    const QString& forced = programFolderOverride();
    return forced.isEmpty() ? executableFolder() : forced;
}

void SetProgramFolder(const QString& folder)
{
    programFolderOverride() = WithTrailingSlash(folder);
}

QString ExecutableName()
{
    const QString& forced = executableNameOverride();
    return forced.isEmpty() ? runningExecutable().fileName() : forced;
}

void SetExecutableName(const QString& name)
{
    executableNameOverride() = name;
}

bool IsWriteProtected(const QString& name)
{
    return WriteProtectionError(name) != 0;
}

int WriteProtectionError(const QString& name)
{
    const QByteArray path = QFile::encodeName(name);
    struct stat status {};
    if (::stat(path.constData(), &status) != 0)
        return 0;
    if ((status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return EACCES;
    const int wanted = S_ISDIR(status.st_mode) ? (W_OK | X_OK) : W_OK;
    return ::access(path.constData(), wanted) == 0 ? 0 : errno;
}

QString HomeFolder()
{
    return WithTrailingSlash(QDir::homePath());
}

QString ApplicationDataFolder()
{
    const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!configHome.isEmpty() && QDir::isAbsolutePath(configHome))
        return WithTrailingSlash(configHome);
    return HomeFolder() + QStringLiteral(".config/");
}

QString TempFolder()
{
    // A TMPDIR that names no folder is ignored: nothing temporary may land at the root instead.
    const QString variable = qEnvironmentVariable("TMPDIR");
    const bool usable =
        QDir::isAbsolutePath(variable) && QFileInfo(variable).isDir() && !IsRootFolder(variable);
    return WithTrailingSlash(usable ? QDir::cleanPath(variable) : QStringLiteral("/tmp"));
}

bool IsRootFolder(const QString& folder)
{
    return !folder.isEmpty() && QFileInfo(folder).canonicalFilePath() == QStringLiteral("/");
}

QString PersonalFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir())
        return WithTrailingSlash(documents);
    return HomeFolder();
}

QString SoundFolder()
{
    const QString sounds = QStringLiteral("/usr/share/sounds/");
    return QFileInfo(sounds).isDir() ? sounds : HomeFolder();
}

} // namespace plat
