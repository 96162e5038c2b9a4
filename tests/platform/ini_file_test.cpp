#include "platform/ini_file.h"
#include "tests/support/temp_world.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace plat;

namespace {

const QByteArray kForeign = "; kept as written\r\n"
                            "orphan line before any section\r\n"
                            "[Positions]\r\n"
                            "KorvaneMain_96_1024x768_Left = 12\r\n"
                            "\r\n"
                            "[Korvane]\r\n"
                            "Language=Français\r\n"
                            "a line without equals\r\n"
                            "\r\n"
                            "[Other]\r\n"
                            "Key=Value\r\n";

} // namespace

class IniFileTest : public TempWorld {
protected:
    QString Name() const { return Root() + "test.ini"; }
};

TEST(IniText, NamesIgnoreTheCaseOfAsciiLettersOnly)
{
    const IniText text = IniText::FromBytes("[Korvane]\nLanguage=fr\nÉté=summer\n");
    EXPECT_EQ(text.ReadString("KORVANE", "language", QString()), "fr");
    EXPECT_EQ(text.ReadString("korvane", "Été", QString()), "summer");
    EXPECT_EQ(text.ReadString("korvane", "été", "none"), "none");
    EXPECT_TRUE(SameTextAscii("Language", "lANGUAGE"));
    EXPECT_FALSE(SameTextAscii("Été", "été"));
}

TEST(IniText, ReadsTrimmedPairsOfTheFirstMatchingSectionAndKey)
{
    const IniText text = IniText::FromBytes("\xEF\xBB\xBF"
                                            "before=nothing\r\n"
                                            "[ Language ]\r\n"
                                            "  Language  =  Français  \r\n"
                                            ";Comment=not a key\r\n"
                                            "Language=second\r"
                                            "Version=a=b [x]\n"
                                            "[Language]\n"
                                            "Other=later section\n"
                                            "[Brackets\n");
    EXPECT_EQ(text.Sections(), QStringList({"Language"}));
    EXPECT_EQ(text.ReadString("Language", "Language", QString()), "Français");
    EXPECT_EQ(text.ReadString("Language", "Version", QString()), "a=b [x]");
    EXPECT_FALSE(text.ValueExists("Language", ";Comment"));
    EXPECT_FALSE(text.ValueExists("Language", "Other"));
    EXPECT_FALSE(text.ValueExists(QString(), "before"));
    EXPECT_EQ(text.ReadSection("language"), QStringList({"Language", "Version"}));
    const auto values = text.ReadSectionValues(QStringLiteral("LANGUAGE"));
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[1].Key, "Version");
    EXPECT_EQ(values[1].Value, "a=b [x]");
}

TEST(IniText, EveryCharacterOfANameOrValueComesBackAsWrittenAndOnlyTheFilesMarkIsDropped)
{
    const QString mark(QChar(0xFEFF));
    const QByteArray bytes = "\xEF\xBB\xBF[S]\r\n\xEF\xBB\xBFKey=\xEF\xBB\xBFvalue\r\nLatin\xE9=1\r\n";
    IniText text = IniText::FromBytes(bytes);
    EXPECT_EQ(text.Sections(), QStringList({"S"}));
    const QStringList keys{mark + "Key", "Latin" + QString(QChar::ReplacementCharacter)};
    EXPECT_EQ(text.ReadSection("S"), keys);
    EXPECT_EQ(text.ReadString("S", keys[0], QString()), mark + "value");
    EXPECT_EQ(text.ReadString("S", keys[1], QString()), "1") << "a listed name can be read";
    EXPECT_EQ(text.ToBytes(), bytes);

    ASSERT_TRUE(text.WriteString("S", mark + "New", mark + " v"));
    EXPECT_EQ(IniText::FromBytes(text.ToBytes()).ReadString("S", mark + "New", QString()), mark + " v");
    const IniText marked = IniText::FromLines({mark + "first line"});
    EXPECT_EQ(IniText::FromBytes(marked.ToBytes()).Lines(), marked.Lines());
}

TEST(IniText, LineBreaksInValuesBecomeBlanksAndBadNamesAreRefused)
{
    IniText text;
    ASSERT_TRUE(text.WriteString("S", "K", "one\r\ntwo\nthree"));
    EXPECT_EQ(IniText::FromBytes(text.ToBytes()).ReadString("S", "K", QString()), "one two three");
    for (const QString key : {"", "a=b", ";x", "[x", "a\nb"})
        EXPECT_FALSE(text.WriteString("S", key, "v")) << key.toStdString();
    EXPECT_FALSE(text.WriteString(" ", "K", "v"));
    EXPECT_EQ(text.ReadSection("S"), QStringList({"K"}));
}

TEST_F(IniFileTest, AWriteChangesItsOwnLineAndKeepsEveryOtherByteForByte)
{
    WriteFile("test.ini", kForeign);
    IniFile ini(Name());
    ASSERT_TRUE(ini.WriteString("korvane", "LANGUAGE", "Deutsch"));
    QByteArray expected = kForeign;
    expected.replace("Language=Français", "LANGUAGE=Deutsch");
    EXPECT_EQ(ReadFile(Name()), expected);

    ASSERT_TRUE(ini.WriteInteger("Korvane", "Debug", 1));
    ASSERT_TRUE(ini.WriteString("New", "Key", "v"));
    expected.replace("a line without equals\r\n", "a line without equals\r\nDebug=1\r\n");
    expected += "\r\n[New]\r\nKey=v\r\n";
    EXPECT_EQ(ReadFile(Name()), expected);
    EXPECT_EQ(ini.ReadInteger("positions", "KorvaneMain_96_1024x768_Left", 0), 12);
    EXPECT_EQ(ini.ReadInteger("Korvane", "Language", -5), -5);
}

TEST_F(IniFileTest, UpdatesNestAndReportARefusedWrite)
{
    IniFile ini(Name());
    ini.BeginUpdate();
    ini.BeginUpdate();
    ASSERT_TRUE(ini.WriteString("S", "K", "v"));
    EXPECT_FALSE(ini.WriteString("S", "bad=key", "v"));
    EXPECT_TRUE(ini.EndUpdate());
    EXPECT_FALSE(QFile::exists(Name()));
    EXPECT_FALSE(ini.EndUpdate());
    EXPECT_EQ(ReadFile(Name()), QByteArray("[S]\nK=v\n"));
}

TEST_F(IniFileTest, AFolderOrAMissingFolderIsNeitherReadNorWritten)
{
    const QString folder = Root() + "folder.ini";
    QDir().mkpath(folder);
    IniFile unreadable(folder);
    EXPECT_EQ(unreadable.ReadString("S", "K", "d"), "d");
    EXPECT_FALSE(unreadable.WriteString("S", "K", "v"));
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_FALSE(IniFile(Root() + "missing/folder/test.ini").WriteString("S", "K", "v"));
}
