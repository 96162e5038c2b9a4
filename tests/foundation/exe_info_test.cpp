#include "foundation/exe_info.h"
#include "platform/version_info.h"
#include "tests/support/temp_world.h"

class ExeInfo : public TempWorld {
protected:
    QString WriteExecutable(const QByteArray& lines)
    {
        return WriteFile(QStringLiteral("program/tool"), QByteArray(4096, '\x7f') + plat::VersionBlockStart() +
                                                           lines + plat::VersionBlockEnd() +
                                                           QByteArray(100, '\0'));
    }
};

TEST_F(ExeInfo, ReadsOnlyTheLanguageItWasAskedFor)
{
    TInfoExe info;
    info.SetFileName(WriteExecutable("040904E4/FileVersion=2.0.0.3\n040904E4/ProductName=Korvane\n"));
    EXPECT_EQ(info.Lang, QStringLiteral("040C"));
    info.Read();
    EXPECT_TRUE(info.GetFileVersion().isEmpty()) << "the strings are stored under 0409 only";
    info.SetLang(QStringLiteral("0409"));
    info.Read();
    EXPECT_EQ(info.GetFileVersion(), QStringLiteral("2.0.0.3"));
    EXPECT_EQ(info.ProductName, QStringLiteral("Korvane"));
    EXPECT_TRUE(info.Comments.isEmpty());
}

TEST_F(ExeInfo, ReadingAnotherLanguageEmptiesWhatItDoesNotHold)
{
    TInfoExe info;
    info.SetFileName(WriteExecutable("040904E4/FileVersion=2.0.0.0\n040904E4/Comments=en\n"
                                     "040C04E4/Comments=fr\n"));
    info.SetLang(QStringLiteral("0409"));
    info.Read();
    EXPECT_EQ(info.Comments, QStringLiteral("en"));
    info.SetLang(QStringLiteral("040C"));
    info.Read();
    EXPECT_EQ(info.Comments, QStringLiteral("fr"));
    EXPECT_TRUE(info.FileVersion.isEmpty());
}

TEST_F(ExeInfo, FileWithoutVersionStringsLeavesTheValuesAsTheyWere)
{
    TInfoExe info;
    info.FileVersion = QStringLiteral("kept");
    info.SetFileName(WriteFile(QStringLiteral("program/plain"), QByteArray(2000, 'x')));
    info.Read();
    EXPECT_EQ(info.FileVersion, QStringLiteral("kept"));
    info.SetFileName(Root() + QStringLiteral("missing"));
    info.Read();
    EXPECT_EQ(info.FileVersion, QStringLiteral("kept"));
}

TEST_F(ExeInfo, TheBuiltProgramCarriesItsVersion)
{
    TInfoExe info;
    info.SetFileName(BuiltProgramFolder() + QStringLiteral("korvane"));
    info.SetLang(QStringLiteral("0409"));
    info.Read();
    EXPECT_EQ(info.GetFileVersion(), QStringLiteral(KORVANE_VERSION));
    EXPECT_EQ(info.ProductName, QStringLiteral("Korvane"));
}

TEST(VersionInfo, QueryPathsIgnoreCaseAndAcceptBothSeparators)
{
    const QByteArray block = "040904E4/FileVersion=1.2.3.4\n040904E4/LegalCopyright=a=b\n";
    EXPECT_EQ(plat::VerQueryValue(block, QStringLiteral("\\StringFileInfo\\040904e4\\fileversion")),
              QStringLiteral("1.2.3.4"));
    EXPECT_EQ(plat::VerQueryValue(block, QStringLiteral("StringFileInfo\\040904E4\\LegalCopyright")),
              QStringLiteral("a=b"));
    EXPECT_FALSE(plat::VerQueryValue(block, QStringLiteral("\\StringFileInfo\\040904E4\\Comments")));
}
