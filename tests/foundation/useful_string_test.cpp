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

TEST(ReplaceString, RepeatsAShorterTextUntilNoneIsLeft)
{
    const QString words = QStringLiteral("one   two");
    EXPECT_EQ(ReplaceString(words, QStringLiteral("  "), QStringLiteral(" "), false),
              QStringLiteral("one two"));
    EXPECT_EQ(ReplaceString(words, QStringLiteral("  "), QStringLiteral(" "), true),
              QStringLiteral("one  two"));
    EXPECT_EQ(ReplaceString(QStringLiteral("aaaa"), QStringLiteral("aa"), QStringLiteral("a"), false),
              QStringLiteral("a"));
    EXPECT_EQ(ReplaceString(words, QString(), QStringLiteral("x"), false), words);
    EXPECT_EQ(ReplaceString(words, QStringLiteral("one"), QStringLiteral("one"), false), words);
}

TEST(ReplaceString, EndsWhenTheNewTextHoldsTheOldOne)
{
    EXPECT_EQ(ReplaceString(QStringLiteral("a&b&&c"), QStringLiteral("&"), QStringLiteral("&&"), false),
              QStringLiteral("a&&b&&&&c"));
    EXPECT_EQ(ReplaceString(QStringLiteral("xabx"), QStringLiteral("ab"), QStringLiteral("bbaa"), false),
              QStringLiteral("xbbaax"))
        << "a rewrite that would grow for ever";
    EXPECT_EQ(
        ReplaceStringNoCase(QStringLiteral("Log LOG"), QStringLiteral("log"), QStringLiteral("[LOG]"), false),
        QStringLiteral("[LOG] [LOG]"));
    EXPECT_EQ(ReplaceString(QStringLiteral("a a a"), QStringLiteral("a"), QStringLiteral("aa"), true),
              QStringLiteral("aa a a"));
}

TEST(ReplaceString, TheNoCaseFormKeepsTheCaseOfTheRest)
{
    EXPECT_EQ(ReplaceStringNoCase(QStringLiteral("Version=2.1 VERSION=3"), QStringLiteral("version="),
                                  QString(), true),
              QStringLiteral("2.1 VERSION=3"));
    EXPECT_EQ(ReplaceStringNoCase(QStringLiteral("AbC"), QStringLiteral("abc"), QStringLiteral("ABC"), false),
              QStringLiteral("AbC"));
}

TEST(UsefulString, SearchesTreatEmptyTextsAsNoMatch)
{
    EXPECT_TRUE(
        ContainsTextNoCase(QStringLiteral("Shared Version Mismatch"), QStringLiteral("version mismatch")));
    EXPECT_FALSE(ContainsTextNoCase(QStringLiteral("x"), QString()));
    EXPECT_FALSE(StartsWith(QString(), QStringLiteral("a")));
    EXPECT_FALSE(StartsWith(QStringLiteral("abc"), QString()));
    EXPECT_TRUE(StartsWithNoCase(QStringLiteral("ERROR: x"), QStringLiteral("error")));
    EXPECT_TRUE(EndsWith(QStringLiteral("song.wav"), QStringLiteral(".wav")));
    EXPECT_FALSE(EndsWith(QStringLiteral("wav"), QStringLiteral(".wav")));
    EXPECT_EQ(PosNoCase(QStringLiteral("B"), QStringLiteral("abc")), 2);
    EXPECT_EQ(PosNoCase(QStringLiteral("z"), QStringLiteral("abc")), 0);
}

TEST(UsefulString, RemovingAndCounting)
{
    EXPECT_EQ(RemoveFirst(QStringLiteral("a-b-c"), QStringLiteral("-")), QStringLiteral("ab-c"));
    EXPECT_EQ(RemoveFirst(QStringLiteral("ABC"), QStringLiteral("b")), QStringLiteral("ABC"));
    EXPECT_EQ(RemoveFirstNoCase(QStringLiteral("ABC"), QStringLiteral("b")), QStringLiteral("AC"));
    EXPECT_EQ(CountOccurrences(QStringLiteral("aabb"), QStringLiteral("ab")), 2);
    EXPECT_EQ(CountOccurrences(QStringLiteral("%s and %s"), QStringLiteral("%s")), 2);
    EXPECT_EQ(CountOccurrences(QString(), QStringLiteral("a")), 0);
}

TEST(TagLines, ContentAndAttributes)
{
    const QString line = QStringLiteral("<log level=\"Information\">Done</log> later");
    EXPECT_EQ(GetTagContent(line, QStringLiteral("log")), QStringLiteral("Done later"));
    EXPECT_EQ(GetTagContent(QStringLiteral("<log>  text  </log>"), QStringLiteral("log")),
              QStringLiteral("  text"))
        << "trimmed before the tag is cut, not after";
    EXPECT_TRUE(StartsWithTag(line, QStringLiteral("log")));
    EXPECT_TRUE(StartsWithTag(QStringLiteral("<log>x"), QStringLiteral("log")));
    EXPECT_FALSE(StartsWithTag(QStringLiteral("<logger>"), QStringLiteral("log")));
    EXPECT_EQ(GetAttributeValue(line, QStringLiteral("LEVEL")), QStringLiteral("Information"));
    EXPECT_EQ(GetAttributeValue(QStringLiteral("<a x=\" open"), QStringLiteral("x")), QStringLiteral("open"));
    EXPECT_EQ(GetAttributeValue(QStringLiteral("level=\"at start\""), QStringLiteral("level")), QString());
    EXPECT_EQ(GetAttributeValue(line, QStringLiteral("kind")), QString());
}

TEST(Durations, HoursMinutesAndSeconds)
{
    EXPECT_EQ(SecondsToTimeStr(0), QStringLiteral("00:00:00"));
    EXPECT_EQ(SecondsToTimeStr(3661), QStringLiteral("01:01:01"));
    EXPECT_EQ(SecondsToTimeStr(360000), QStringLiteral("100:00:00"));
    EXPECT_EQ(SecondsToTimeStr(3000000), QStringLiteral("833:20:00")) << "past the 32-bit milliseconds";
    EXPECT_EQ(MillisecondsToTimeStr(59999), QStringLiteral("00:00:59"));
    EXPECT_EQ(MillisecondsToTimeStr(-1500), QStringLiteral("00:00:00"));
}
