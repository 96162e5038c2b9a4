#include "foundation/system_info.h"
#include "tests/support/qt_printers.h"

#include <gtest/gtest.h>

#include <unistd.h>

TEST(SystemInfo, WindowsKindsNeverApplyHere)
{
    EXPECT_EQ(GetOSKind(), 7);
    EXPECT_EQ(GetOSName(), QStringLiteral("UnknownOS"));
}

TEST(SystemInfo, KindsFollowThePlatformAndVersion)
{
    EXPECT_EQ(GetOSKindOf(TOSPlatform::WindowsNT, 5, 1), 5);
    EXPECT_EQ(GetOSNameOf(GetOSKindOf(TOSPlatform::WindowsNT, 5, 2)), QStringLiteral(".NET"));
    EXPECT_EQ(GetOSKindOf(TOSPlatform::WindowsNT, 5, 0), 4);
    EXPECT_EQ(GetOSKindOf(TOSPlatform::WindowsNT, 4, 0), 3);
    EXPECT_EQ(GetOSKindOf(TOSPlatform::WindowsNT, 6, 0), 7);
    EXPECT_EQ(GetOSKindOf(TOSPlatform::Windows9x, 4, 0), 0);
    EXPECT_EQ(GetOSKindOf(TOSPlatform::Windows9x, 4, 10), 1);
    EXPECT_EQ(GetOSNameOf(GetOSKindOf(TOSPlatform::Windows9x, 4, 90)), QStringLiteral("Me"));
    EXPECT_EQ(GetOSKindOf(TOSPlatform::Windows9x, 3, 10), 7);
    EXPECT_EQ(GetOSNameOf(200), QStringLiteral("UnknownOS"));
}

TEST(SystemInfo, OnlyRootIsAnAdministrator)
{
    EXPECT_EQ(IsAdministrator(kAdministratorsGroup), ::geteuid() == 0);
    EXPECT_FALSE(IsAdministrator(545));
}

TEST(SystemInfo, LocalesGiveTheirThreeLetterLanguage)
{
    EXPECT_EQ(LocaleLanguageAbbreviation(QLocale(QStringLiteral("fr_FR"))), QStringLiteral("FRA"));
    EXPECT_EQ(LocaleLanguageAbbreviation(QLocale(QStringLiteral("fr_CA"))), QStringLiteral("FRA"));
    EXPECT_EQ(LocaleLanguageAbbreviation(QLocale(QStringLiteral("en_GB"))), QStringLiteral("ENG"));
    EXPECT_EQ(LocaleLanguageAbbreviation(QLocale(QStringLiteral("en_US"))), QStringLiteral("ENU"));
    EXPECT_EQ(LocaleLanguageAbbreviation(QLocale(QStringLiteral("es_ES"))), QStringLiteral("ESN"));
    EXPECT_EQ(LocaleLanguageAbbreviation(QLocale(QStringLiteral("pt_BR"))), QStringLiteral("PTB"));
    EXPECT_EQ(LocaleLanguageAbbreviation(QLocale(QStringLiteral("pt_PT"))), QStringLiteral("PTG"));
    EXPECT_EQ(LocaleLanguageAbbreviation(QLocale(QStringLiteral("zh_TW"))), QStringLiteral("CHT"));
    EXPECT_EQ(LocaleLanguageAbbreviation(QLocale(QStringLiteral("zh_CN"))), QStringLiteral("CHS"));
    EXPECT_EQ(LocaleLanguageAbbreviation(QLocale(QStringLiteral("nn_NO"))), QStringLiteral("NOR"));
    EXPECT_EQ(LocaleLanguageAbbreviation(QLocale::c()), QString());
    EXPECT_EQ(LocaleLanguageAbbreviation(QLocale(QStringLiteral("sw_KE"))), QString());
}
