#pragma once

#include <QString>

// The program's own icons in the process-wide icon list, beside the icons of ordinary files.

// Indexes of the sound icon and of the audio-file icon; -1 until the icons are registered.
extern int SoundIconIndex;
extern int AudioFileIconIndex;

// Puts the eight program icons in the icon list and sets the two indexes above.
void RegisterFileTypeIcons();
// Nothing was written to the desktop's file-type database, so there is nothing to remove.
void UnregisterFileTypes();

// No file type is ever written to the user's desktop database; these keep the callers' contract.
bool RegisterFileType(const QString& extension, const QString& typeName, const QString& description,
                      const QString& executable, int iconIndex, bool withShell = false,
                      const QString& verb = QString(), const QString& parameters = QString(),
                      bool overwrite = false);
void UnregisterFileType(const QString& extension);

// The icon-list index of a file type, known by the name's extension; the file need not exist.
int GetFileIconIndex(const QString& fileName);

// The name of the n-th program icon (0..7), as the file types call them.
QString ProgramIconName(int number);
