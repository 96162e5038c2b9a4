#include "foundation/browse_for_folder.h"
#include "foundation/file_tools.h"
#include "foundation/useful_registry.h"
#include "tests/support/qt_printers.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_world.h"

#include <QDir>
#include <QFile>

#include <iterator>
#include <utility>

#include <cerrno>
#include <sys/stat.h>

static const auto kReadOnly = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;

class FileTools : public TempWorld {};

TEST_F(FileTools, ExistenceAndSizesAreSixtyFourBit)
{
    const QString folder = Root() + "dir \\ with: \"odd\" ünï";
    QDir().mkpath(folder);
    EXPECT_TRUE(FileExistsEx(folder));
    EXPECT_EQ(GetFileSizeEx(folder), 0);
    EXPECT_FALSE(FileExistsEx("   "));
    EXPECT_EQ(GetFileSizeEx(folder + QStringLiteral("/missing")), -1);

    const QString name = WriteFile("big.wav", QByteArray());
    for (const std::int64_t size : {std::int64_t(4294967295), std::int64_t(5) << 30}) {
        ASSERT_TRUE(QFile::resize(name, size));
        EXPECT_TRUE(FileExistsEx(name));
        EXPECT_EQ(GetFileSizeEx(name), size);
    }
    const QString dangling = Root() + "dangling";
    ASSERT_TRUE(QFile::link(Root() + "gone", dangling));
    EXPECT_TRUE(FileExistsEx(dangling)) << "a name held by a broken link is taken";

    // Two spellings of one file have one key; a name not there yet has its folder's, without case.
    ASSERT_TRUE(QFile::link(folder, Root() + "same"));
    const QString song = WriteFile("same/Song.wav", "x");
    EXPECT_EQ(FileIdentityKey(folder + "/Song.wav"), FileIdentityKey(song));
    EXPECT_EQ(FileIdentityKey(folder + "/New.WAV"), FileIdentityKey(Root() + "same/new.wav"));
    EXPECT_NE(FileIdentityKey(folder + "/New.WAV"), FileIdentityKey(song));
}

TEST_F(FileTools, ReadOnlyComesFromTheModeBitsEvenForRoot)
{
    const QString locked = WriteFile("locked.wav", "keep");
    QFile::setPermissions(locked, kReadOnly);
    EXPECT_TRUE(IsFileReadOnly(locked));
    QString reason;
    EXPECT_FALSE(DeleteFileIfWritable(locked, &reason));
    EXPECT_EQ(reason, "Permission denied");
    EXPECT_EQ(ReadFile(locked), QByteArray("keep"));

    const QString open = WriteFile("open.wav", "x");
    EXPECT_FALSE(IsFileReadOnly(open));
    EXPECT_TRUE(DeleteFileIfWritable(QStringLiteral("  ") + open + QStringLiteral(" ")));
    EXPECT_FALSE(QFile::exists(open));
    EXPECT_FALSE(DeleteFileIfWritable(open));
    EXPECT_FALSE(IsFileReadOnly(open));

    const QString folder = Root() + "folder";
    QDir().mkpath(folder);
    EXPECT_FALSE(DeleteFileIfWritable(folder)) << "folders are never removed";
    EXPECT_TRUE(QFileInfo(folder).isDir());
    const QString fifo = Root() + QStringLiteral("pipe.wav");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0666), 0);
    EXPECT_FALSE(DeleteFileIfWritable(fifo)) << "nor anything else that is no file, like a device";
    EXPECT_TRUE(QFileInfo::exists(fifo));
    EXPECT_EQ(ReplaceRefusal(folder), "Is a directory");
    EXPECT_EQ(ReplaceRefusal(fifo), "File exists");
    EXPECT_EQ(ReplaceRefusal(open), "No such file or directory");
    EXPECT_FALSE(IsFolderReadOnly(folder + u'/'));
    // A writable file in a folder that takes no writing stays: removing a name writes to its folder.
    const QString inside = WriteFile("folder/inside.wav", "keep");
    EXPECT_EQ(ReplaceRefusal(inside), QString());
    QFile::setPermissions(folder, kReadOnly | QFile::ExeOwner);
    EXPECT_TRUE(IsFolderReadOnly(folder + u'/'));
    EXPECT_TRUE(IsFolderReadOnly(Root() + "missing/"));
    EXPECT_FALSE(IsReplaceableFile(inside));
    EXPECT_FALSE(DeleteFileIfWritable(inside, &reason));
    EXPECT_EQ(reason, "Permission denied");
    EXPECT_EQ(ReadFile(inside), "keep");

    // The system's rule, whoever runs the tests: in a sticky folder only root, the file's owner or the
    // folder's may remove a name; a folder or a file that takes no writing keeps it from anyone.
    constexpr uid_t root = 0, user = 1000, other = 1001;
    constexpr mode_t file = S_IFREG | 0666, link = S_IFLNK | 0777, sticky = S_IFDIR | 01777,
                     plain = S_IFDIR | 0777;
    const std::pair<TReplaceFacts, int> table[] = {
        {{file, other, sticky, other, user, 0, 0}, EPERM},
        {{link, other, sticky, other, user, 0, 0}, EPERM},
        {{file, other, sticky, other, root, 0, 0}, 0},
        {{file, user, sticky, other, user, 0, 0}, 0},
        {{file, other, sticky, user, user, 0, 0}, 0},
        {{file, other, plain, other, user, 0, 0}, 0},
        {{file, user, sticky, other, user, EACCES, 0}, EACCES},
        {{file, user, plain, user, user, 0, EACCES}, EACCES},
        {{file, other, sticky, other, root, 0, EACCES}, EACCES},
        {{S_IFDIR | 0777, user, plain, user, user, 0, 0}, EISDIR},
        {{S_IFCHR | 0666, user, plain, user, root, 0, 0}, EEXIST},
    };
    for (std::size_t row = 0; row < std::size(table); ++row)
        EXPECT_EQ(ReplaceError(table[row].first), table[row].second) << "row " << row;
}

TEST_F(FileTools, UniqueNamesTryFiftyCandidatesThenGiveUp)
{
    const QString name = WriteFile("Song.WAV", "x");
    EXPECT_EQ(MakeUniqueFileName(Root() + "Other.WAV"), Root() + "Other.WAV");
    for (int n = 1; n <= 3; ++n)
        WriteFile(QStringLiteral("Song-%1.wav").arg(n), "x");
    EXPECT_EQ(MakeUniqueFileName(name), Root() + "Song-4.wav");
    for (int n = 4; n <= 49; ++n)
        WriteFile(QStringLiteral("Song-%1.wav").arg(n), "x");
    EXPECT_EQ(MakeUniqueFileName(name), Root() + "Song-50.wav") << "the fiftieth candidate is tried too";
    WriteFile("Song-50.wav", "x");
    EXPECT_EQ(MakeUniqueFileName(name), QString()) << "never the name of an existing file";
}

TEST_F(FileTools, OnlyTheSlashSeparatesFoldersAndSystemFoldersAreWholeComponents)
{
    for (const QString& path : QStringList{"/recycled/x", " /RECYCLER ", "/.Trash-1000/files/song.mp3",
                                           "/lost+found", "/proc/self", Home() + ".local/share/Trash/files"})
        EXPECT_TRUE(IsSystemFolder(path)) << path.toStdString();
    for (const QString& path : QStringList{"/Recycler music/a", "/procedures", Root() + "Recycled", "  "})
        EXPECT_FALSE(IsSystemFolder(path)) << path.toStdString();
    // Below the devices' folder, only the memory file system made for files takes them. A root of the
    // test's own stands for the machine's.
    const QString machine = Root() + "machine/";
    SetSystemFoldersRoot(machine);
    for (const QString& path : {machine + "dev/null", machine + "dev/shmem/x", machine + "sys"})
        EXPECT_TRUE(IsSystemFolder(path)) << path.toStdString();
    for (const QString& path :
         {machine + "dev/shm", machine + "dev/shm/x/TmpA1B23.tmp", QString("/dev/null")})
        EXPECT_FALSE(IsSystemFolder(path)) << path.toStdString();
    SetSystemFoldersRoot(QString());
    EXPECT_TRUE(IsSystemFolder("/dev/null"));

    EXPECT_EQ(GetLowerExtension("/music/Song.WAV"), ".wav");
    EXPECT_EQ(GetLowerExtension("/music/dir.x/file"), QString());
    EXPECT_EQ(GetLowerExtension("C:\\dir.x\\Song"), ".x\\song") << "a backslash is part of the name";
    EXPECT_EQ(ExtractFileNameNoExt("/a/C:\\b.c.wav"), "C:\\b.c");
    EXPECT_EQ(ExtractFileNameNoExt("/a/.hidden"), QString());
    EXPECT_EQ(GetLowerExtension("/a/.hidden"), ".hidden");
    EXPECT_EQ(ExtractFileNameNoExt("/a/ no dot "), " no dot ") << "kept untrimmed";
    EXPECT_EQ(ExtractFileNameNoExt("/a/Été \"live\" .Ogg"), "Été \"live\"");
    EXPECT_EQ(RemoveFileExt("/x/Été \"live\".MP3"), "/x/Été \"live\"");
    EXPECT_EQ(RemoveFileExt("a.b.c"), "a.b");
    EXPECT_EQ(ExtractLongFilePath("/a/b/c.wav"), "/a/b");
    EXPECT_EQ(ExtractLongFilePath("/x"), "/");
    EXPECT_EQ(ExtractLongFilePath("x:\\y"), QString());
    EXPECT_TRUE(PathStartsWith("/Media/Music", "/media/"));
    EXPECT_FALSE(PathStartsWith("/media", QString()));
}

TEST_F(FileTools, TheFolderBrowserStartsOnlyFromAnExistingFolder)
{
    QString folder = Temp();
    Dialogs().QueueChoice(Home());
    EXPECT_TRUE(BrowseForFolder("Temp Directory", QString(), folder));
    EXPECT_EQ(folder, Home());
    EXPECT_EQ(Dialogs().FileRequests().last().Title, "Temp Directory");
    EXPECT_EQ(Dialogs().FileRequests().last().Folder, Temp());

    folder = Root() + "missing";
    EXPECT_FALSE(BrowseForFolder("Output", QString(), folder));
    EXPECT_EQ(Dialogs().FileRequests().last().Folder, QString());
    EXPECT_TRUE(FolderExists(Temp()));
    EXPECT_FALSE(FolderExists(WriteFile("file", "x")));
}

TEST_F(FileTools, RegistryStringsAreTrimmedAndMissingOnesEmpty)
{
    const auto hkcu = plat::RegistryRoot::CurrentUser;
    auto key = plat::RegistryKey::Open(hkcu, QStringLiteral("Software\\K"), true);
    ASSERT_TRUE(key);
    ASSERT_TRUE(key->WriteString("Name", "  value "));
    ASSERT_TRUE(key->WriteDword("Number", 3));
    EXPECT_EQ(GetRegistryString(hkcu, "HKCU", "Software\\K", "Name"), "value");
    EXPECT_EQ(GetRegistryString(hkcu, "HKCU", "Software\\K", "Number"), QString());
    EXPECT_EQ(GetRegistryString(hkcu, "HKCU", "Software\\None", "x"), QString());
}
