#pragma once

#include <QString>

// Known folders of the user and of the program. Every folder text ends with "/".
namespace plat {

// The folder of the running executable, or the one set for tests.
QString ProgramFolder();
void SetProgramFolder(const QString& folder);

QString ApplicationDataFolder(); // $XDG_CONFIG_HOME, else ~/.config
QString TempFolder();            // $TMPDIR when it names a folder other than the root, else /tmp
QString PersonalFolder();        // ~/Documents when it exists, else home
QString SoundFolder();           // the desktop's sound theme folder when it exists, else home
QString HomeFolder();

QString WithTrailingSlash(const QString& folder);
// The root of the file system, however written ("/", "//", "/.", a link to it).
bool IsRootFolder(const QString& folder);

// The executable's file name without folder ("korvane"), or the one set for tests.
QString ExecutableName();
void SetExecutableName(const QString& name);

// An existing file or folder is write-protected when its mode has no write bit or the system refuses
// writing to it (a read-only mount, another owner). The mode test keeps the rule true for root.
// Missing entries are not write-protected.
bool IsWriteProtected(const QString& name);
// The system's reason why writing is refused (EACCES for a mode without a write bit); 0 when the entry is
// not write-protected.
int WriteProtectionError(const QString& name);

} // namespace plat
