#include "foundation/browse_for_folder.h"
#include "foundation/file_tools.h"
#include "foundation/useful_registry.h"
#include "tests/support/qt_printers.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_world.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

namespace {

const auto kReadOnly = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;

} // namespace

class FileTools : public TempWorld {};

TEST(FileNames, OnlyTheSlashSeparatesFolders)
{
    EXPECT_EQ(GetLowerExtension(QStringLiteral("/music/Song.WAV")), QStringLiteral(".wav"));
    EXPECT_EQ(GetLowerExtension(QStringLiteral("/music/dir.x/file")), QString());
    EXPECT_EQ(GetLowerExtension(QStringLiteral("C:\\dir.x\\Song")), QStringLiteral(".x\\song"))
        << "a backslash is part of the name";
    EXPECT_EQ(ExtractFileNameNoExt(QStringLiteral("/a/C:\\b.c.wav")), QStringLiteral("C:\\b.c"));
    EXPECT_EQ(ExtractFileNameNoExt(QStringLiteral("/a/.hidden")), QString());
    EXPECT_EQ(GetLowerExtension(QStringLiteral("/a/.hidden")), QStringLiteral(".hidden"));
    EXPECT_EQ(ExtractFileNameNoExt(QStringLiteral("/a/ no dot ")), QStringLiteral(" no dot "))
        << "kept untrimmed";
    EXPECT_EQ(ExtractFileNameNoExt(QStringLiteral("/a/Été \"live\" .Ogg")), QStringLiteral("Été \"live\""));
    EXPECT_EQ(RemoveFileExt(QStringLiteral("/x/Été \"live\".MP3")), QStringLiteral("/x/Été \"live\""));
    EXPECT_EQ(RemoveFileExt(QStringLiteral("a.b.c")), QStringLiteral("a.b"));
    EXPECT_EQ(ExpandLongFileName(QStringLiteral("/x/PROGRA~1/a")), QStringLiteral("/x/PROGRA~1/a"));
    EXPECT_EQ(ExtractLongFilePath(QStringLiteral("/a/b/c.wav")), QStringLiteral("/a/b"));
    EXPECT_EQ(ExtractLongFilePath(QStringLiteral("/x")), QStringLiteral("/"));
    EXPECT_EQ(ExtractLongFilePath(QStringLiteral("x:\\y")), QString());
    EXPECT_TRUE(PathStartsWith(QStringLiteral("/Media/Music"), QStringLiteral("/media/")));
    EXPECT_FALSE(PathStartsWith(QStringLiteral("/media"), QString()));
}

TEST_F(FileTools, ExistenceAndSizesAreSixtyFourBit)
{
    const QString folder = Root() + QStringLiteral("dir \\ with: \"odd\" ünï");
    QDir().mkpath(folder);
    EXPECT_TRUE(FileExistsEx(folder));
    EXPECT_EQ(GetFileSizeEx(folder), 0);
    EXPECT_FALSE(FileExistsEx(QStringLiteral("   ")));
    EXPECT_EQ(GetFileSizeEx(folder + QStringLiteral("/missing")), -1);

    const QString name = WriteFile(QStringLiteral("big.wav"), QByteArray());
    for (const std::int64_t size : {std::int64_t(4294967295), std::int64_t(5) << 30}) {
        ASSERT_TRUE(QFile::resize(name, size));
        EXPECT_TRUE(FileExistsEx(name));
        EXPECT_EQ(GetFileSizeEx(name), size);
    }
    const QString dangling = Root() + QStringLiteral("dangling");
    ASSERT_TRUE(QFile::link(Root() + QStringLiteral("gone"), dangling));
    EXPECT_TRUE(FileExistsEx(dangling)) << "a name held by a broken link is taken";
}

TEST_F(FileTools, ReadOnlyComesFromTheModeBitsEvenForRoot)
{
    const QString locked = WriteFile(QStringLiteral("locked.wav"), "keep");
    QFile::setPermissions(locked, kReadOnly);
    EXPECT_TRUE(IsFileReadOnly(locked));
    EXPECT_FALSE(DeleteFileIfWritable(locked));
    EXPECT_EQ(ReadFile(locked), QByteArray("keep"));

    const QString open = WriteFile(QStringLiteral("open.wav"), "x");
    EXPECT_FALSE(IsFileReadOnly(open));
    EXPECT_TRUE(DeleteFileIfWritable(QStringLiteral("  ") + open + QStringLiteral(" ")));
    EXPECT_FALSE(QFile::exists(open));
    EXPECT_FALSE(DeleteFileIfWritable(open));
    EXPECT_FALSE(IsFileReadOnly(open));

    const QString folder = Root() + QStringLiteral("folder");
    QDir().mkpath(folder);
    EXPECT_FALSE(DeleteFileIfWritable(folder)) << "folders are never removed";
    EXPECT_TRUE(QFileInfo(folder).isDir());
    const QString fifo = Root() + QStringLiteral("pipe.wav");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0666), 0);
    EXPECT_FALSE(DeleteFileIfWritable(fifo)) << "nor anything else that is no file, like a device";
    EXPECT_TRUE(QFileInfo::exists(fifo));
    EXPECT_FALSE(IsFolderReadOnly(folder + u'/'));
    QFile::setPermissions(folder, kReadOnly | QFile::ExeOwner);
    EXPECT_TRUE(IsFolderReadOnly(folder + u'/'));
    EXPECT_TRUE(IsFolderReadOnly(Root() + QStringLiteral("missing/")));
}

TEST_F(FileTools, UniqueNamesTryFiftyCandidatesThenGiveUp)
{
    const QString name = WriteFile(QStringLiteral("Song.WAV"), "x");
    EXPECT_EQ(MakeUniqueFileName(Root() + QStringLiteral("Other.WAV")), Root() + QStringLiteral("Other.WAV"));
    for (int n = 1; n <= 3; ++n)
        WriteFile(QStringLiteral("Song-%1.wav").arg(n), "x");
    EXPECT_EQ(MakeUniqueFileName(name), Root() + QStringLiteral("Song-4.wav"));
    for (int n = 4; n <= 50; ++n)
        WriteFile(QStringLiteral("Song-%1.wav").arg(n), "x");
    EXPECT_EQ(MakeUniqueFileName(name), QString()) << "never the name of an existing file";
}

TEST_F(FileTools, SystemFoldersAreWholeComponentsBelowTheRoot)
{
    EXPECT_TRUE(IsSystemFolder(QStringLiteral("/recycled/x")));
    EXPECT_TRUE(IsSystemFolder(QStringLiteral(" /RECYCLER ")));
    EXPECT_TRUE(IsSystemFolder(QStringLiteral("/.Trash-1000/files/song.mp3")));
    EXPECT_TRUE(IsSystemFolder(QStringLiteral("/lost+found")));
    EXPECT_TRUE(IsSystemFolder(QStringLiteral("/proc/self")));
    EXPECT_TRUE(IsSystemFolder(Home() + QStringLiteral(".local/share/Trash/files")));
    EXPECT_FALSE(IsSystemFolder(QStringLiteral("/Recycler music/a")));
    EXPECT_FALSE(IsSystemFolder(QStringLiteral("/procedures")));
    EXPECT_FALSE(IsSystemFolder(Root() + QStringLiteral("Recycled")));
    EXPECT_FALSE(IsSystemFolder(QStringLiteral("  ")));
}

TEST_F(FileTools, TheFolderBrowserStartsOnlyFromAnExistingFolder)
{
    QString folder = Temp();
    Dialogs().QueueChoice(Home());
    EXPECT_TRUE(BrowseForFolder(QStringLiteral("Temp Directory"), QString(), folder));
    EXPECT_EQ(folder, Home());
    EXPECT_EQ(Dialogs().FileRequests().last().Title, QStringLiteral("Temp Directory"));
    EXPECT_EQ(Dialogs().FileRequests().last().Folder, Temp());

    folder = Root() + QStringLiteral("missing");
    EXPECT_FALSE(BrowseForFolder(QStringLiteral("Output"), QString(), folder));
    EXPECT_EQ(Dialogs().FileRequests().last().Folder, QString());
    EXPECT_TRUE(FolderExists(Temp()));
    EXPECT_FALSE(FolderExists(WriteFile(QStringLiteral("file"), "x")));
}

TEST_F(FileTools, RegistryStringsAreTrimmedAndMissingOnesEmpty)
{
    auto key = plat::RegistryKey::Open(plat::RegistryRoot::CurrentUser, QStringLiteral("Software\\K"), true);
    ASSERT_TRUE(key);
    ASSERT_TRUE(key->WriteString(QStringLiteral("Name"), QStringLiteral("  value ")));
    ASSERT_TRUE(key->WriteDword(QStringLiteral("Number"), 3));
    const auto hkcu = plat::RegistryRoot::CurrentUser;
    EXPECT_EQ(GetRegistryString(hkcu, QStringLiteral("HKCU"), QStringLiteral("Software\\K"),
                                QStringLiteral("Name")),
              QStringLiteral("value"));
    EXPECT_EQ(GetRegistryString(hkcu, QStringLiteral("HKCU"), QStringLiteral("Software\\K"),
                                QStringLiteral("Number")),
              QString());
    EXPECT_TRUE(Dialogs().Messages().isEmpty());
    EXPECT_EQ(GetRegistryString(hkcu, QStringLiteral("HKCU"), QStringLiteral("Software\\None"),
                                QStringLiteral("x"), true, QStringLiteral("x")),
              QString());
    ASSERT_EQ(Dialogs().Messages().size(), 2);
    EXPECT_EQ(Dialogs().Messages()[0].Text, QStringLiteral("Will read: HKCU\\Software\\None\\x"));
    EXPECT_EQ(Dialogs().Messages()[1].Text, QStringLiteral("Unable to open HKCU\\Software\\None"));
    EXPECT_EQ(GetWindowsDriveRoot(), QStringLiteral("/"));
    EXPECT_EQ(GetAppDataFolder(), ConfigHome());
}
