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
    QString Name() const { return Root() + QStringLiteral("test.ini"); }
};

TEST(IniText, NamesIgnoreTheCaseOfAsciiLettersOnly)
{
    const IniText text = IniText::FromBytes("[Korvane]\nLanguage=fr\nÉté=summer\n");
    EXPECT_EQ(text.ReadString(QStringLiteral("KORVANE"), QStringLiteral("language"), QString()),
              QStringLiteral("fr"));
    EXPECT_EQ(text.ReadString(QStringLiteral("korvane"), QStringLiteral("Été"), QString()),
              QStringLiteral("summer"));
    EXPECT_EQ(text.ReadString(QStringLiteral("korvane"), QStringLiteral("été"), QStringLiteral("none")),
              QStringLiteral("none"));
    EXPECT_TRUE(SameTextAscii(QStringLiteral("Language"), QStringLiteral("lANGUAGE")));
    EXPECT_FALSE(SameTextAscii(QStringLiteral("Été"), QStringLiteral("été")));
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
    EXPECT_EQ(text.Sections(), QStringList({QStringLiteral("Language")}));
    EXPECT_EQ(text.ReadString(QStringLiteral("Language"), QStringLiteral("Language"), QString()),
              QStringLiteral("Français"));
    EXPECT_EQ(text.ReadString(QStringLiteral("Language"), QStringLiteral("Version"), QString()),
              QStringLiteral("a=b [x]"));
    EXPECT_FALSE(text.ValueExists(QStringLiteral("Language"), QStringLiteral(";Comment")));
    EXPECT_FALSE(text.ValueExists(QStringLiteral("Language"), QStringLiteral("Other")));
    EXPECT_FALSE(text.ValueExists(QString(), QStringLiteral("before")));
    EXPECT_EQ(text.ReadSection(QStringLiteral("language")),
              QStringList({QStringLiteral("Language"), QStringLiteral("Version")}));
    const auto values = text.ReadSectionValues(QStringLiteral("LANGUAGE"));
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[1].Key, QStringLiteral("Version"));
    EXPECT_EQ(values[1].Value, QStringLiteral("a=b [x]"));
}

TEST(IniText, LinesCanBeReworkedAndParsedAgain)
{
    const IniText loaded = IniText::FromBytes("[Messages]\nHello  =\tBonjour\n");
    QStringList lines = loaded.Lines();
    lines[1].replace(QStringLiteral("  ="), QStringLiteral("="));
    const IniText text = IniText::FromLines(lines);
    EXPECT_EQ(text.ReadSection(QStringLiteral("Messages")), QStringList({QStringLiteral("Hello")}));
    EXPECT_EQ(text.ReadString(QStringLiteral("Messages"), QStringLiteral("Hello"), QString()),
              QStringLiteral("Bonjour"));
}

TEST(IniText, EveryOneLineTextComesBackAsWritten)
{
    const QStringList awkward = {QStringLiteral("a=b=c"),        QStringLiteral("[x]"),
                                 QStringLiteral("%s and %%"),    QStringLiteral("\\\\server\\share\\"),
                                 QStringLiteral("Ünïcødé 日本"), QStringLiteral("  padded  "),
                                 QStringLiteral(";starts"),      QStringLiteral("\"quoted\""),
                                 QStringLiteral("\" half"),      QStringLiteral(""),
                                 QStringLiteral("\ttab"),        QStringLiteral("[Section]")};
    IniText text;
    for (int i = 0; i < awkward.size(); ++i)
        ASSERT_TRUE(text.WriteString(QStringLiteral("S"), QStringLiteral("K%1").arg(i), awkward[i]));
    const IniText reread = IniText::FromBytes(text.ToBytes());
    EXPECT_EQ(reread.Sections(), QStringList({QStringLiteral("S")}));
    for (int i = 0; i < awkward.size(); ++i)
        EXPECT_EQ(reread.ReadString(QStringLiteral("S"), QStringLiteral("K%1").arg(i), QStringLiteral("?")),
                  awkward[i]);
}

TEST(IniText, LineBreaksInValuesBecomeBlanksAndBadNamesAreRefused)
{
    IniText text;
    ASSERT_TRUE(
        text.WriteString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("one\r\ntwo\nthree")));
    EXPECT_EQ(
        IniText::FromBytes(text.ToBytes()).ReadString(QStringLiteral("S"), QStringLiteral("K"), QString()),
        QStringLiteral("one two three"));
    for (const QString& key : {QStringLiteral(""), QStringLiteral("a=b"), QStringLiteral(";x"),
                               QStringLiteral("[x"), QStringLiteral("a\nb")})
        EXPECT_FALSE(text.WriteString(QStringLiteral("S"), key, QStringLiteral("v"))) << key.toStdString();
    EXPECT_FALSE(text.WriteString(QStringLiteral(" "), QStringLiteral("K"), QStringLiteral("v")));
    EXPECT_EQ(text.ReadSection(QStringLiteral("S")), QStringList({QStringLiteral("K")}));
}

TEST_F(IniFileTest, AWriteChangesItsOwnLineAndKeepsEveryOtherByteForByte)
{
    WriteFile(QStringLiteral("test.ini"), kForeign);
    IniFile ini(Name());
    ASSERT_TRUE(
        ini.WriteString(QStringLiteral("korvane"), QStringLiteral("LANGUAGE"), QStringLiteral("Deutsch")));
    QByteArray expected = kForeign;
    expected.replace("Language=Français", "LANGUAGE=Deutsch");
    EXPECT_EQ(ReadFile(Name()), expected);

    ASSERT_TRUE(ini.WriteInteger(QStringLiteral("Korvane"), QStringLiteral("Debug"), 1));
    ASSERT_TRUE(ini.WriteString(QStringLiteral("New"), QStringLiteral("Key"), QStringLiteral("v")));
    expected.replace("a line without equals\r\n", "a line without equals\r\nDebug=1\r\n");
    expected += "\r\n[New]\r\nKey=v\r\n";
    EXPECT_EQ(ReadFile(Name()), expected);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("positions"), QStringLiteral("KorvaneMain_96_1024x768_Left"), 0),
              12);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Korvane"), QStringLiteral("Language"), -5), -5);
}

TEST_F(IniFileTest, AMissingFileReadsAsEmptyAndIsCreatedByAWrite)
{
    IniFile ini(Name());
    EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("default")),
              QStringLiteral("default"));
    EXPECT_TRUE(ini.Sections().isEmpty());
    ASSERT_TRUE(ini.WriteString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("v")));
    EXPECT_EQ(ReadFile(Name()), QByteArray("[S]\nK=v\n"));

    IniFile nowhere(Root() + QStringLiteral("missing/folder/test.ini"));
    EXPECT_FALSE(nowhere.WriteString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("v")));
}

TEST_F(IniFileTest, AnUpdateWritesOnceOverAFreshReading)
{
    WriteFile(QStringLiteral("test.ini"), "[Korvane]\nLanguage=English\n");
    IniFile ini(Name());
    ini.BeginUpdate();
    ASSERT_TRUE(
        ini.WriteString(QStringLiteral("Korvane"), QStringLiteral("Language"), QStringLiteral("Français")));
    ASSERT_TRUE(ini.WriteString(QStringLiteral("Korvane"), QStringLiteral("Debug"), QStringLiteral("0")));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Korvane"), QStringLiteral("Language"), QString()),
              QStringLiteral("Français"));
    EXPECT_EQ(ReadFile(Name()), QByteArray("[Korvane]\nLanguage=English\n"))
        << "nothing written before the end";

    // Another writer saves the window positions meanwhile.
    IniFile other(Name());
    ASSERT_TRUE(other.WriteInteger(QStringLiteral("Positions"), QStringLiteral("Main_Left"), 40));
    ASSERT_TRUE(ini.EndUpdate());
    EXPECT_EQ(ReadFile(Name()),
              QByteArray("[Korvane]\nLanguage=Français\nDebug=0\n\n[Positions]\nMain_Left=40\n"));
}

TEST_F(IniFileTest, UpdatesNestAndReportARefusedWrite)
{
    IniFile ini(Name());
    ini.BeginUpdate();
    ini.BeginUpdate();
    ASSERT_TRUE(ini.WriteString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("v")));
    EXPECT_FALSE(ini.WriteString(QStringLiteral("S"), QStringLiteral("bad=key"), QStringLiteral("v")));
    EXPECT_TRUE(ini.EndUpdate());
    EXPECT_FALSE(QFile::exists(Name()));
    EXPECT_FALSE(ini.EndUpdate());
    EXPECT_EQ(ReadFile(Name()), QByteArray("[S]\nK=v\n"));
}

TEST_F(IniFileTest, AReadOnlyFileIsNeitherReplacedNorChanged)
{
    const QByteArray content = "[S]\nK=old\n";
    WriteFile(QStringLiteral("test.ini"), content);
    QFile::setPermissions(Name(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    IniFile ini(Name());
    EXPECT_FALSE(ini.WriteString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("new")));
    ini.BeginUpdate();
    ini.WriteString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("new"));
    EXPECT_FALSE(ini.EndUpdate());
    EXPECT_EQ(ReadFile(Name()), content);
    EXPECT_EQ(QFile::permissions(Name()) & QFile::WriteOwner, 0);
}

TEST_F(IniFileTest, AnUnreadableFileIsNeverOverwritten)
{
    QDir().mkpath(Name());
    IniFile ini(Name());
    EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("d")),
              QStringLiteral("d"));
    EXPECT_FALSE(ini.WriteString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("v")));
    EXPECT_TRUE(QFileInfo(Name()).isDir());
}
