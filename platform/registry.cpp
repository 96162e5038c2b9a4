#include "platform/registry.h"

#include "platform/ini_file.h"
#include "platform/paths.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>

namespace plat {

namespace {

QString& registryFileOverride()
{
    static QString fileName;
    return fileName;
}

QString rootName(RegistryRoot root)
{
    switch (root) {
    case RegistryRoot::ClassesRoot:
        return QStringLiteral("HKEY_CLASSES_ROOT");
    case RegistryRoot::CurrentUser:
        return QStringLiteral("HKEY_CURRENT_USER");
    case RegistryRoot::LocalMachine:
        return QStringLiteral("HKEY_LOCAL_MACHINE");
    case RegistryRoot::Users:
        return QStringLiteral("HKEY_USERS");
    case RegistryRoot::PerformanceData:
        return QStringLiteral("HKEY_PERFORMANCE_DATA");
    case RegistryRoot::CurrentConfig:
        return QStringLiteral("HKEY_CURRENT_CONFIG");
    case RegistryRoot::DynData:
        return QStringLiteral("HKEY_DYN_DATA");
    }
    return QString();
}

QString sectionFor(RegistryRoot root, const QString& keyPath)
{
    const QStringList parts = keyPath.split(u'\\', Qt::SkipEmptyParts);
    return parts.isEmpty() ? rootName(root) : rootName(root) + u'\\' + parts.join(u'\\');
}

// A key exists when it has a section of its own or a sub-key does.
bool keyExists(const IniText& text, const QString& section)
{
    const QString prefix = section + u'\\';
    const QStringList sections = text.Sections();
    return std::any_of(sections.begin(), sections.end(), [&](const QString& existing) {
        return SameTextAscii(existing, section) || SameTextAscii(existing.left(prefix.size()), prefix);
    });
}

QString valueKey(const QString& name)
{
    return name.isEmpty() ? QStringLiteral("@") : name;
}

// Writes go to a file in a folder of our own, which may not exist yet.
bool makeFolderFor(const QString& fileName)
{
    return QDir().mkpath(QFileInfo(fileName).absolutePath());
}

} // namespace

QString RegistryFileName()
{
    const QString& forced = registryFileOverride();
    return forced.isEmpty() ? ApplicationDataFolder() + QStringLiteral("korvane/registry.ini") : forced;
}

void SetRegistryFileName(const QString& fileName)
{
    registryFileOverride() = fileName;
}

std::optional<RegistryKey> RegistryKey::Open(RegistryRoot root, const QString& keyPath, bool create)
{
    if (root == RegistryRoot::ClassesRoot)
        return create ? std::optional<RegistryKey>(RegistryKey(QString(), true)) : std::nullopt;
    const QString section = sectionFor(root, keyPath);
    if (section == rootName(root))
        return RegistryKey(section, false);
    const QString fileName = RegistryFileName();
    std::optional<IniText> text = IniText::Load(fileName);
    if (text && keyExists(*text, section))
        return RegistryKey(section, false);
    if (!create || !text)
        return std::nullopt;
    // An empty section marks the new key; an ini text holds it as a header line of its own.
    QStringList lines = text->Lines();
    if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
        lines.append(QString());
    lines.append(u'[' + section + u']');
    if (!makeFolderFor(fileName) || !IniText::FromLines(lines).SaveAs(fileName))
        return std::nullopt;
    return RegistryKey(section, false);
}

std::optional<QString> RegistryKey::read(const QString& name, const QString& type) const
{
    if (discard_)
        return std::nullopt;
    const QString prefix = type + u':';
    const IniFile ini(RegistryFileName());
    const QString stored = ini.ReadString(section_, valueKey(name), QString());
    if (!stored.startsWith(prefix))
        return std::nullopt;
    return stored.mid(prefix.size());
}

bool RegistryKey::write(const QString& name, const QString& type, const QString& value)
{
    if (discard_)
        return true;
    const QString fileName = RegistryFileName();
    IniFile ini(fileName);
    return makeFolderFor(fileName) && ini.WriteString(section_, valueKey(name), type + u':' + value);
}

std::optional<std::uint32_t> RegistryKey::ReadDword(const QString& name) const
{
    const std::optional<QString> text = read(name, QStringLiteral("dword"));
    bool ok = false;
    const std::uint32_t value = text ? text->toUInt(&ok, 16) : 0;
    return ok ? std::optional<std::uint32_t>(value) : std::nullopt;
}

std::optional<QString> RegistryKey::ReadString(const QString& name) const
{
    return read(name, QStringLiteral("sz"));
}

std::optional<QByteArray> RegistryKey::ReadBinary(const QString& name) const
{
    const std::optional<QString> text = read(name, QStringLiteral("hex"));
    if (!text)
        return std::nullopt;
    QByteArray value;
    for (const QString& byte : text->split(u',', Qt::SkipEmptyParts)) {
        bool ok = false;
        const uint number = byte.trimmed().toUInt(&ok, 16);
        if (!ok || number > 0xFF)
            return std::nullopt;
        value.append(char(number));
    }
    return value;
}

bool RegistryKey::WriteDword(const QString& name, std::uint32_t value)
{
    return write(name, QStringLiteral("dword"), QStringLiteral("%1").arg(value, 8, 16, QChar(u'0')));
}

bool RegistryKey::WriteString(const QString& name, const QString& value)
{
    return write(name, QStringLiteral("sz"), value);
}

bool RegistryKey::WriteBinary(const QString& name, const QByteArray& value)
{
    return write(name, QStringLiteral("hex"), QString::fromLatin1(value.toHex(',')));
}

} // namespace plat
