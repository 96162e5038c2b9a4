#include "foundation/system_info.h"
#include "tests/support/qt_printers.h"

#include <gtest/gtest.h>

#include <unistd.h>

TEST(SystemInfo, WindowsKindsNeverApplyHere)
{
    EXPECT_EQ(GetOSKind(), 7);
    EXPECT_EQ(GetOSName(), "UnknownOS");
    EXPECT_EQ(GetOSNameOf(GetOSKindOf(TOSPlatform::WindowsNT, 5, 2)), ".NET");
    EXPECT_EQ(GetOSNameOf(GetOSKindOf(TOSPlatform::Windows9x, 4, 90)), "Me");
    EXPECT_EQ(GetOSKindOf(TOSPlatform::WindowsNT, 6, 0), 7);
    EXPECT_EQ(GetOSNameOf(200), "UnknownOS");
}

TEST(SystemInfo, OnlyRootIsAnAdministratorAndLocalesGiveTheirThreeLetterLanguage)
{
    EXPECT_EQ(IsAdministrator(kAdministratorsGroup), ::geteuid() == 0);
    EXPECT_FALSE(IsAdministrator(545));
    const std::pair<const char*, const char*> locales[] = {
        {"fr_FR", "FRA"}, {"fr_CA", "FRA"}, {"en_GB", "ENG"}, {"en_US", "ENU"},
        {"es_ES", "ESN"}, {"pt_BR", "PTB"}, {"pt_PT", "PTG"}, {"zh_TW", "CHT"},
        {"zh_CN", "CHS"}, {"nn_NO", "NOR"}, {"sw_KE", ""}};
    for (const auto& [locale, abbreviation] : locales)
        EXPECT_EQ(LocaleLanguageAbbreviation(QLocale(locale)), abbreviation) << locale;
    EXPECT_EQ(LocaleLanguageAbbreviation(QLocale::c()), QString());
}
