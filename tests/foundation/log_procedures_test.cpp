#include "components/nero_memo.h"
#include "foundation/debug_file.h"
#include "foundation/log_procedures.h"
#include "platform/paths.h"
#include "tests/support/temp_world.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QPlainTextEdit>

#include <memory>

class LogProcedures : public TempWorld {
protected:
    void TearDown() override
    {
        SetLogTarget(nullptr);
        SetCommandLineMemo(nullptr);
        TempWorld::TearDown();
    }

    static void LogOneOfEach()
    {
        LogText("text");
        LogDebug("debug");
        LogWarning("warning");
        LogInformation("information");
        LogError("error");
        LogStrings({"first", "second"});
        LogStrings({});
    }
};

TEST_F(LogProcedures, LinesReachTheViewAtTheirLevels)
{
    TNeroMemo view;
    SetLogTarget(&view);
    LogOneOfEach();
    EXPECT_EQ(view.Lines(),
              QStringList({"text", "debug", "warning", "information", "error", "first", "second"}));
    const QList<int> expected{llNone, llDebug, llWarning, llInformation, llError, llNone, llNone};
    for (int line = 0; line < expected.size(); ++line)
        EXPECT_EQ(view.LineLevel(line), expected[line]) << line;

    LogClear();
    EXPECT_EQ(view.LineCount(), 0);
}

TEST_F(LogProcedures, AfterTheViewIsDestroyedLinesGoNowhere)
{
    auto view = std::make_unique<TNeroMemo>();
    auto commandLines = std::make_unique<QPlainTextEdit>();
    SetLogTarget(view.get());
    SetCommandLineMemo(commandLines.get());
    commandLines->appendPlainText("toolame -b 224");
    ClearCommandLines();
    EXPECT_TRUE(commandLines->toPlainText().isEmpty());

    view.reset();
    commandLines.reset();
    EXPECT_EQ(LogTarget(), nullptr);
    EXPECT_EQ(CommandLineMemo(), nullptr);
    LogOneOfEach();
    ClearCommandLines();
}

class DebugFile : public TempWorld {
protected:
    void SetUp() override
    {
        TempWorld::SetUp();
        SetDebugFileSwitch(true);
    }
    void TearDown() override
    {
        SetDebugFileSwitch(false);
        TempWorld::TearDown();
    }

    QString DebugFileName() const { return ProgramFolder() + "debug.txt"; }
};

TEST_F(DebugFile, LinesAreStampedAndBlankTextsGiveEmptyLines)
{
    SetDebugFileSwitch(false);
    DebugWrite("hidden");
    EXPECT_FALSE(QFile::exists(DebugFileName())) << "nothing is written while the switch is off";
    SetDebugFileSwitch(true);
    DebugWrite("  started ");
    DebugWrite("   ");
    DebugWrite("\t");
    DebugWrite("finished");
    const QString date = QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
    const QStringList lines = QString::fromUtf8(ReadFile(DebugFileName())).split(u'\n');
    ASSERT_EQ(lines.size(), 5);
    EXPECT_TRUE(lines[0].startsWith(date + u' ')) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].endsWith(" -   started ")) << lines[0].toStdString();
    EXPECT_EQ(lines[1], QString());
    EXPECT_EQ(lines[2], QString());
    EXPECT_TRUE(lines[3].endsWith(" - finished"));
    EXPECT_EQ(lines[4], QString());
}

TEST_F(DebugFile, AnUnwritableFolderIsIgnoredAndTheNextWriteStartsAfresh)
{
    plat::SetProgramFolder(Root() + "missing/");
    DebugWrite("lost");
    EXPECT_FALSE(QDir(Root() + "missing").exists());

    const QString blocked = Root() + "blocked/";
    QDir().mkpath(blocked + QStringLiteral("debug.txt"));
    plat::SetProgramFolder(blocked);
    DebugWrite("lost too");

    plat::SetProgramFolder(ProgramFolder());
    WriteFile(DebugFileName(), "from an earlier run\n");
    DebugWrite("kept");
    const QString lines = QString::fromUtf8(ReadFile(DebugFileName()));
    EXPECT_TRUE(lines.endsWith(" - kept\n") && lines.count(u'\n') == 1) << lines.toStdString();
}
