#include "foundation/useful_files.h"

#include "platform/dialogs.h"
#include "tests/support/qt_printers.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_world.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const auto kReadOnlyFile = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;

class UsefulFiles : public TempWorld {
protected:
    void SetUp() override
    {
        TempWorld::SetUp();
        for (const char* name : {"TMP", "TEMP"}) {
            saved_[name] = qgetenv(name);
            qunsetenv(name);
        }
        savedInput_ = DefaultInputFolder;
        savedCurrent_ = QDir::currentPath();
    }
    void TearDown() override
    {
        QDir::setCurrent(savedCurrent_);
        DefaultInputFolder = savedInput_;
        for (const auto& [name, value] : saved_)
            value.isNull() ? qunsetenv(name) : qputenv(name, value);
        TempWorld::TearDown();
    }

    QString Folder(const QString& relativeName) const
    {
        QDir().mkpath(Root() + relativeName);
        return Root() + relativeName + u'/';
    }

    // The texts of the boxes shown so far, each an error box with one OK button.
    QStringList Texts() const
    {
        QStringList texts;
        for (const plat::MessageRequest& request : Dialogs().Messages()) {
            EXPECT_EQ(request.Type, plat::TMsgDlgType::mtError);
            EXPECT_EQ(request.Buttons, plat::TMsgDlgButtons(plat::mbOK));
            texts << request.Text;
        }
        return texts;
    }

private:
    std::map<const char*, QByteArray> saved_;
    QString savedInput_, savedCurrent_;
};

} // namespace

TEST_F(UsefulFiles, TheTemporaryFolderIsTheFirstExistingOfItsChain)
{
    const QString preferred = Folder("preferred");
    EXPECT_EQ(GetTempFolder(preferred.chopped(1)), preferred);
    // Writing there is for the batch to probe: an unwritable folder still counts.
    QFile::setPermissions(preferred, kReadOnlyFile | QFile::ExeOwner);
    EXPECT_EQ(GetTempFolder(preferred), preferred);
    QFile::setPermissions(preferred, kReadOnlyFile | QFile::ExeOwner | QFile::WriteOwner);
    EXPECT_EQ(GetTempFolder(Root() + "missing"), Temp());
    EXPECT_EQ(GetTempFolder(WriteFile("a file", "x")), Temp()) << "a file is no folder";

    qputenv("TMPDIR", (Root() + "gone").toUtf8());
    qputenv("TMP", (Root() + "also gone").toUtf8());
    qputenv("TEMP", Folder("temp").toUtf8());
    EXPECT_EQ(GetEnvTempFolder(), Root() + "temp/") << "a missing TMP falls through to TEMP";
    qputenv("TMP", Folder("tmp var").chopped(1).toUtf8());
    EXPECT_EQ(GetEnvTempFolder(), Root() + "tmp var/") << "TMP comes first";
    qunsetenv("TMP");
    qunsetenv("TEMP");
    EXPECT_EQ(GetEnvTempFolder(), QString());
    EXPECT_EQ(GetTempFolder(QString()), "/tmp/") << "a missing TMPDIR gives the system's folder";
    EXPECT_EQ(GetTempFolder("/"), "/tmp/") << "never the root";
    EXPECT_EQ(GetWorkFolder("//"), Home());
}

TEST_F(UsefulFiles, TheWorkFolderFallsBackToDocumentsHomeAndTemporary)
{
    const QString preferred = Folder("work");
    EXPECT_EQ(GetWorkFolder(preferred), preferred);
    EXPECT_EQ(GetDefaultInputFolder(QString()), Home()) << "no documents folder: the home folder";
    const QString documents = Folder("home/Documents");
    EXPECT_EQ(GetDefaultOutputFolder(Root() + "missing"), documents);
    qputenv("HOME", (Root() + "no home").toUtf8());
    EXPECT_EQ(GetWorkFolder(Root() + "missing"), Temp());
}

TEST_F(UsefulFiles, NamesAreRefusedWithOneBoxForTheFirstFault)
{
    const QString existing = WriteFile("in/song.wav", "x");
    EXPECT_FALSE(CheckFileName("   ", "\"WAV Audio file\"", false, true));
    EXPECT_FALSE(CheckFileName("song.wav", "wav", false, true));
    EXPECT_FALSE(CheckExistingFileName(Root() + "in/gone.wav ", "wav", false));
    EXPECT_TRUE(CheckExistingFileName(" /" + existing, QString(), false)) << "two slashes name no server";
    EXPECT_TRUE(CheckFileName(Root() + "in/new.wav", "wav", false, false));

    const QString out = Folder("out");
    QDir::setCurrent(out);
    EXPECT_FALSE(CheckOutputFileNameEx(" \"\" ", "wav", true));
    EXPECT_FALSE(CheckOutputFileName(QString(), true));
    EXPECT_FALSE(CheckOutputFileNameEx("/proc/self/out.wav", "wav", true));
    EXPECT_FALSE(CheckOutputFileNameEx(".wav", "wav", true));
    EXPECT_FALSE(CheckOutputFileNameEx(out + "song.mp3", "wav", true));
    EXPECT_TRUE(CheckOutputFileNameEx("song.WAV", "wav", true))
        << "a bare name is taken in the current folder";
    EXPECT_TRUE(CheckOutputFileNameEx('"' + out + "Été \"live\".wav\"", "WAV", true));
    EXPECT_TRUE(CheckOutputFileName(out + "Recycler music/a.vcd.mpg", true))
        << "only a whole folder name counts";

    EXPECT_EQ(Texts(), QStringList({"\rInvalid \"WAV Audio file\" filename\r",
                                    "\rThe filename must contain the full path   \r",
                                    "\rThe file \"" + Root() + "in/gone.wav\" does not exist\r",
                                    "\rPlease enter a WAV filename    \r", "\rPlease enter a  filename    \r",
                                    "\rRead only folder:    \r\r  /proc/self/out.wav\r",
                                    "\rInvalid WAV filename:    \r\r  " + out + ".wav\r",
                                    "\rInvalid WAV filename\r"}));
    EXPECT_EQ(UncToForwardSlashes("\\\\server\\share\\a.mp2"), "\\\\server\\share\\a.mp2");
}

TEST_F(UsefulFiles, CreatingIsProvedWithoutHarmingAnyExistingFile)
{
    const QString existing = WriteFile("keep.wav", "precious");
    const QString readOnly = WriteFile("locked.wav", "locked");
    QFile::setPermissions(readOnly, kReadOnlyFile);
    const QString folder = Folder("a folder");
    ASSERT_TRUE(QFile::link(Root() + "target.wav", Root() + "link.wav"));
    for (const QString& name :
         {existing, readOnly, folder, Root() + "link.wav", Root() + "no/x.wav", QString()})
        EXPECT_FALSE(CanCreateFile(name)) << name.toStdString();
    EXPECT_EQ(ReadFile(existing), "precious");
    EXPECT_EQ(ReadFile(readOnly), "locked");
    EXPECT_FALSE(QFileInfo(readOnly).permissions() &
                 (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther));
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_FALSE(QFileInfo::exists(Root() + "target.wav")) << "never created through a link";

    EXPECT_TRUE(CanCreateFile(Root() + "tmp.tmp"));
    EXPECT_FALSE(QFileInfo::exists(Root() + "tmp.tmp"));
    EXPECT_TRUE(Dialogs().Messages().isEmpty());
}

TEST_F(UsefulFiles, PreparingAnOutputDeletesTheOldFileOrRefusesWithABox)
{
    const QString old = WriteFile("old.wav", "old");
    EXPECT_TRUE(PrepareOutputFile(old));
    EXPECT_TRUE(PrepareOutputFile(Root() + "new.wav"));
    EXPECT_FALSE(QFileInfo::exists(old));
    EXPECT_FALSE(QFileInfo::exists(Root() + "new.wav")) << "no file is left behind";
    EXPECT_TRUE(Dialogs().Messages().isEmpty());

    const QString readOnly = WriteFile("locked.wav", "locked");
    QFile::setPermissions(readOnly, kReadOnlyFile);
    const QString folder = Folder("song.wav").chopped(1);
    EXPECT_FALSE(PrepareOutputFile(readOnly));
    EXPECT_FALSE(PrepareOutputFile(folder));
    QString cause;
    EXPECT_FALSE(PrepareOutputFile(Root() + "missing/out.wav", &cause));
    EXPECT_EQ(cause, "No such file or directory");
    const QString notReadOnly = "\r\rPlease be sure that this file is not ReadOnly...   ";
    EXPECT_EQ(Texts(), QStringList({"Unable to overwrite:\r\r  " + readOnly + notReadOnly,
                                    "Unable to overwrite:\r\r  " + folder + notReadOnly,
                                    "Unable to create:\r\r  " + Root() +
                                        "missing/out.wav\r\rPlease check the filename...   "}));
    EXPECT_EQ(ReadFile(readOnly), "locked");
    EXPECT_TRUE(QFileInfo(folder).isDir());
}

TEST_F(UsefulFiles, TheOpenDialogStartsFromTheProposedFileAndRemembersTheAcceptedFolder)
{
    EXPECT_TRUE(DefaultOutputFolder.endsWith(u'/')) << "the globals start at a work folder";
    const QString song = WriteFile("music/song.mp3", "x");
    const QString other = WriteFile("other/tune.ogg", "x");
    DefaultInputFolder = Folder("input");
    const QString filter = "Ogg Vorbis (*.ogg)|*.ogg";

    Dialogs().QueueChoice(other);
    EXPECT_EQ(SelectOpenFileName("audio", filter, true, " \"" + song + "\" "), other);
    const plat::FileRequest first = Dialogs().FileRequests().value(0);
    EXPECT_EQ(first.Title, "Open a audio file");
    EXPECT_EQ(first.Folder, Root() + "music/");
    EXPECT_EQ(first.FileName, "song.mp3");
    EXPECT_EQ(first.Filter, filter);
    EXPECT_EQ(DefaultInputFolder, Root() + "other/");

    // Cancelled from the default folder, since the proposed one is gone; then refused from nowhere.
    EXPECT_EQ(SelectOpenFileName("audio", filter, true, Root() + "gone/a.mp3"), QString());
    EXPECT_EQ(Dialogs().FileRequests().last().Folder, Root() + "other/");
    DefaultInputFolder = Root() + "gone too/";
    Dialogs().QueueChoice(Root() + "other/vanished.ogg");
    EXPECT_EQ(SelectOpenFileName("audio", filter, true, "a.mp3"), QString());
    EXPECT_EQ(Dialogs().FileRequests().last().Folder, QString());
    EXPECT_EQ(Texts(), QStringList({"\rThe file \"" + Root() + "other/vanished.ogg\" does not exist\r"}));
    EXPECT_EQ(DefaultInputFolder, Root() + "gone too/") << "a refused file moves nothing";
}
