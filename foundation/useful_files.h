#pragma once

#include <QString>

// Where the program may write, and whether a chosen file name will do. Every refusal shows one error
// box and returns false. Folder results end with "/", or are empty when no candidate exists.
// Main thread only.

// The folder that output-folder choosers start from.
extern QString DefaultOutputFolder;
// The folder that open dialogs start from; every file the open dialog accepts moves it there.
extern QString DefaultInputFolder;

// The system's temporary folder ($TMPDIR when it names a folder other than the root, else /tmp).
QString GetSystemTempPath();
// $TMP, else $TEMP, when it names an existing folder; else empty.
QString GetEnvTempFolder();
// Both chains below skip the root of the file system.
// The first existing folder of: preferred, the system's, the environment's.
QString GetTempFolder(const QString& preferred);
// The first existing folder of: preferred, the documents folder, GetTempFolder, the current folder.
QString GetWorkFolder(const QString& preferred);
QString GetDefaultOutputFolder(const QString& preferred);
QString GetDefaultInputFolder(const QString& preferred);

// The kind names the sort of file in the messages. No name is a network name here, so allowNetwork
// changes nothing; callers still say what their settings allow.
bool CheckFileName(const QString& name, const QString& kind, bool mustExist, bool allowNetwork);
bool CheckExistingFileName(const QString& name, const QString& kind, bool allowNetwork);
// A relative name is taken from the current folder; with a kind, the extension must be "." + kind.
bool CheckOutputFileNameEx(const QString& name, const QString& kind, bool allowNetwork);
bool CheckOutputFileName(const QString& name, bool allowNetwork);

// True when a new file of that name could be made. An existing name gives false and is left as it is.
bool CanCreateFile(const QString& name);
// Deletes an old file of that name and proves the new one can be made; on success nothing of that
// name is left on disk. When the old file cannot go or the new one cannot be made, cause receives the
// system's reason.
bool PrepareOutputFile(const QString& name, QString* cause = nullptr);

// Why no new file can be made in that folder, in the system's words; empty when one can. The probe
// makes and removes a fresh name, never touching a file of the user's. A folder whose mode has no write
// bit refuses as the system refuses every user but root.
QString NewFileRefusal(const QString& folder);
// Why the output could not be made, foreseen before any work: its folder takes no new file, or its name
// or its whole path is longer than the system takes. Empty when nothing stands in the way.
QString OutputFileRefusal(const QString& name);

// Paths go to the external programs as they are.
QString UncToForwardSlashes(const QString& path);

// Asks for an existing file of the kind, starting from the proposed file's folder (else
// DefaultInputFolder). Returns the accepted name, empty when the user cancelled or the name was refused.
QString SelectOpenFileName(const QString& kind, const QString& filter, bool allowNetwork,
                           const QString& proposed);
