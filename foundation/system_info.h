#pragma once

#include <QLocale>
#include <QString>

#include <cstdint>

// What the program needs to know about the system it runs on.

enum class TOSPlatform { Windows9x, WindowsNT, Other };

// The kinds 0 "95", 1 "98", 2 "Me", 3 "NT4", 4 "2k", 5 "XP", 6 ".NET" and 7 "UnknownOS".
std::uint8_t GetOSKindOf(TOSPlatform platform, int major, int minor);
QString GetOSNameOf(std::uint8_t kind);
// Always 7, "UnknownOS" here: the Windows kinds never apply.
std::uint8_t GetOSKind();
QString GetOSName();

// The relative id of the built-in administrators group.
constexpr int kAdministratorsGroup = 544;
// Only root belongs to the administrators group.
bool IsAdministrator(int relativeId);

// The three-letter language abbreviation of the user's locale ("FRA" for French), empty when unknown.
QString GetUserLocaleLanguage();
QString LocaleLanguageAbbreviation(const QLocale& locale);
