#pragma once

#include <QString>

class QIODevice;

// Sources are read from regular files only: a pipe or a device would keep a reader waiting for a
// writer, or reading for ever.
namespace plat {

// An existing regular file, or a link to one.
bool IsRegularFile(const QString& name);

// A descriptor open for reading on a regular file, or -1. Anything else is refused before it is
// opened, and the opening itself never waits.
int OpenRegularFile(const QString& name);

// Writes all count bytes, going on after a short write; false when a write gives nothing, the device's
// error then saying why.
bool WriteWhole(QIODevice& device, const char* data, qint64 count);

} // namespace plat
