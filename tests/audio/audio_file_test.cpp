#include "audio/audio_file.h"

#include "foundation/file_types.h"
#include "tests/support/qt_printers.h"
#include "tests/support/recording_views.h"
#include "tests/support/temp_world.h"

#include <QDir>
#include <QFile>

#include <memory>

namespace {

const QString kWaiting(36, u' ');

using AudioFile = TempWorld;

} // namespace

TEST(AudioFileTypes, SourcesAreKnownByTheirLastExtensionInAnyCase)
{
    for (const char* name : {"/m/A.MP3", "/m/b.Wave", "x.Ogg"})
        EXPECT_TRUE(IsSupportedAudioFile(name)) << name;
    for (const char* name : {"/m/a.flac", "/m/mp3", "/m/a.mp3.txt", "/m/dir.mp3/file", "", "/m/a."})
        EXPECT_FALSE(IsSupportedAudioFile(name)) << name;
    // The open dialog offers exactly these types, each family described with its own patterns.
    const QStringList filter = GetAudioFilesFilter().split(u'|');
    QStringList offered;
    for (int n = 1; n < filter.size(); n += 2) {
        EXPECT_TRUE(filter[n - 1].endsWith(u'(' + filter[n] + u')')) << filter[n - 1].toStdString();
        offered += filter[n].split(u';');
    }
    QStringList mask = GetAudioFilesMask().split(u';');
    for (const QString& pattern : mask)
        EXPECT_TRUE(IsSupportedAudioFile("/m/x" + pattern.mid(1))) << pattern.toStdString();
    offered.sort();
    mask.sort();
    EXPECT_EQ(offered, mask);
    EXPECT_EQ(mask.size(), 7);
}

TEST_F(AudioFile, AnEntryHoldsTheNamesAndTheSixtyFourBitSizeOfAnExistingFileOnly)
{
    const QString name = WriteFile("Music/Été \"Live\".MP3", "data");
    ASSERT_TRUE(QFile::resize(name, std::int64_t(5) << 30));
    const TAudioFile entry(name, nullptr);
    EXPECT_EQ(entry.FullName, name);
    EXPECT_EQ(entry.FileName, "Été \"Live\".MP3");
    EXPECT_EQ(entry.Folder, Root() + "Music/");
    EXPECT_EQ(entry.FileSize, std::int64_t(5) << 30);

    QDir().mkpath(Root() + "folder.mp3");
    ASSERT_TRUE(QFile::link(Root() + "gone.mp3", Root() + "dangling.mp3"));
    RecordingFileStatusView row;
    for (const QString& missing : {Root() + "missing.mp3", Root() + "folder.mp3", Root() + "dangling.mp3"}) {
        const TAudioFile empty(missing, &row);
        EXPECT_EQ(empty.FullName, QString()) << missing.toStdString();
        EXPECT_EQ(empty.Folder, QString());
        EXPECT_EQ(empty.FileSize, 0);
        EXPECT_EQ(empty.ListItem, &row) << "the entry still exists with its row";
    }
}

TEST_F(AudioFile, TheStatusColumnShowsEachStatusAndIsRewrittenOnlyWhenItChanges)
{
    RecordingFileStatusView row;
    TAudioFile entry(QString(), &row);
    EXPECT_EQ(entry.GetStatus(), afsWaiting);
    EXPECT_EQ(entry.GetStatusText(), kWaiting) << "never an empty text";
    entry.SetProgress(0);
    entry.SetProgress(0);
    EXPECT_EQ(row.Cell, "0 %");
    EXPECT_EQ(row.Writes, 1) << "a repeated percent leaves the cell alone";
    EXPECT_EQ(row.Scrolls, 2) << "the row is brought into view each time";
    EXPECT_EQ(entry.GetStatus(), afsInProgress);

    entry.SetStatus(afsConverted, QString());
    EXPECT_EQ(row.Cell, "Converted");
    entry.SetStatus(afsError, "Bad header");
    EXPECT_EQ(entry.StatusText, "Bad header") << "the reason is kept for the page";
    entry.ClearStatus();
    EXPECT_EQ(row.Cell, kWaiting);
}

TEST_F(AudioFile, AnEntryOutlivesItsRow)
{
    // The list removes a row: it detaches the entry, which a running step still holds.
    auto row = std::make_unique<RecordingFileStatusView>();
    auto heldByAStep = std::make_shared<TAudioFile>(QString(), row.get());
    heldByAStep->Detach();
    row.reset();
    heldByAStep->SetProgress(50);
    EXPECT_EQ(heldByAStep->GetStatusText(), "50 %");
    EXPECT_EQ(heldByAStep->ListItem, nullptr);
}
