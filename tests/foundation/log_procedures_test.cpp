#include "foundation/debug_file.h"
#include "foundation/log_procedures.h"
#include "platform/paths.h"
#include "tests/support/temp_world.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QLocale>

namespace {

// Records what reaches the view, one entry per call.
class RecordingLogView : public TLogView {
public:
    QStringList Calls;
    QString OpenedFile = "mirror.log";

    void AddText(const QString& text) override { Calls << "text " + text; }
    void AddDebug(const QString& text) override { Calls << "debug " + text; }
    void AddWarning(const QString& text) override { Calls << "warning " + text; }
    void AddInformation(const QString& text) override { Calls << "information " + text; }
    void AddError(const QString& text) override { Calls << "error " + text; }
    void AddStrings(const QStringList& lines) override { Calls << "strings " + lines.join(u'|'); }
    void Clear() override { Calls << "clear"; }
    void Refresh() override { Calls << "refresh"; }
    QString SetLogFileName(const QString& fileName) override
    {
        Calls << "file " + fileName;
        return OpenedFile;
    }
    void CloseLogFile() override { Calls << "close"; }
    void ClearLogFile() override { Calls << "clear file"; }
};

} // namespace

class LogProcedures : public ::testing::Test {
protected:
    void TearDown() override { SetLogView(nullptr); }
};

TEST_F(LogProcedures, EachProcedureReachesTheViewInOrderAndNothingHappensWithoutOne)
{
    EXPECT_EQ(LogSetFileName("mirror.log"), QString()) << "no view yet";
    LogText("lost");
    LogClear();

    RecordingLogView view;
    SetLogView(&view);
    LogText("text");
    LogDebug("debug");
    LogWarning("warning");
    LogInformation("information");
    LogError("error");
    LogStrings({"first", "second"});
    LogRefresh();
    EXPECT_EQ(LogSetFileName("mirror.log"), "mirror.log");
    LogCloseFile();
    LogClearFile();
    LogClear();
    EXPECT_EQ(view.Calls, QStringList({"text text", "debug debug", "warning warning",
                                       "information information", "error error", "strings first|second",
                                       "refresh", "file mirror.log", "close", "clear file", "clear"}));

    SetLogView(nullptr);
    LogError("after");
    EXPECT_EQ(view.Calls.size(), 11);
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
    // The line is stamped with the day before it or the day after it: midnight may pass in between.
    const auto day = [] {
        return QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat) + u' ';
    };
    const QString before = day();
    DebugWrite("  started ");
    const QString after = day();
    DebugWrite("   ");
    DebugWrite("\t");
    DebugWrite("finished");
    const QStringList lines = QString::fromUtf8(ReadFile(DebugFileName())).split(u'\n');
    ASSERT_EQ(lines.size(), 5);
    EXPECT_TRUE(lines[0].startsWith(before) || lines[0].startsWith(after)) << lines[0].toStdString();
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
