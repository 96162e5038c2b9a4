#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Version strings embedded in an executable by the build, read back from the file.
namespace plat {

// The size of the file's version block; 0 when the file has none or cannot be read.
qint64 GetFileVersionInfoSize(const QString& fileName);

// The file's version block; empty when it has none.
QByteArray GetFileVersionInfo(const QString& fileName);

// The value stored under a path such as "\StringFileInfo\040904E4\FileVersion"; nothing when the
// block holds no such value.
std::optional<QString> VerQueryValue(const QByteArray& block, const QString& path);

// The start and end markers of a block (built at run time, so this code never holds them whole).
QByteArray VersionBlockStart();
QByteArray VersionBlockEnd();

} // namespace plat
