#include "components/dropper.h"
#include "tests/support/qt_printers.h"
#include "tests/support/temp_world.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QUrl>

// Sends a file manager's drag and drop of these names; returns whether the drag was taken.
static bool DropUrls(QWidget& target, const QList<QUrl>& urls)
{
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(1, 1), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(1, 1), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&target, &drop);
    QCoreApplication::processEvents();
    return drop.isAccepted();
}

class Dropper : public TempWorld {
protected:
    void SetUp() override
    {
        TempWorld::SetUp();
        for (const char* name : {"D/y.mp3", "D/x.WAV", "D/README", "D/.hidden.mp3", "D/A/x.mp3", "D/B/z.mp3",
                                 "D/B/c.wav", "b.mp3", "a.wav"})
            WriteFile(name, "data");
        dropper.OnDropItem = [this](QObject*, const QString& name) { announced << Relative(name); };
        dropper.OnDropItems = [this](QObject*, const QStringList& names) {
            ++drops;
            for (const QString& name : names)
                delivered << Relative(name);
        };
    }

    QString Relative(const QString& name) const { return QString(name).remove(Root()); }

    TDropper dropper;
    QStringList announced, delivered;
    int drops = 0;
};

TEST_F(Dropper, ADropGivesFilesThenFolderContentsEachOnceAndWhole)
{
    dropper.SetScanFilesFilter("*.mp3;*.wav;*.mp3");
    // Longer than any buffer a file manager's names were once cut to.
    const QString longPart = "L/" + QString(200, u'n') + "/" + QString(150, u'n') + ".mp3";
    const QString longName = WriteFile(longPart, "data");
    const QList<QUrl> urls = {QUrl::fromLocalFile(Root() + "b.mp3"), QUrl::fromLocalFile(Root() + "D"),
                              QUrl::fromLocalFile(Root() + "a.wav"), QUrl::fromLocalFile(Root() + "b.mp3"),
                              QUrl::fromLocalFile(longName),         QUrl("http://example.com/c.mp3")};
    ASSERT_TRUE(DropUrls(dropper, urls));
    const QStringList expected = {"a.wav", "b.mp3", longPart, "D/.hidden.mp3", "D/x.WAV", "D/y.mp3"};
    EXPECT_EQ(announced, expected);
    EXPECT_EQ(delivered, expected);
    EXPECT_EQ(drops, 1);

    EXPECT_FALSE(DropUrls(dropper, {QUrl("http://example.com/c.mp3")})) << "nothing local to take";
    dropper.SetEnabled(false);
    EXPECT_FALSE(DropUrls(dropper, {QUrl::fromLocalFile(Root() + "a.wav")}));
    EXPECT_EQ(drops, 1);
}

TEST_F(Dropper, FolderScansFollowTheFilterTheFolderFlagAndTheRecursion)
{
    struct Case {
        const char* filter;
        bool allowDir, recursive;
        QStringList expected;
    };
    const Case cases[] = {
        {"*.*", false, false, {"D/.hidden.mp3", "D/README", "D/x.WAV", "D/y.mp3"}},
        {"*.mp3", true, true, {"D/", "D/.hidden.mp3", "D/y.mp3", "D/A/", "D/A/x.mp3", "D/B/", "D/B/z.mp3"}},
        {"*.wav;*.mp3",
         false,
         true,
         {"D/.hidden.mp3", "D/x.WAV", "D/y.mp3", "D/A/x.mp3", "D/B/c.wav", "D/B/z.mp3"}},
        {"", true, true, {"D/", "D/A/", "D/B/"}},
        {"*.ogg", false, true, {}},
    };
    for (const Case& c : cases) {
        delivered.clear();
        dropper.SetScanFilesFilter(c.filter);
        dropper.SetAllowDir(c.allowDir);
        dropper.SetRecursive(c.recursive);
        EXPECT_TRUE(dropper.DropFileName(Root() + "D"));
        EXPECT_EQ(delivered, c.expected) << c.filter;
    }
    delivered.clear();
    EXPECT_TRUE(dropper.DropFileName(Root() + "missing.mp3"));
    EXPECT_EQ(delivered, QStringList({"missing.mp3"})) << "a name that is no folder is taken as it is";
}

TEST_F(Dropper, LinksBackToAScannedFolderEndTheScan)
{
    ASSERT_TRUE(QFile::link(Root() + "D", Root() + "D/B/loop"));
    ASSERT_TRUE(QFile::link(Root() + "D/A", Root() + "D/again"));
    dropper.SetScanFilesFilter("*.mp3");
    dropper.SetRecursive(true);
    EXPECT_TRUE(dropper.DropFileName(Root() + "D"));
    EXPECT_EQ(delivered, QStringList({"D/.hidden.mp3", "D/y.mp3", "D/A/x.mp3", "D/B/z.mp3"}));
}

TEST_F(Dropper, ADropDuringAScanIsRefused)
{
    dropper.SetScanFilesFilter("*.mp3");
    bool nestedRun = true, nestedDragTaken = true;
    dropper.OnDropItem = [&](QObject*, const QString& name) {
        announced << Relative(name);
        if (announced.size() > 1)
            return;
        nestedRun = dropper.DropFileName(Root() + "b.mp3");
        nestedDragTaken = DropUrls(dropper, {QUrl::fromLocalFile(Root() + "a.wav")});
    };
    EXPECT_TRUE(dropper.DropFileName(Root() + "D"));
    EXPECT_FALSE(nestedRun);
    EXPECT_FALSE(nestedDragTaken);
    EXPECT_EQ(delivered, QStringList({"D/.hidden.mp3", "D/y.mp3"}));
    EXPECT_EQ(drops, 1);
}
