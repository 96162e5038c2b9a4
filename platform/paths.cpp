#include "platform/paths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace plat {

namespace {

QString& programFolderOverride()
{
    static QString folder;
    return folder;
}

QString executableFolder()
{
    const QFileInfo executable(QStringLiteral("/proc/self/exe"));
    return WithTrailingSlash(QFileInfo(executable.symLinkTarget()).absolutePath());
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
    return WithTrailingSlash(QDir::tempPath());
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
