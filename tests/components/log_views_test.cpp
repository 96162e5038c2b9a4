#include "components/nero_memo.h"
#include "tests/support/temp_world.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QScrollBar>

#include <sys/stat.h>

namespace {

QList<int> Levels(const TNeroMemo& memo)
{
    QList<int> levels;
    for (int line = 0; line < memo.LineCount(); ++line)
        levels.append(memo.LineLevel(line));
    return levels;
}

} // namespace

class LogViews : public TempWorld {
protected:
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

TEST_F(LogViews, MirrorFileAppendsOrReplaces)
{
    const QString fileName = WriteFile("log.txt", "old\n");
    {
        TNeroMemo memo;
        EXPECT_EQ(memo.SetLogFileName(fileName), fileName);
        memo.AddText(QStringLiteral("caf\u00e9"));
    }
    EXPECT_EQ(ReadFile(fileName), QByteArray("old\ncaf\xc3\xa9\n"));

    TNeroMemo memo;
    memo.SetFileAppend(false);
    EXPECT_EQ(memo.SetLogFileName(fileName), fileName);
    EXPECT_EQ(ReadFile(fileName), QByteArray());
    memo.AddText("new");
    memo.CloseLogFile();
    EXPECT_EQ(memo.OpenLogFile(), fileName);
    memo.AddText("newer");
    EXPECT_EQ(FileLines(fileName), QStringList({"newer"}));
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

    const QString previous = QDir::currentPath();
    QDir::setCurrent(Root());
    EXPECT_EQ(memo.SetLogFileName("sub/../relative.txt"), Root() + "relative.txt");
    QDir::setCurrent(previous);
    EXPECT_EQ(memo.SetLogFileName(Root() + "missing/log.txt"), QString());
    EXPECT_EQ(memo.SetLogFileName(Root()), QString()) << "a folder";
    memo.AddText("still shown");
    EXPECT_EQ(memo.Lines().last(), "still shown");
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
    memo.AddText("appended");
    EXPECT_EQ(FileLines(fileName), QStringList({"after", "appended"})) << "a read-only file is kept";

    ASSERT_EQ(::chmod(QFile::encodeName(fileName).constData(), 0644), 0);
    memo.CloseLogFile();
    memo.ClearLogFile();
    memo.AddText("closed");
    EXPECT_FALSE(QFile::exists(fileName)) << "a closed file is deleted and stays closed";
}

class LogMargin : public TempWorld {
protected:
    void SetUp() override
    {
        TempWorld::SetUp();
        memo_ = std::make_unique<TNeroMemo>();
        QPalette palette = memo_->palette();
        palette.setColor(QPalette::ButtonText, Qt::black);
        memo_->setPalette(palette);
        memo_->resize(300, 200);
        memo_->SetMarginColor(Qt::white);
        memo_->show();
        QCoreApplication::processEvents();
    }
    void TearDown() override
    {
        memo_.reset();
        TempWorld::TearDown();
    }

    // The margin's picture, in the margin's own coordinates.
    QImage Margin() const
    {
        const QRect text = memo_->viewport()->geometry();
        QCoreApplication::processEvents();
        return memo_
            ->grab(QRect(text.left() - memo_->MarginWidth(), text.top(), memo_->MarginWidth(), text.height()))
            .toImage();
    }

    static int CountPixels(const QImage& image, const QRect& area, QRgb colour)
    {
        const QRect inside = area.intersected(image.rect());
        int count = 0;
        for (int y = inside.top(); y <= inside.bottom(); ++y)
            for (int x = inside.left(); x <= inside.right(); ++x)
                count += (image.pixel(x, y) | 0xff000000) == (colour | 0xff000000) ? 1 : 0;
        return count;
    }

    std::unique_ptr<TNeroMemo> memo_;
};

TEST_F(LogMargin, IconsShowTheirLinesLevelCutToTheCellWithoutTheirBackground)
{
    // White background (keyed away by its top-left pixel), a red square, and a green part beyond the cell.
    QImage warning(40, 8, QImage::Format_RGB32);
    warning.fill(Qt::white);
    for (int y = 2; y < 6; ++y)
        for (int x = 0; x < 40; ++x)
            warning.setPixel(x, y, x < 16 ? qRgb(255, 0, 0) : qRgb(0, 255, 0));
    memo_->SetBitmapWarning(warning);
    memo_->SetBitmapError(LogLevelIcon(llError));
    memo_->SetMarginColor(Qt::blue);
    memo_->SetIconShow(true);

    memo_->AddWarning("warned");
    memo_->AddText("plain");
    memo_->AddLine("without a level");
    memo_->AddError("failed");

    const auto rows = memo_->MarginRows();
    ASSERT_GT(rows.size(), 5u);
    EXPECT_EQ(rows[0].Level, llWarning);
    EXPECT_EQ(rows[4].Level, -1) << "no line";
    const QImage margin = Margin();
    EXPECT_GT(CountPixels(margin, rows[0].Cell, qRgb(255, 0, 0)), 0);
    EXPECT_EQ(CountPixels(margin, rows[0].Cell, qRgb(0, 255, 0)), 0) << "cut to the cell";
    EXPECT_EQ(CountPixels(margin, rows[0].Cell, qRgb(255, 255, 255)), 0) << "background keyed away";
    EXPECT_GT(CountPixels(margin, rows[3].Cell, qRgb(0xE0, 0x31, 0x31)), 0) << "the error icon";
    for (const int row : {1, 2, 4}) // no level, or no line
        EXPECT_EQ(CountPixels(margin, rows[row].Cell, qRgb(0, 0, 255)),
                  rows[row].Cell.width() * rows[row].Cell.height())
            << row;
}

TEST_F(LogMargin, NumbersFillEveryVisibleRowFromTheFirstVisibleLine)
{
    memo_->SetNumShow(true);
    memo_->SetNumDigits(3);
    memo_->SetNumZeroStart(false);
    memo_->AddText("only line");
    auto rows = memo_->MarginRows();
    ASSERT_GT(rows.size(), 3u);
    EXPECT_EQ(rows[0].Number, "001");
    EXPECT_EQ(rows[3].Number, "004") << "rows past the last line are numbered too";
    const QImage margin = Margin();
    for (const auto& row : rows)
        EXPECT_GT(CountPixels(margin, row.Cell, qRgb(0, 0, 0)), 0) << row.Number.toStdString();
    const QRect below(0, rows.back().Cell.bottom() + 1, margin.width(),
                      margin.height() - rows.back().Cell.bottom() - 1);
    if (!below.isEmpty()) {
        EXPECT_EQ(CountPixels(margin, below, qRgb(0, 0, 0)), 0) << "a partly visible row shows no number";
    }

    for (int line = 2; line <= 40; ++line)
        memo_->AddText(QStringLiteral("line %1").arg(line));
    QScrollBar* bar = memo_->verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum()) << "the newest line is in view";
    bar->setValue(7);
    rows = memo_->MarginRows();
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0].Number, "008");
}
