#include "foundation/useful_registry.h"

#include "platform/dialogs.h"
#include "platform/paths.h"

#include <exception>

namespace {

void debugBox(bool debug, const QString& text)
{
    if (debug)
        plat::MessageDlg(text, plat::TMsgDlgType::mtCustom, plat::mbOK);
}

} // namespace

QString GetRegistryString(plat::RegistryRoot rootKey, const QString& rootName, const QString& keyPath,
                          const QString& value, bool debug, const QString& valueName)
{
    const QString keyText = rootName + u'\\' + keyPath;
    const QString valueText = keyText + u'\\' + valueName;
    try {
        debugBox(debug, QStringLiteral("Will read: ") + valueText);
        const auto key = plat::RegistryKey::Open(rootKey, keyPath, false);
        if (!key) {
            debugBox(debug, QStringLiteral("Unable to open ") + keyText);
            return QString();
        }
        const std::optional<QString> text = key->ReadString(value);
        if (!text) {
            debugBox(debug, QStringLiteral("Unable to open ") + valueText);
            return QString();
        }
        return text->trimmed();
    } catch (const std::exception&) {
        debugBox(debug, QStringLiteral("GetRegistryString Exception Caught ;-)"));
        return QString();
    }
}

QString GetPersonalFolder()
{
    return plat::PersonalFolder();
}

QString GetAppDataFolder()
{
    return plat::ApplicationDataFolder();
}

QString GetSystemFolder()
{
    return QStringLiteral("/usr/lib");
}

QString GetWindowsFolder()
{
    return QStringLiteral("/usr");
}
