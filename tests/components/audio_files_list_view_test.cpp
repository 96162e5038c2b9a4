#include "components/audio_files_list_view.h"
#include "tests/support/patience.h"
#include "tests/support/qt_printers.h"
#include "tests/support/temp_world.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include <memory>
#include <utility>

class AudioFilesListView : public TempWorld {
protected:
    void SetUp() override
    {
        TempWorld::SetUp();
        list.OnCountMayHaveChanged = [this](QObject*) { ++changes; };
    }

    QStringList Column(int column) const
    {
        QStringList texts;
        for (int row = 0; row < list.topLevelItemCount(); ++row)
            texts << list.topLevelItem(row)->text(column);
        return texts;
    }
    QStringList Files(const QStringList& names) const
    {
        QStringList files;
        for (const QString& name : names)
            files << WriteFile(name, "data");
        return files;
    }

    TAudioFilesListView list;
    int changes = 0;
};

TEST_F(AudioFilesListView, AddingSortsSkipsUnsupportedTypesAndListsEachFileOnce)
{
    const QStringList files = Files({"b.mp3", "notes.txt", "d.MP3", "a.wav", "A.wav"});
    list.AddFiles(files + QStringList{files[0], Root() + "x/../b.mp3"});
    EXPECT_EQ(Column(TAudioFilesListView::NameColumn), QStringList({"A.wav", "a.wav", "b.mp3", "d.MP3"}));
    EXPECT_EQ(Column(TAudioFilesListView::PathColumn), QStringList(4, Root()));
    EXPECT_EQ(Column(TAudioFilesListView::InformationColumn), QStringList(4, QString(36, u' ')));
    EXPECT_EQ(changes, 4);

    list.AddFiles(Files({"e.ogg", "b.mp3"}));
    EXPECT_EQ(Column(0), QStringList({"A.wav", "a.wav", "b.mp3", "d.MP3", "e.ogg"}));
    EXPECT_EQ(changes, 5);
    EXPECT_EQ(list.headerItem()->text(1), "Information");
}

TEST_F(AudioFilesListView, RemovedRowsLeaveTheirEntriesDetachedAndEveryRemovalIsAnnounced)
{
    list.AddFiles(Files({"a.mp3", "b.mp3", "c.mp3", "d.mp3"}));
    const auto entries = list.GetAudioFiles();
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[2]->FullName, Root() + "c.mp3");
    entries[1]->SetProgress(42);
    EXPECT_EQ(list.topLevelItem(1)->text(1), "42 %");
    list.ClearStatuses();
    EXPECT_EQ(entries[1]->GetStatus(), afsWaiting);
    EXPECT_EQ(list.topLevelItem(1)->text(1), QString(36, u' '));

    changes = 0;
    list.RemoveAudioFile(entries[1].get());
    list.RemoveAudioFile(nullptr);
    EXPECT_EQ(changes, 1);
    list.topLevelItem(2)->setSelected(true);
    list.DeleteSelected();
    list.DeleteSelected();
    EXPECT_EQ(changes, 3) << "also when nothing was selected";
    EXPECT_EQ(Column(0), QStringList({"a.mp3", "c.mp3"}));
    for (int gone : {1, 3})
        EXPECT_EQ(entries[gone]->ListItem, nullptr);
    entries[3]->SetStatus(afsError, QString()); // a running step may still report on it
    list.ClearFiles();
    EXPECT_EQ(changes, 4);
    EXPECT_TRUE(list.GetAudioFiles().empty());
    EXPECT_EQ(entries[0]->ListItem, nullptr);
}

TEST_F(AudioFilesListView, AnEntryShowsItsStatusInItsOwnRowWhileTheRowLasts)
{
    list.AddFiles(Files({"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3", "f.mp3", "g.mp3", "h.mp3"}));
    list.resize(300, 100);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list, PatienceLeft())) << "the list never showed";
    const auto entries = list.GetAudioFiles();
    const auto rowShown = [&] {
        return list.viewport()->rect().intersects(list.visualItemRect(list.topLevelItem(7)));
    };
    ASSERT_FALSE(rowShown());
    QSignalSpy changes(&list, &QTreeWidget::itemChanged);
    entries[7]->SetProgress(0);
    entries[7]->SetProgress(0);
    EXPECT_EQ(list.topLevelItem(7)->text(TAudioFilesListView::InformationColumn), "0 %");
    EXPECT_EQ(changes.count(), 1) << "a repeated percent leaves the cell alone";
    EXPECT_TRUE(rowShown()) << "the row was scrolled into view";
    EXPECT_EQ(list.ItemOf(*entries[7]), list.topLevelItem(7));

    TAudioFilesListView other;
    EXPECT_EQ(other.ItemOf(*entries[7]), nullptr);
    // The page goes while a step still holds an entry.
    auto gone = std::make_unique<TAudioFilesListView>();
    gone->AddFiles(Files({"z.mp3"}));
    const std::shared_ptr<TAudioFile> orphan = gone->GetAudioFiles().front();
    gone.reset();
    EXPECT_EQ(orphan->ListItem, nullptr);
    orphan->SetStatus(afsError, QString());
    EXPECT_EQ(orphan->GetStatus(), afsError);
}

TEST_F(AudioFilesListView, BackspaceDeletesTheSelectionAndDeleteDoesUnlessAnAttachedMenuTakesIt)
{
    list.AddFiles(Files({"a.mp3", "b.mp3", "c.mp3", "d.mp3"}));
    list.show();
    list.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&list, PatienceLeft())) << "the list never became active";
    const auto press = [this](Qt::Key key) {
        list.clearSelection();
        list.topLevelItem(0)->setSelected(true);
        QTest::keyClick(&list, key);
        return Column(0);
    };
    EXPECT_EQ(press(Qt::Key_Delete), QStringList({"b.mp3", "c.mp3", "d.mp3"}));
    QMenu menu;
    QAction* deleteItem = menu.addAction("Delete selected");
    deleteItem->setShortcut(Qt::Key_Delete);
    int menuDeletes = 0;
    QObject::connect(deleteItem, &QAction::triggered, [&] {
        ++menuDeletes;
        list.DeleteSelected();
    });
    list.SetPopupMenu(&menu);
    EXPECT_EQ(press(Qt::Key_Delete), QStringList({"c.mp3", "d.mp3"}));
    EXPECT_EQ(menuDeletes, 1);
    EXPECT_EQ(press(Qt::Key_Backspace), QStringList({"d.mp3"}));
    EXPECT_EQ(menuDeletes, 1);
}

TEST_F(AudioFilesListView, ADropHandsOnTheWholeLocalNamesUnfiltered)
{
    QStringList dropped;
    list.OnDropItems = [&](QObject*, const QStringList& names) { dropped = names; };
    const QString longName = Root() + QString(200, u'n') + "/" + QString(200, u'n') + ".txt";
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(Root() + "folder"), QUrl::fromLocalFile(longName),
                  QUrl("https://example.com/a.mp3")});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list.viewport(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list.viewport(), &drop);
    QCoreApplication::processEvents();
    EXPECT_EQ(dropped, QStringList({Root() + "folder", longName}));
    EXPECT_EQ(list.topLevelItemCount(), 0) << "the owner decides what is added";
}

TEST_F(AudioFilesListView, DeletingKeysWaitForTheEndOfAnAddition)
{
    list.AddFiles(Files({"a.mp3"}));
    list.topLevelItem(0)->setSelected(true);
    auto press = [this](Qt::Key key) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(&list, &event);
    };
    // The count event fires inside the addition, as a key typed meanwhile would arrive.
    bool typed = false;
    list.OnCountMayHaveChanged = [&](QObject*) {
        if (list.IsAdding() && !std::exchange(typed, true)) {
            press(Qt::Key_Backspace);
            press(Qt::Key_Delete);
        }
    };
    list.AddFiles(Files({"b.mp3"}));
    EXPECT_EQ(Column(0), QStringList({"a.mp3", "b.mp3"}));
    press(Qt::Key_Backspace);
    EXPECT_EQ(Column(0), QStringList({"b.mp3"}));
}
