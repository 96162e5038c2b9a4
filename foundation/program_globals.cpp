#include "foundation/program_globals.h"

#include "foundation/exe_info.h"
#include "foundation/language.h"
#include "foundation/settings.h"
#include "foundation/system_info.h"
#include "foundation/useful_ini.h"
#include "foundation/useful_registry.h"
#include "foundation/useful_string.h"
#include "platform/dialogs.h"
#include "platform/ini_file.h"
#include "platform/paths.h"

#include <QCoreApplication>

#include <array>
#include <functional>

QString ErrorPrefix = QStringLiteral("ERROR");
QString WarningPrefix = QStringLiteral("WARNING");
QString TooLameFolder;
QString TooLameVersion;
bool TooLameFound = false;
QString MplexFolder;
QString MplexVersion;
bool MplexFound = false;
QString NoTooLameText = QStringLiteral("No TooLame");
QString NoMplexText = QStringLiteral("No Mplex");
QString StartupLanguageName;
TStartupFlags StartupFlags;

namespace {

struct DoNotShowFlag {
    const char* Key;
    bool TStartupFlags::*Flag;
};

constexpr std::array<DoNotShowFlag, 5> doNotShowFlags{{
    {"DoNotShowNoTooLameAgain", &TStartupFlags::DoNotShowNoTooLameAgain},
    {"DoNotShowNoMplexAgain", &TStartupFlags::DoNotShowNoMplexAgain},
    {"DoNotShowBadTooLameAgain", &TStartupFlags::DoNotShowBadTooLameAgain},
    {"DoNotShowBadMplexAgain", &TStartupFlags::DoNotShowBadMplexAgain},
    {"DoNotShowTooSmallDesktopAgain", &TStartupFlags::DoNotShowTooSmallDesktopAgain},
}};

const QString notComputed = QStringLiteral("_");

struct VersionCaches {
    QString Program = notComputed;
    QString Short = notComputed;
    QString NoDots = notComputed;
    QString ShortNoDots = notComputed;
    QString Title = notComputed;
};

VersionCaches& versionCaches()
{
    static VersionCaches caches;
    return caches;
}

QString cached(QString& cache, const std::function<QString()>& compute)
{
    if (cache == notComputed)
        cache = compute();
    return cache;
}

bool isSetFlag(const plat::IniText& ini, const QString& section, const QString& key)
{
    return ini.ReadString(section, key, QString()).trimmed() == QStringLiteral("1");
}

QString chooseLanguageName(const plat::IniText& ini, const QString& section)
{
    const QString chosen =
        ExtractLanguageName(ini.ReadString(section, QStringLiteral("Language"), QString()));
    if (!chosen.isEmpty())
        return chosen;
    QString file = FindLanguageFileForCode(GetUserLocaleLanguage());
    if (file.isEmpty())
        file = FindLanguageFileForCode(GetLocaleLanguageCode());
    return file.isEmpty() ? QString() : GetLanguageNameOfFile(file);
}

QString fileVersionOfProgram()
{
    TInfoExe info;
    info.SetFileName(QCoreApplication::applicationFilePath());
    info.Read();
    if (info.GetFileVersion().isEmpty()) {
        info.SetLang(QStringLiteral("0409"));
        info.Read();
    }
    return info.GetFileVersion();
}

QString withoutDots(const QString& text)
{
    return QString(text).remove(u'.').trimmed();
}

std::function<void(bool)>& scalingSwitch()
{
    static std::function<void(bool)> setAutomaticScaling;
    return setAutomaticScaling;
}

} // namespace

void InitToolMissingTexts()
{
    const QString noTool = TranslateMsg(QStringLiteral("No %s"));
    NoTooLameText = Format(noTool, QStringLiteral("TooLame"));
    NoMplexText = Format(noTool, QStringLiteral("Mplex"));
}

QString GlobalSettingsFileName()
{
    return GetIniFileName(ProgramName, IniSuffix);
}

void SetScalingSwitch(std::function<void(bool on)> setAutomaticScaling)
{
    scalingSwitch() = std::move(setAutomaticScaling);
}

void LoadGlobalSettings()
{
    const plat::IniText ini = plat::IniText::Load(GlobalSettingsFileName()).value_or(plat::IniText());
    const QString section = ReadableSection(ini, ProgramName);
    const QString languageName = chooseLanguageName(ini, section);
    StartupFlags.Debug = isSetFlag(ini, section, QStringLiteral("Debug"));
    StartupFlags.NoScaling = isSetFlag(ini, section, QStringLiteral("NoScaling"));
    if (scalingSwitch())
        scalingSwitch()(!StartupFlags.NoScaling);
    for (const DoNotShowFlag& flag : doNotShowFlags)
        StartupFlags.*flag.Flag = isSetFlag(ini, section, QString::fromLatin1(flag.Key));
    StartupLanguageName = languageName;
    InitLanguage(!languageName.isEmpty(), QString(), true, languageName);
}

void RegisterDoNotShowSettings(TSettings* store)
{
    if (!store)
        return;
    for (const DoNotShowFlag& flag : doNotShowFlags)
        store->SetDefaultValue(QString::fromLatin1(flag.Key), false);
}

void StoreDoNotShowSettings(TSettings* store)
{
    if (!store)
        return;
    for (const DoNotShowFlag& flag : doNotShowFlags)
        store->SetValue(QString::fromLatin1(flag.Key), StartupFlags.*flag.Flag);
}

// No version of this system needs administrator rights to run the program.
bool CheckAdministratorRights()
{
    return true;
}

QString BuildCygwinConflictText()
{
    const QString cr = QStringLiteral("\r");
    const QString twoBlanks = QStringLiteral("  ");
    return TranslateMsg(
               QStringLiteral("You have multiple copies of cygwin1.dll on your system, and two different "
                              "versions of this dll can not be used at the same time.")) +
           u' ' +
           Format(TranslateMsg(
                      QStringLiteral("%s uses cygwin1.dll and another application, currently running on "
                                     "your system, uses another version of it.")),
                  ProgramName) +
           cr + cr +
           Format(
               TranslateMsg(QStringLiteral(
                   "To solve this problem, search for cygwin1.dll on your computer and delete them all "
                   "(including the ones that come with %s) except the most recent version. Then, you should "
                   "put the most recent version:")),
               ProgramName) +
           cr + cr + twoBlanks +
           TranslateMsg(
               QStringLiteral("in the \"bin\" directory of your cygwin distribution if you have one")) +
           cr + cr + twoBlanks +
           Format(TranslateMsg(QStringLiteral("or in your Windows System Directory: %s")),
                  GetSystemFolder()) +
           cr + cr + twoBlanks +
           Format(TranslateMsg(QStringLiteral("or in your Windows Directory: %s")), GetWindowsFolder()) + cr +
           cr + twoBlanks +
           TranslateMsg(QStringLiteral(
               "or in a directory mentioned in the PATH environment variable of your Windows")) +
           u'.' + cr;
}

void ShowCygwinConflictMessage()
{
    plat::ShowError(BuildCygwinConflictText());
}

QString ProgramVersionFromFileVersion(const QString& fileVersion)
{
    const QString version = fileVersion.trimmed();
    QString shown = ShortVersionOf(version);
    const QString build = version.size() > 6 ? version.mid(6).trimmed() : QString();
    if ((build.size() == 1 || build.size() == 2) && build != QStringLiteral("0"))
        shown += u'b' + build;
    return shown.trimmed();
}

QString ShortVersionOf(const QString& version)
{
    // Characters 6 to 9 (counted from 1) hold the build part of "2.0.0.3" or the beta part of "2.0.0b3".
    return (version.size() > 5 ? QString(version).remove(5, 4) : version).trimmed();
}

QString GetProgramVersion()
{
    return cached(versionCaches().Program,
                  [] { return ProgramVersionFromFileVersion(fileVersionOfProgram()); });
}

QString GetShortVersion()
{
    return cached(versionCaches().Short, [] { return ShortVersionOf(GetProgramVersion()); });
}

QString GetVersionNoDots()
{
    return cached(versionCaches().NoDots, [] { return withoutDots(GetProgramVersion()); });
}

QString GetShortVersionNoDots()
{
    return cached(versionCaches().ShortNoDots, [] { return withoutDots(GetShortVersion()); });
}

QString GetProgramTitleVersion()
{
    return cached(versionCaches().Title, [] {
        const QString version = GetProgramVersion();
        return (version.isEmpty() ? ProgramName : ProgramName + QStringLiteral(" v") + version).trimmed();
    });
}

void ClearVersionCaches()
{
    versionCaches() = VersionCaches();
}
