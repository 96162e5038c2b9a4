#include "foundation/system_info.h"
#include "tests/support/qt_printers.h"

#include <gtest/gtest.h>

#include <unistd.h>

TEST(SystemInfo, WindowsKindsNeverApplyHere)
{
    EXPECT_EQ(GetOSKind(), 7);
    EXPECT_EQ(GetOSName(), "UnknownOS");
}

TEST(SystemInfo, KindsFollowThePlatformAndVersion)
{
    EXPECT_EQ(GetOSKindOf(TOSPlatform::WindowsNT, 5, 1), 5);
    EXPECT_EQ(GetOSNameOf(GetOSKindOf(TOSPlatform::WindowsNT, 5, 2)), ".NET");
    EXPECT_EQ(GetOSKindOf(TOSPlatform::WindowsNT, 5, 0), 4);
    EXPECT_EQ(GetOSKindOf(TOSPlatform::WindowsNT, 4, 0), 3);
    EXPECT_EQ(GetOSKindOf(TOSPlatform::WindowsNT, 6, 0), 7);
    EXPECT_EQ(GetOSKindOf(TOSPlatform::Windows9x, 4, 0), 0);
    EXPECT_EQ(GetOSKindOf(TOSPlatform::Windows9x, 4, 10), 1);
    EXPECT_EQ(GetOSNameOf(GetOSKindOf(TOSPlatform::Windows9x, 4, 90)), "Me");
    EXPECT_EQ(GetOSKindOf(TOSPlatform::Windows9x, 3, 10), 7);
    EXPECT_EQ(GetOSNameOf(200), "UnknownOS");
}

TEST(SystemInfo, OnlyRootIsAnAdministrator)
{
    EXPECT_EQ(IsAdministrator(kAdministratorsGroup), ::geteuid() == 0);
    EXPECT_FALSE(IsAdministrator(545));
}

TEST(SystemInfo, LocalesGiveTheirThreeLetterLanguage)
{
    EXPECT_EQ(LocaleLanguageAbbreviation(QLocale("fr_FR")), "FRA");
    EXPECT_EQ(LocaleLanguageAbbreviation(QLocale("fr_CA")), "FRA");
    EXPECT_EQ(LocaleLanguageAbbreviation(QLocale("en_GB")), "ENG");
    EXPECT_EQ(LocaleLanguageAbbreviation(QLocale("en_US")), "ENU");
    EXPECT_EQ(LocaleLanguageAbbreviation(QLocale("es_ES")), "ESN");
    EXPECT_EQ(LocaleLanguageAbbreviation(QLocale("pt_BR")), "PTB");
    EXPECT_EQ(LocaleLanguageAbbreviation(QLocale("pt_PT")), "PTG");
    EXPECT_EQ(LocaleLanguageAbbreviation(QLocale("zh_TW")), "CHT");
    EXPECT_EQ(LocaleLanguageAbbreviation(QLocale("zh_CN")), "CHS");
    EXPECT_EQ(LocaleLanguageAbbreviation(QLocale("nn_NO")), "NOR");
    EXPECT_EQ(LocaleLanguageAbbreviation(QLocale::c()), QString());
    EXPECT_EQ(LocaleLanguageAbbreviation(QLocale("sw_KE")), QString());
}
