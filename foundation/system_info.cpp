#include "foundation/system_info.h"

#include <unistd.h>

namespace {

const std::uint8_t kUnknownOS = 7;

QString byTerritory(const QLocale& locale, QLocale::Territory territory, const char* match, const char* other)
{
    return QString::fromLatin1(locale.territory() == territory ? match : other);
}

} // namespace

std::uint8_t GetOSKindOf(TOSPlatform platform, int major, int minor)
{
    if (platform == TOSPlatform::WindowsNT) {
        if (major == 5)
            return minor >= 2 ? 6 : minor == 1 ? 5 : 4;
        if (major <= 4 && minor == 0)
            return 3;
    }
    if (platform == TOSPlatform::Windows9x && major >= 4)
        return minor >= 90 ? 2 : minor >= 1 ? 1 : 0;
    return kUnknownOS;
}

QString GetOSNameOf(std::uint8_t kind)
{
    static const char* const names[] = {"95", "98", "Me", "NT4", "2k", "XP", ".NET", "UnknownOS"};
    return QString::fromLatin1(names[kind < kUnknownOS ? kind : kUnknownOS]);
}

std::uint8_t GetOSKind()
{
    return GetOSKindOf(TOSPlatform::Other, 0, 0);
}

QString GetOSName()
{
    return GetOSNameOf(GetOSKind());
}

bool IsAdministrator(int relativeId)
{
    return relativeId == kAdministratorsGroup && ::geteuid() == 0;
}

QString GetUserLocaleLanguage()
{
    return LocaleLanguageAbbreviation(QLocale::system());
}

QString LocaleLanguageAbbreviation(const QLocale& locale)
{
    switch (locale.language()) {
    case QLocale::English:
        return byTerritory(locale, QLocale::UnitedKingdom, "ENG", "ENU");
    case QLocale::Portuguese:
        return byTerritory(locale, QLocale::Brazil, "PTB", "PTG");
    case QLocale::Chinese:
        return locale.script() == QLocale::TraditionalChineseScript ? QStringLiteral("CHT")
                                                                    : QStringLiteral("CHS");
    case QLocale::French:
        return QStringLiteral("FRA");
    case QLocale::German:
        return QStringLiteral("DEU");
    case QLocale::Spanish:
        return QStringLiteral("ESN");
    case QLocale::Italian:
        return QStringLiteral("ITA");
    case QLocale::Dutch:
        return QStringLiteral("NLD");
    case QLocale::Polish:
        return QStringLiteral("PLK");
    case QLocale::Czech:
        return QStringLiteral("CSY");
    case QLocale::Danish:
        return QStringLiteral("DAN");
    case QLocale::Swedish:
        return QStringLiteral("SVE");
    case QLocale::Greek:
        return QStringLiteral("ELL");
    case QLocale::NorwegianBokmal:
    case QLocale::NorwegianNynorsk:
        return QStringLiteral("NOR");
    case QLocale::Hungarian:
        return QStringLiteral("HUN");
    case QLocale::Turkish:
        return QStringLiteral("TRK");
    case QLocale::Russian:
        return QStringLiteral("RUS");
    case QLocale::Croatian:
        return QStringLiteral("HRV");
    case QLocale::Indonesian:
        return QStringLiteral("IND");
    default:
        return QString();
    }
}
