#include "foundation/useful_string.h"

#include <gtest/gtest.h>

TEST(Format, ReplacesMarkersInOrderAndLeavesTheRestAlone)
{
    EXPECT_EQ(Format(QStringLiteral("Invalid %s filename"), QStringLiteral("WAV")),
              QStringLiteral("Invalid WAV filename"));
    EXPECT_EQ(Format(QStringLiteral("%s of %s"), QStringLiteral("1"), QStringLiteral("2")),
              QStringLiteral("1 of 2"));
    EXPECT_EQ(Format(QStringLiteral("100%% %d %n %x"), QStringLiteral("unused")),
              QStringLiteral("100% %d %n %x"));
}

TEST(Format, ArgumentsAreNeverReadAsFormats)
{
    EXPECT_EQ(Format(QStringLiteral("[%s] %s"), QStringLiteral("%s"), QStringLiteral("b")),
              QStringLiteral("[%s] b"));
}

TEST(Format, MissingArgumentsLeaveTheirMarkers)
{
    EXPECT_EQ(Format(QStringLiteral("%s and %s"), QStringLiteral("one")), QStringLiteral("one and %s"));
    EXPECT_EQ(Format(QStringLiteral("ends with %")), QStringLiteral("ends with %"));
}
