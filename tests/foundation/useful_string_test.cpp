#include "foundation/useful_string.h"

#include <gtest/gtest.h>

TEST(Format, ReplacesMarkersInOrderAndLeavesTheRestAlone)
{
    EXPECT_EQ(Format("%s of %s", "1", "2"), "1 of 2");
    EXPECT_EQ(Format("100%% %d %n %x", "unused"), "100% %d %n %x");
    EXPECT_EQ(Format("[%s] %s", "%s", "b"), "[%s] b") << "arguments are never read as formats";
    EXPECT_EQ(Format("%s and %s", "one"), "one and %s") << "a missing argument leaves its marker";
    EXPECT_EQ(Format("ends with %"), "ends with %");
}

TEST(ReplaceString, RepeatsFromTheStartUntilNoneIsLeftButPutsANewTextHoldingTheOldOneInOnce)
{
    const QString words = "one   two";
    EXPECT_EQ(ReplaceString(words, "  ", " ", false), "one two");
    EXPECT_EQ(ReplaceString(words, "  ", " ", true), "one  two");
    EXPECT_EQ(ReplaceString(words, QString(), "x", false), words);
    EXPECT_EQ(ReplaceString(words, "one", "one", false), words);
    // What a replacement joins is found by the next pass, whatever the lengths.
    EXPECT_EQ(ReplaceString("aab", "ab", "ba", false), "baa");
    EXPECT_EQ(ReplaceString("aab", "ab", "ba", true), "aba");
    EXPECT_EQ(ReplaceStringNoCase("AAB", "ab", "ba", false), "baa");
    EXPECT_EQ(ReplaceString("aaaa", "aa", "a", false), "a");
    EXPECT_LE(ReplaceString("aab", "ab", "bbaa", false).size(), 3 + 2 * 10) << "a rewrite that never settles";

    // A new text holding the old one is put in once per occurrence, instead of growing for ever.
    EXPECT_EQ(ReplaceString("a&b&&c", "&", "&&", false), "a&&b&&&&c");
    EXPECT_EQ(ReplaceString("xabx", "ab", "bbaa", false), "xbbaax") << "a rewrite that would grow for ever";
    EXPECT_EQ(ReplaceStringNoCase("Log LOG", "log", "[LOG]", false), "[LOG] [LOG]");
    EXPECT_EQ(ReplaceString("a a a", "a", "aa", true), "aa a a");

    EXPECT_EQ(ReplaceStringNoCase("Version=2.1 VERSION=3", "version=", QString(), true), "2.1 VERSION=3");
    EXPECT_EQ(ReplaceStringNoCase("AbC", "abc", "ABC", false), "AbC");
}

TEST(UsefulString, SearchesTreatEmptyTextsAsNoMatchAndCountWholeOccurrences)
{
    EXPECT_TRUE(ContainsTextNoCase("Shared Version Mismatch", "version mismatch"));
    EXPECT_FALSE(ContainsTextNoCase("x", QString()));
    EXPECT_FALSE(StartsWith(QString(), "a"));
    EXPECT_FALSE(StartsWith("abc", QString()));
    EXPECT_TRUE(StartsWithNoCase("ERROR: x", "error"));
    EXPECT_TRUE(EndsWith("song.wav", ".wav"));
    EXPECT_FALSE(EndsWith("wav", ".wav"));
    EXPECT_EQ(PosNoCase("B", "abc"), 2);
    EXPECT_EQ(PosNoCase("z", "abc"), 0);

    EXPECT_EQ(RemoveFirst("a-b-c", "-"), "ab-c");
    EXPECT_EQ(RemoveFirst("ABC", "b"), "ABC");
    EXPECT_EQ(RemoveFirstNoCase("ABC", "b"), "AC");
    EXPECT_EQ(CountOccurrences("aabb", "ab"), 2);
    EXPECT_EQ(CountOccurrences("%s and %s", "%s"), 2);
    EXPECT_EQ(CountOccurrences(QString(), "a"), 0);
}

TEST(TagLines, ContentAndAttributes)
{
    const QString line = "<log level=\"Information\">Done</log> later";
    EXPECT_EQ(GetTagContent(line, "log"), "Done later");
    EXPECT_EQ(GetTagContent("<log>  text  </log>", "log"), "  text")
        << "trimmed before the tag is cut, not after";
    EXPECT_TRUE(StartsWithTag(line, "log"));
    EXPECT_TRUE(StartsWithTag("<log>x", "log"));
    EXPECT_FALSE(StartsWithTag("<logger>", "log"));
    EXPECT_EQ(GetAttributeValue(line, "LEVEL"), "Information");
    EXPECT_EQ(GetAttributeValue("<a x=\" open", "x"), "open");
    EXPECT_EQ(GetAttributeValue("level=\"at start\"", "level"), QString());
    EXPECT_EQ(GetAttributeValue(line, "kind"), QString());
}

TEST(Durations, HoursMinutesAndSeconds)
{
    EXPECT_EQ(SecondsToTimeStr(0), "00:00:00");
    EXPECT_EQ(SecondsToTimeStr(3661), "01:01:01");
    EXPECT_EQ(SecondsToTimeStr(3000000), "833:20:00") << "past the 32-bit milliseconds";
    EXPECT_EQ(MillisecondsToTimeStr(59999), "00:00:59");
    EXPECT_EQ(MillisecondsToTimeStr(-1500), "00:00:00");
}
