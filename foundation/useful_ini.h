#pragma once

#include <QString>

// The settings file of a store: <application data>/<name>/<name><suffix>.ini, or beside the executable
// when that folder cannot be made. The name is lower-cased, so "Korvane" and "korvane" share one file.
QString GetIniFileName(const QString& name, const QString& suffix);
