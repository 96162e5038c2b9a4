#pragma once

#include <QString>

#include <functional>

class TSettings;

// Program-wide values and the settings that must be known before any window exists.

inline const QString ProgramName = QStringLiteral("Korvane");
inline const QString IniSuffix = QString();

// Prefixes of the program's own error and warning log lines; translated when the main window translates.
extern QString ErrorPrefix;
extern QString WarningPrefix;

// The encoder and the multiplexer, as tool discovery found them ("" when missing).
extern QString TooLameFolder;
extern QString TooLameVersion;
extern bool TooLameFound;
extern QString MplexFolder;
extern QString MplexVersion;
extern bool MplexFound;
inline const QString TooLameProductWord = QStringLiteral("tooLame");

// Version texts of a missing tool: "No TooLame" and "No Mplex", translated by InitToolMissingTexts.
extern QString NoTooLameText;
extern QString NoMplexText;
void InitToolMissingTexts();

// Start-up flags: each is on only when its value, trimmed, is exactly "1".
struct TStartupFlags {
    bool Debug = false;
    bool NoScaling = false;
    bool DoNotShowNoTooLameAgain = false;
    bool DoNotShowNoMplexAgain = false;
    bool DoNotShowBadTooLameAgain = false;
    bool DoNotShowBadMplexAgain = false;
    bool DoNotShowTooSmallDesktopAgain = false;
};
extern TStartupFlags StartupFlags;

// The file of the start-up settings (the same file the settings store uses).
QString GlobalSettingsFileName();

// The form resizer's automatic scaling switch, which the start-up settings turn on or off (off when
// NoScaling is set); the window side hands it over before they are read.
void SetScalingSwitch(std::function<void(bool on)> setAutomaticScaling);
// Reads the start-up keys, switches the scaling and starts the localization in the chosen (or the
// user's) language.
void LoadGlobalSettings();
// The language name LoadGlobalSettings chose; empty when it left every text in English.
extern QString StartupLanguageName;
// The five do-not-show-again flags as items of a store: defaults False, and their current values.
void RegisterDoNotShowSettings(TSettings* store);
void StoreDoNotShowSettings(TSettings* store);

bool CheckAdministratorRights();

QString BuildCygwinConflictText();
void ShowCygwinConflictMessage();

// Cached version texts made from the executable's file version: 2.0.0.0 gives "2.0.0", 2.0.0.3 gives
// "2.0.0b3" (a build number shows as a beta number).
QString GetProgramVersion();
QString GetShortVersion();
QString GetVersionNoDots();
QString GetShortVersionNoDots();
QString GetProgramTitleVersion();

// The version text of a file version ("2.0.0.12" -> "2.0.0b12"), and the short form of a version.
QString ProgramVersionFromFileVersion(const QString& fileVersion);
QString ShortVersionOf(const QString& version);
// Forgets the cached version texts (at program end, and for tests).
void ClearVersionCaches();
