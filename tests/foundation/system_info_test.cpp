#include "foundation/system_info.h"
#include "tests/support/qt_printers.h"

#include <gtest/gtest.h>

#include <unistd.h>

TEST(SystemInfo, NoWindowsKindAppliesOnlyRootIsAdministratorAndLocalesGiveTheirLanguage)
{
    EXPECT_EQ(GetOSKind(), 7);
    EXPECT_EQ(GetOSName(), "UnknownOS");
    EXPECT_EQ(IsAdministrator(kAdministratorsGroup), ::geteuid() == 0);
    EXPECT_FALSE(IsAdministrator(545));
    const std::pair<const char*, const char*> locales[] = {
        {"fr_CA", "FRA"}, {"en_GB", "ENG"}, {"en_US", "ENU"}, {"zh_TW", "CHT"}, {"sw_KE", ""}};
    for (const auto& [locale, abbreviation] : locales)
        EXPECT_EQ(LocaleLanguageAbbreviation(QLocale(locale)), abbreviation) << locale;
}
