#pragma once

#include <QString>

// Devices a test points the program at, made in the test's own folder rather than taken from /dev: a
// fault that deletes one, or writes a file in its place, then harms nothing outside the test.
enum class Device { Zero, Full };

// Makes the device under that name and returns an empty text, or why the test cannot have it: only
// root makes device nodes, and on a file system mounted "nodev" they do not open.
QString MakeDevice(const QString& name, Device device);

// Whether the name is still that device, neither removed nor replaced.
bool IsDevice(const QString& name, Device device);
