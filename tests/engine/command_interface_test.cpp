#include "engine/command_interface.h"

#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_world.h"

#include <gtest/gtest.h>

namespace {

// A step that records what its hooks were asked to do and what it logged.
class RecordingCommand : public TCommandInterface {
public:
    explicit RecordingCommand(QObject* data, const QString& name = QStringLiteral("Encode"))
        : TCommandInterface(
              nullptr, [this](QObject*, QString text) { Logged << text; }, name, QStringLiteral("Encoding"), data,
              nullptr, false, false)
    {
    }

    void OnSuccess() override { Hooks << QStringLiteral("success"); }
    void OnFailure() override { Hooks << QStringLiteral("failure"); }
    void OnCancel() override { Hooks << QStringLiteral("cancel"); }
    void ParseLine(QString& line) override
    {
        if (line.contains(QStringLiteral("banner")))
            line.clear();
    }
    QString TranslateLine(const QString& line) override
    {
        return TCommandInterface::TranslateLine(line).replace(QStringLiteral("done"), QStringLiteral("fini"));
    }
    void Cancel() override { Cancelled = true; }
    TCommandInterface* ReleaseHook() override { return this; }
    void Detach() override { OnFinished = nullptr; }

    void StartRecordingEnds()
    {
        Start(
            nullptr,
            [this](TCommandInterface* sender, const TExecuteStatus& status, QObject* data) {
                Ends << QStringLiteral("%1 %2 %3")
                            .arg(sender == this)
                            .arg(status.IsSucceeded() ? "succeeded" : status.IsFailed() ? "failed" : "cancelled")
                            .arg(data == Data);
            },
            nullptr);
    }

    QStringList Logged, Hooks, Ends;
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

TEST(TaggedLogLine, WrapsTheTextWithItsLevel)
{
    EXPECT_EQ(TCommandInterface::FormatTaggedLogLine(QString(), QStringLiteral("error"), QStringLiteral("x")),
              QStringLiteral("<log level=\"error\">x</log>"));
    EXPECT_EQ(TCommandInterface::FormatTaggedLogLine(QString(), QStringLiteral("warning"), QString()), QString());
}

TEST(TaggedLogLine, TakesOutTheFirstPrefixInAnyCase)
{
    const QString prefix = QStringLiteral("INFO:");
    EXPECT_EQ(TCommandInterface::FormatTaggedLogLine(prefix, QStringLiteral("information"),
                                                     QStringLiteral("  info: Encoding done ")),
              QStringLiteral("<log level=\"information\">Encoding done</log>"));
    EXPECT_EQ(TCommandInterface::FormatTaggedLogLine(prefix, QStringLiteral("information"),
                                                     QStringLiteral("Stage Info: 2 INFO: 3")),
              QStringLiteral("<log level=\"information\">Stage  2 INFO: 3</log>"));
    EXPECT_EQ(TCommandInterface::FormatTaggedLogLine(prefix, QStringLiteral("information"), QStringLiteral(" InFo: ")),
              QString())
        << "a line that is only the prefix gives no tagged line";
}

TEST(ExecuteStatus, FlagsFollowTheEndOfTheStep)
{
    TExecuteStatus status;
    EXPECT_FALSE(status.Succeeded || status.Cancelled || status.Started || status.Done);
    EXPECT_FALSE(status.IsSucceeded() || status.IsFailed() || status.IsCancelled());

    status.SetFailed();
    EXPECT_TRUE(status.IsFailed());
    EXPECT_TRUE(status.Started && status.Done);

    status.SetCancelled();
    EXPECT_TRUE(status.IsCancelled());
    EXPECT_FALSE(status.IsFailed()) << "a cancelled step is not reported as failed";
    EXPECT_FALSE(status.Done);

    TExecuteStatus succeeded;
    succeeded.SetSucceeded();
    EXPECT_TRUE(succeeded.IsSucceeded());
}

TEST(ExecuteStatus, ErrorTextListsOneIndentedLinePerEntry)
{
    TExecuteStatus status;
    status.Errors = {QStringLiteral(":a"), QStringLiteral(" b ")};
    EXPECT_EQ(status.GetErrorText(QStringLiteral("\"%s\" execution failed:"), QStringLiteral("Encode"), false),
              QStringLiteral("\"Encode\" execution failed:\r      a  \r      b  \r"));
    EXPECT_EQ(status.GetErrorText(QString(), QString(), false), QStringLiteral("      a  \r      b  \r"));
    EXPECT_EQ(status.GetErrorText(QStringLiteral("%s failed"), QStringLiteral("Encode"), true),
              QStringLiteral("   Encode failed      "));

    status.Errors = {QStringLiteral("first\r\nsecond\rthird")};
    EXPECT_EQ(status.GetErrorText(QStringLiteral("E"), QString(), false),
              QStringLiteral("E\r      first  \r      second  \r      third  \r"))
        << "an entry holding line breaks counts as several entries";
}

TEST(ExecuteStatus, EmptyListGivesNoTextEvenWhenShort)
{
    TExecuteStatus status;
    EXPECT_EQ(status.GetErrorText(QStringLiteral("%s failed"), QStringLiteral("Encode"), true), QString());
    EXPECT_EQ(status.GetErrorText(QStringLiteral("%s failed"), QStringLiteral("Encode"), false), QString());
    status.Successes = {QStringLiteral("Mpeg Audio file encoded successfully")};
    EXPECT_EQ(status.GetSuccessText(QStringLiteral("%s ok"), QStringLiteral("Encode"), false),
              QStringLiteral("Encode ok\r      Mpeg Audio file encoded successfully  \r"));
    EXPECT_EQ(status.GetErrorText(QStringLiteral("%s failed"), QStringLiteral("Encode"), true), QString());
}

TEST_F(CommandInterface, MissingDataIsShownAndTheCommandIsStillMade)
{
    RecordingCommand withData(&data);
    EXPECT_TRUE(Dialogs().Messages().isEmpty());

    RecordingCommand withoutData(nullptr, QStringLiteral("MPEG multiplexing"));
    ASSERT_EQ(Dialogs().Messages().size(), 1);
    EXPECT_EQ(Dialogs().LastText(), QStringLiteral("DEBUG: data for MPEG multiplexing must not be nul"));
    EXPECT_TRUE(withoutData.Cancellable);
    EXPECT_FALSE(withoutData.Cancelled || withoutData.Skipped);
    EXPECT_EQ(withoutData.SkipNextCount, 0);
    EXPECT_EQ(withoutData.StartTime, 0);
}

TEST_F(CommandInterface, StartLogsTheNameAndNotesTheTime)
{
    InstallCommandClock([] { return std::int64_t{5000}; });
    RecordingCommand command(&data);
    command.Failed = true;
    command.StartRecordingEnds();
    EXPECT_EQ(command.Logged, QStringList{QStringLiteral("[Encode]")});
    EXPECT_EQ(command.StartTime, 5000);
    EXPECT_FALSE(command.Failed);
    EXPECT_TRUE(command.OnFinished);

    RecordingCommand unnamed(&data, QString());
    unnamed.StartRecordingEnds();
    EXPECT_TRUE(unnamed.Logged.isEmpty());
}

TEST_F(CommandInterface, CancelledCommandIgnoresStartAndLines)
{
    RecordingCommand command(&data);
    command.Cancelled = true;
    command.StartRecordingEnds();
    command.HandleLine(&command, QStringLiteral("encoding done"));
    EXPECT_TRUE(command.Logged.isEmpty());
    EXPECT_EQ(command.StartTime, 0);
    EXPECT_FALSE(command.OnFinished);
}

TEST_F(CommandInterface, LinesPassTheParserAndTheTranslation)
{
    RecordingCommand command(&data);
    command.HandleLine(&command, QStringLiteral("  encoding done  "));
    command.HandleLine(&command, QStringLiteral("the banner line"));
    command.HandleLine(&command, QStringLiteral("   "));
    EXPECT_EQ(command.Logged, QStringList{QStringLiteral("encoding fini")});
}

TEST_F(CommandInterface, FinishReportsSuccessOnceWhateverArrivesLater)
{
    RecordingCommand command(&data);
    command.StartRecordingEnds();
    command.Status.Successes = {QStringLiteral(" all done ")};
    command.Finish(&command, 0);
    command.Finish(&command, 1);
    command.Cancel();
    command.Finish(&command, 1);

    EXPECT_EQ(command.Hooks, QStringList{QStringLiteral("success")});
    EXPECT_EQ(command.Ends, QStringList{QStringLiteral("1 succeeded 1")});
    EXPECT_TRUE(command.Status.IsSucceeded());
    EXPECT_FALSE(command.Failed);
    EXPECT_EQ(command.Status.Successes, QStringList{QStringLiteral("all fini")}) << "the lists are translated";
    EXPECT_FALSE(command.OnFinished);
}

TEST_F(CommandInterface, NonZeroCodeFailsTheStep)
{
    RecordingCommand command(&data);
    command.StartRecordingEnds();
    command.Finish(&command, 1);
    EXPECT_TRUE(command.Failed);
    EXPECT_EQ(command.Hooks, QStringList{QStringLiteral("failure")});
    EXPECT_EQ(command.Ends, QStringList{QStringLiteral("1 failed 1")});
}

TEST_F(CommandInterface, CancelledStepCleansUpOnceAndReportsCancelled)
{
    RecordingCommand failedThenCancelled(&data);
    failedThenCancelled.StartRecordingEnds();
    failedThenCancelled.Failed = true;
    failedThenCancelled.Cancelled = true;
    failedThenCancelled.Finish(&failedThenCancelled, 1);
    EXPECT_EQ(failedThenCancelled.Hooks, QStringList{QStringLiteral("cancel")});
    EXPECT_EQ(failedThenCancelled.Ends, QStringList{QStringLiteral("1 cancelled 1")});

    RecordingCommand cancelled(&data);
    cancelled.StartRecordingEnds();
    cancelled.Cancel();
    cancelled.Finish(&cancelled, 1);
    EXPECT_FALSE(cancelled.Failed) << "an error code on a cancelled step does not mark it failed";
    EXPECT_TRUE(cancelled.Status.IsCancelled());
    EXPECT_EQ(cancelled.Hooks, QStringList{QStringLiteral("cancel")});
}
