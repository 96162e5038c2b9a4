#pragma once

#include "engine/console_app.h"

#include <QString>
#include <QStringList>

// Finding the encoder and the multiplexer beside the program at start, and reading their versions.
// Both write the tool globals of foundation/program_globals.h.

// The encoder must be <program folder>TooLame/toolame, a regular file with an execute bit, reporting a
// version with "0.2l". False when it cannot be used; the user has then been told why, so the caller
// only ends the program.
bool FindTooLame(int probeLimitMs = DefaultConsoleCaptureLimitMs);
// The multiplexer, <program folder>Mplex/mplex with "1.6.2", is optional: a warning when it cannot be
// used. Always True.
bool FindMplex(int probeLimitMs = DefaultConsoleCaptureLimitMs);

// Whether a probe of the last FindTooLame or FindMplex met copies of a tool's runtime in conflict. The
// user has been told, and the program must end: start-up ends it before any window exists.
bool RuntimeConflictFound();

// The version a tool in its found folder reports; empty when it reports none, fails or hangs.
QString ProbeTooLameVersion(const QString& exeName, int limitMs = DefaultConsoleCaptureLimitMs);
QString ProbeMplexVersion(const QString& exeName, int limitMs = DefaultConsoleCaptureLimitMs);
// The version carried by the tools' help output.
QString TooLameVersionFromLines(const QStringList& lines);
QString MplexVersionFromLines(const QStringList& lines);

// "0.2l tooLame", or "No TooLame" when the encoder was not found.
QString GetTooLameDescription();
// "02l" (cached after the first call following FindTooLame), or "NoTooLame".
QString GetTooLameVersionTag();
QString GetMplexVersion();
QString GetMplexVersionTag();

// Whether name is a regular file (symbolic links followed) with at least one execute bit.
bool IsExecutableFile(const QString& name);
