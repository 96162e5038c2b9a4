#pragma once

#include <QString>

// Known folders of the user and of the program. Every folder text ends with "/".
namespace plat {

// The folder of the running executable, or the one set for tests.
QString ProgramFolder();
void SetProgramFolder(const QString& folder);

QString ApplicationDataFolder(); // $XDG_CONFIG_HOME, else ~/.config
QString TempFolder();            // $TMPDIR, else /tmp
QString PersonalFolder();        // ~/Documents when it exists, else home
QString SoundFolder();           // the desktop's sound theme folder when it exists, else home
QString HomeFolder();

QString WithTrailingSlash(const QString& folder);

} // namespace plat
