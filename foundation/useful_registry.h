#pragma once

#include "platform/registry.h"

#include <QString>

// Reads the string value `value` of a key, trimmed; empty when the key or the value is missing. With debug
// set, plain message boxes tell what is read and what failed (they name the value as `valueName`).
QString GetRegistryString(plat::RegistryRoot rootKey, const QString& rootName, const QString& keyPath,
                          const QString& value, bool debug = false, const QString& valueName = QString());

// Well-known folders: the personal and application-data folders end with "/", the system folders do not.
QString GetPersonalFolder();
QString GetAppDataFolder();
QString GetSystemFolder();
QString GetWindowsFolder();
