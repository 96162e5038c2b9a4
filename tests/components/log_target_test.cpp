#include "components/log_target.h"

#include "components/nero_memo.h"
#include "foundation/log_procedures.h"
#include "tests/support/qt_printers.h"
#include "tests/support/temp_world.h"

#include <QPlainTextEdit>

#include <memory>

class LogPageViews : public TempWorld {
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

TEST_F(LogPageViews, LinesReachTheViewAtTheirLevels)
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

TEST_F(LogPageViews, AfterTheViewIsDestroyedLinesGoNowhere)
{
    auto view = std::make_unique<TNeroMemo>();
    auto commandLines = std::make_unique<QPlainTextEdit>();
    SetLogTarget(view.get());
    SetCommandLineMemo(commandLines.get());
    commandLines->appendPlainText("toolame -b 224");
    ClearCommandLines();
    EXPECT_TRUE(commandLines->toPlainText().isEmpty());

    const QString mirror = Root() + "mirror.log";
    EXPECT_EQ(LogSetFileName(mirror), mirror);
    LogText("kept");
    LogCloseFile();

    view.reset();
    commandLines.reset();
    EXPECT_EQ(LogTarget(), nullptr);
    EXPECT_EQ(CommandLineMemo(), nullptr);
    LogOneOfEach();
    ClearCommandLines();
    EXPECT_EQ(LogSetFileName(mirror), QString());
    EXPECT_EQ(ReadFile(mirror), "kept\n") << "the mirror saw nothing after the view was gone";
}
