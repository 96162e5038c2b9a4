#include "foundation/exe_info.h"
#include "platform/version_info.h"
#include "tests/support/temp_world.h"

class ExeInfo : public TempWorld {
protected:
    QString WriteExecutable(const QByteArray& lines)
    {
        return WriteFile("program/tool", QByteArray(4096, '\x7f') + plat::VersionBlockStart() + lines +
                                             plat::VersionBlockEnd() + QByteArray(100, '\0'));
    }
};

TEST_F(ExeInfo, ReadsOnlyTheLanguageItWasAskedForAndEmptiesWhatItDoesNotHold)
{
    TInfoExe info;
    info.SetFileName(WriteExecutable(
        "040904E4/FileVersion=2.0.0.3\n040904E4/ProductName=Korvane\n040C04E4/Comments=fr\n"));
    info.Read();
    EXPECT_TRUE(info.GetFileVersion().isEmpty()) << "the version is stored under 0409 only";
    EXPECT_EQ(info.Comments, "fr");
    info.SetLang("0409");
    info.Read();
    EXPECT_EQ(info.GetFileVersion(), "2.0.0.3");
    EXPECT_EQ(info.ProductName, "Korvane");
    EXPECT_TRUE(info.Comments.isEmpty());
}

TEST_F(ExeInfo, TheBuiltProgramCarriesItsVersion)
{
    TInfoExe info;
    info.SetFileName(BuiltProgramFolder() + "korvane");
    info.SetLang("0409");
    info.Read();
    EXPECT_EQ(info.GetFileVersion(), QStringLiteral(KORVANE_VERSION));
    EXPECT_EQ(info.ProductName, "Korvane");
}

TEST(VersionInfo, QueryPathsIgnoreCaseAndAcceptBothSeparators)
{
    const QByteArray block = "040904E4/FileVersion=1.2.3.4\n040904E4/LegalCopyright=a=b\n";
    EXPECT_EQ(plat::VerQueryValue(block, "\\StringFileInfo\\040904e4\\fileversion"), "1.2.3.4");
    EXPECT_EQ(plat::VerQueryValue(block, "StringFileInfo\\040904E4\\LegalCopyright"), "a=b");
    EXPECT_FALSE(plat::VerQueryValue(block, "\\StringFileInfo\\040904E4\\Comments"));
}
