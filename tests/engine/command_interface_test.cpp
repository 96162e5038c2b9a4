#include "engine/command_interface.h"

#include "tests/support/qt_printers.h"
#include "tests/support/recording_command.h"
#include "tests/support/temp_world.h"

#include <gtest/gtest.h>

namespace {

// A step whose parser drops banner lines and whose translation says "fini", and which records its ends.
class LineCommand : public RecordingCommand {
public:
    using RecordingCommand::RecordingCommand;

    void ParseLine(QString& line) override
    {
        if (line.contains("banner"))
            line.clear();
    }
    QString TranslateLine(const QString& line) override
    {
        return TCommandInterface::TranslateLine(line).replace("done", "fini");
    }
    void StartRecordingEnds()
    {
        Start(
            nullptr,
            [this](TCommandInterface* sender, const TExecuteStatus& status, QObject* data) {
                Ends << QString("%1 %2 %3")
                            .arg(sender == this)
                            .arg(status.IsSucceeded() ? "succeeded"
                                 : status.IsFailed()  ? "failed"
                                                      : "cancelled")
                            .arg(data == Data);
            },
            nullptr);
    }

    QStringList Ends;
};

class CommandInterface : public TempWorld {
protected:
    void TearDown() override
    {
        InstallCommandClock(nullptr);
        TempWorld::TearDown();
    }

    QObject data;
};

} // namespace

TEST(TaggedLogLine, WrapsTheTextAfterTakingOutTheFirstPrefixInAnyCase)
{
    const auto tagged = [](const QString& prefix, const QString& text) {
        return TCommandInterface::FormatTaggedLogLine(prefix, "error", text);
    };
    EXPECT_EQ(tagged(QString(), "x"), "<log level=\"error\">x</log>");
    EXPECT_EQ(tagged("INFO:", "  info: Encoding done "), "<log level=\"error\">Encoding done</log>");
    EXPECT_EQ(tagged("INFO:", "Stage Info: 2 INFO: 3"), "<log level=\"error\">Stage  2 INFO: 3</log>");
    EXPECT_EQ(tagged("INFO:", " InFo: "), QString()) << "a line that is only the prefix gives no tagged line";
    EXPECT_EQ(tagged(QString(), QString()), QString());
}

TEST(ExecuteStatus, FlagsFollowTheEndOfTheStepAndTextsListEachEntry)
{
    TExecuteStatus status;
    status.SetFailed();
    EXPECT_TRUE(status.IsFailed() && status.Started && status.Done);
    status.SetCancelled();
    EXPECT_TRUE(status.IsCancelled());
    EXPECT_FALSE(status.IsFailed() || status.Done) << "a cancelled step is not reported as failed";

    // The texts list one indented line per entry, or nothing.
    EXPECT_EQ(status.GetErrorText("%s failed", "Encode", true), QString())
        << "no padded message for no error";
    EXPECT_EQ(status.GetErrorText("%s failed", "Encode", false), QString());

    status.Errors = {":a", " b "};
    EXPECT_EQ(status.GetErrorText("\"%s\" execution failed:", "Encode", false),
              "\"Encode\" execution failed:\r      a  \r      b  \r");
    EXPECT_EQ(status.GetErrorText(QString(), QString(), false), "      a  \r      b  \r");
    EXPECT_EQ(status.GetErrorText("%s failed", "Encode", true), "   Encode failed      ");

    status.Successes = {"first\r\nsecond\rthird"};
    EXPECT_EQ(status.GetSuccessText("S", QString(), false),
              "S\r      first  \r      second  \r      third  \r")
        << "an entry holding line breaks counts as several entries";
}

TEST_F(CommandInterface, StartLogsTheNameAndNotesTheTimeUnlessCancelled)
{
    InstallCommandClock([] { return std::int64_t{5000}; });
    LineCommand command(&data);
    command.Failed = true;
    command.StartRecordingEnds();
    EXPECT_EQ(command.StartTime, 5000);
    EXPECT_FALSE(command.Failed);
    // Lines pass the parser and the translation.
    for (const char* line : {"  encoding done  ", "the banner line", "   "})
        command.HandleLine(&command, line);
    EXPECT_EQ(command.Logged, QStringList({"[Encode]", "encoding fini"}));

    LineCommand cancelled(&data);
    cancelled.Cancelled = true;
    cancelled.StartRecordingEnds();
    cancelled.HandleLine(&cancelled, "encoding done");
    EXPECT_TRUE(cancelled.Logged.isEmpty());
    EXPECT_EQ(cancelled.StartTime, 0);
    EXPECT_FALSE(cancelled.OnFinished);
}

TEST_F(CommandInterface, FinishCleansUpAndReportsOnceWhateverArrivesLater)
{
    struct Ending {
        int ExitCode;
        bool FailedFirst, Cancel;
        const char *Hook, *End;
    };
    for (const Ending ending :
         {Ending{0, false, false, "success", "1 succeeded 1"},
          Ending{1, false, false, "failure", "1 failed 1"}, Ending{1, true, true, "cancel", "1 cancelled 1"},
          Ending{1, false, true, "cancel", "1 cancelled 1"}}) {
        SCOPED_TRACE(ending.End);
        LineCommand command(&data);
        command.StartRecordingEnds();
        command.Status.Successes = {" all done "};
        command.Failed = ending.FailedFirst;
        if (ending.Cancel)
            command.Cancel();
        command.Finish(&command, ending.ExitCode);
        if (!ending.FailedFirst) {
            EXPECT_EQ(command.Failed, ending.ExitCode && !ending.Cancel)
                << "an error code on a cancelled step does not fail it";
        }
        command.Finish(&command, 1);
        command.Cancel();
        command.Finish(&command, 1);
        EXPECT_EQ(command.Hooks, QStringList{ending.Hook});
        EXPECT_EQ(command.Ends, QStringList{ending.End});
        EXPECT_EQ(command.Status.Successes, QStringList{"all fini"}) << "the lists are translated";
        EXPECT_FALSE(command.OnFinished);
    }
}
