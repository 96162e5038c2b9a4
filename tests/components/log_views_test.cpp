#include "components/nero_memo.h"
#include "tests/support/device_nodes.h"
#include "tests/support/temp_world.h"

#include <QFile>
#include <QScrollBar>

#include <sys/stat.h>
#include <unistd.h>

class LogViews : public TempWorld {
protected:
    static QList<int> Levels(const TNeroMemo& memo)
    {
        QList<int> levels;
        for (int line = 0; line < memo.LineCount(); ++line)
            levels.append(memo.LineLevel(line));
        return levels;
    }
    static QStringList FileLines(const QString& fileName)
    {
        QString text = QString::fromUtf8(ReadFile(fileName));
        if (text.endsWith(u'\n'))
            text.chop(1);
        return text.isEmpty() ? QStringList() : text.split(u'\n');
    }
};

TEST_F(LogViews, LevelsFollowTheirLines)
{
    TNeroMemo memo;
    memo.AddWarning("first\r\nsecond");
    memo.AddError("ends with a break\r\n");
    memo.AddInformation("lone\rcarriage return");
    memo.AddStrings({"plain", "two\nlines"});
    memo.AddLine("no level");
    EXPECT_EQ(memo.Lines(), QStringList({"first", "second", "ends with a break", "lone", "carriage return",
                                         "plain", "two", "lines", "no level"}));
    EXPECT_EQ(Levels(memo), QList<int>({llWarning, llWarning, llError, llInformation, llInformation, llNone,
                                        llNone, llNone, -1}));

    memo.Clear();
    EXPECT_EQ(memo.LineCount(), 0);
    EXPECT_EQ(memo.LineLevel(0), -1);
    // An empty first line is kept.
    memo.AddError(QString());
    memo.AddDebug("next");
    EXPECT_EQ(memo.Lines(), QStringList({"", "next"}));
    EXPECT_EQ(Levels(memo), QList<int>({llError, llDebug}));
}

TEST_F(LogViews, PastFiveHundredLinesTheNewestLineStaysAndTheFileGetsEveryLine)
{
    TNeroMemo memo;
    const QString fileName = Root() + "log.txt";
    ASSERT_EQ(memo.SetLogFileName(fileName), fileName);
    for (int line = 1; line <= TNeroMemo::MaxLines; ++line)
        memo.AddText(QStringLiteral("line %1").arg(line));
    EXPECT_EQ(memo.LineCount(), 500);

    memo.AddError("line 501");
    EXPECT_EQ(memo.Lines(), QStringList({"line 501"}));
    EXPECT_EQ(Levels(memo), QList<int>({llError}));
    const QStringList written = FileLines(fileName);
    ASSERT_EQ(written.size(), 501);
    EXPECT_EQ(written.first(), "line 1");
    EXPECT_EQ(written.last(), "line 501");
}

TEST_F(LogViews, MirrorFileNameChanges)
{
    TNeroMemo memo;
    const QString first = Root() + "first.txt";
    ASSERT_EQ(memo.SetLogFileName(first), first);
    memo.AddText("one");
    EXPECT_EQ(memo.SetLogFileName(first), first) << "the open file stays open";
    memo.AddText("two");
    EXPECT_EQ(memo.SetLogFileName(QString()), QString());
    memo.AddText("memo only");
    EXPECT_EQ(FileLines(first), QStringList({"one", "two"}));

    EXPECT_EQ(memo.SetLogFileName(Root() + "missing/log.txt"), QString());
    EXPECT_EQ(memo.SetLogFileName(Root()), QString()) << "a folder";
    memo.AddText("still shown");
    EXPECT_EQ(memo.Lines().last(), "still shown");

    // A file that takes no line (a full disk) is reported once and the memo goes on.
    const QString full = Root() + "full";
    if (const QString refusal = MakeDevice(full, Device::Full); !refusal.isEmpty())
        GTEST_SKIP() << refusal.toStdString();
    ASSERT_EQ(memo.SetLogFileName(full), full);
    memo.AddText("a");
    memo.AddText("b");
    const QStringList lines = memo.Lines().mid(memo.LineCount() - 3);
    EXPECT_EQ(lines,
              QStringList({"a", "Cannot write the log file " + full + ": No space left on device", "b"}));
    EXPECT_TRUE(IsDevice(full, Device::Full));
}

TEST_F(LogViews, ClearingTheMirrorFile)
{
    TNeroMemo memo;
    memo.ClearLogFile(); // no name: nothing happens
    const QString fileName = Root() + "log.txt";
    memo.SetLogFileName(fileName);
    memo.AddText("before");
    memo.ClearLogFile();
    memo.AddText("after");
    EXPECT_EQ(FileLines(fileName), QStringList({"after"}));
    EXPECT_EQ(memo.Lines(), QStringList({"before", "after"})) << "the view keeps its lines";

    ASSERT_EQ(::chmod(QFile::encodeName(fileName).constData(), 0444), 0);
    memo.ClearLogFile();
    EXPECT_EQ(FileLines(fileName), QStringList({"after"})) << "a read-only file is kept";
    memo.AddText("appended");
    // Only root writes into a read-only file.
    if (::geteuid() == 0)
        EXPECT_EQ(FileLines(fileName), QStringList({"after", "appended"}));
    else
        EXPECT_EQ(FileLines(fileName), QStringList({"after"}));

    ASSERT_EQ(::chmod(QFile::encodeName(fileName).constData(), 0644), 0);
    memo.CloseLogFile();
    memo.ClearLogFile();
    memo.AddText("closed");
    EXPECT_FALSE(QFile::exists(fileName)) << "a closed file is deleted and stays closed";
}

TEST_F(LogViews, TheMarginShowsEitherNumbersOrIconsAndNumbersFromZeroOrOne)
{
    TNeroMemo memo;
    memo.resize(300, 120);
    memo.SetNumShow(true);
    memo.SetIconShow(true);
    EXPECT_FALSE(memo.NumShow());
    memo.SetNumShow(true);
    EXPECT_FALSE(memo.IconShow());

    for (int line = 0; line < 30; ++line)
        memo.AddText("line");
    memo.show();
    memo.SetNumDigits(3);
    memo.verticalScrollBar()->setValue(7);
    EXPECT_EQ(memo.MarginRows().front().Number, "007");
    memo.SetNumZeroStart(false);
    EXPECT_EQ(memo.MarginRows().front().Number, "008");
}

TEST_F(LogViews, ALevelIconIsDrawnCutToItsCellAndOnlyForALineWithALevel)
{
    TNeroMemo memo;
    memo.resize(300, 120);
    memo.SetMarginColor(Qt::white);
    QImage tooLarge(30, 40, QImage::Format_RGB32);
    tooLarge.fill(Qt::red);
    tooLarge.setPixelColor(0, 0, Qt::blue); // the key colour
    memo.SetBitmapWarning(tooLarge);
    memo.SetIconShow(true);
    memo.AddText("no icon");
    memo.AddWarning("warning");
    memo.AddLine("past the levels");
    memo.show();
    const QImage shown = memo.grab().toImage();
    const QPoint margin = memo.viewport()->geometry().topLeft() - QPoint(memo.MarginWidth(), 0);
    const auto rows = memo.MarginRows();
    ASSERT_GE(rows.size(), 3u);
    auto at = [&](int row, int dx) {
        return shown.pixelColor(margin + rows[row].Cell.center() + QPoint(dx, 0));
    };
    EXPECT_EQ(at(0, 0), QColor(Qt::white));
    EXPECT_EQ(at(1, 0), QColor(Qt::red));
    EXPECT_EQ(at(1, rows[1].Cell.width() / 2 + 1), QColor(Qt::white)) << "cut at the right";
    EXPECT_EQ(at(2, 0), QColor(Qt::white)) << "cut at the bottom, and no level past the array";
}
