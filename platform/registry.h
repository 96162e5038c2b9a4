#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

// A small registry of our own: keys under the usual roots, holding typed values, kept in one ini file
// ("[HKEY_CURRENT_USER\Software\...]" sections, values as "dword:0000002a", "sz:text", "hex:01,ff").
// Key paths ignore the case of A to Z, like section names. Nothing is ever written for
// HKEY_CLASSES_ROOT: file types are not registered with the desktop.
namespace plat {

enum class RegistryRoot {
    ClassesRoot,
    CurrentUser,
    LocalMachine,
    Users,
    PerformanceData,
    CurrentConfig,
    DynData
};

// $XDG_CONFIG_HOME/korvane/registry.ini unless another file was set (an empty name restores it).
QString RegistryFileName();
void SetRegistryFileName(const QString& fileName);

class RegistryKey {
public:
    // The key "Software\Vendor\Program" under the root (backslashes at either end do not matter); without
    // create, nothing when the key does not exist; with it, the key is made when missing (nothing when it
    // cannot be). The root itself always exists.
    static std::optional<RegistryKey> Open(RegistryRoot root, const QString& keyPath, bool create);

    // Each read gives nothing when the value is missing or holds another type.
    std::optional<std::uint32_t> ReadDword(const QString& name) const;
    std::optional<QString> ReadString(const QString& name) const;
    std::optional<QByteArray> ReadBinary(const QString& name) const;

    // False when the value could not be written. The empty name is the key's default value.
    bool WriteDword(const QString& name, std::uint32_t value);
    bool WriteString(const QString& name, const QString& value);
    bool WriteBinary(const QString& name, const QByteArray& value);

private:
    RegistryKey(QString section, bool discard) : section_(std::move(section)), discard_(discard) {}
    std::optional<QString> read(const QString& name, const QString& type) const;
    bool write(const QString& name, const QString& type, const QString& value);

    QString section_;
    bool discard_ = false;
};

} // namespace plat
