#include "foundation/useful_ini.h"

#include "foundation/useful_registry.h"
#include "platform/paths.h"

#include <QDir>
#include <QFileInfo>

QString GetIniFileName(const QString& name, const QString& suffix)
{
    const QString storeName = name.toLower();
    // A new account may have no configuration folder yet: make the whole path.
    const QString candidate = plat::WithTrailingSlash(GetAppDataFolder() + storeName);
    QDir().mkpath(candidate);
    const QString folder = QFileInfo(candidate).isDir() ? candidate : plat::ProgramFolder();
    return folder + storeName + suffix + QStringLiteral(".ini");
}
