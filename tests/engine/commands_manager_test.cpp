#include "engine/commands_manager.h"

#include "foundation/brindlow_sounds.h"
#include "foundation/exceptions.h"
#include "tests/support/patience.h"
#include "tests/support/qt_printers.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_world.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Everything the queue and its steps did, in order.
struct Journal {
    QStringList events;
    int activeStarts = 0;
    int deepestStarts = 0; // the most Starts ever on the call stack at once
};

enum class Ending {
    InStart,     // finishes inside its own Start
    Pumping,     // finishes inside its Start, then lets events through (as the checks do)
    Later,       // finishes from a timer
    WhenTold,    // waits for the test (a running program, say)
    Throw,       // Start throws after the base part
    ThrowAtOnce, // Start throws before anything else
};

struct StepOptions {
    int exitCode = 0, skipNext = 0;
    bool cancellable = true, reportResult = false, doneFlag = false;
    bool veto = false; // the end handler stops the batch
    QStringList errors = {}, successes = {};
};

class StepCommand : public TCommandInterface {
public:
    StepCommand(Journal& journal, TCommandLogEvent onLog, const QString& name, Ending ending,
                const StepOptions& options, TAfterCommandEvent onAfter)
        : TCommandInterface(nullptr, std::move(onLog), name, "status " + name, &data_, std::move(onAfter),
                            options.reportResult, options.doneFlag),
          journal_(journal), ending_(ending), options_(options)
    {
        SkipNextCount = options.skipNext;
        Cancellable = options.cancellable;
    }
    ~StepCommand() override { journal_.events << "freed " + Name; }

    void Start(std::shared_ptr<TLineSink> echoMemo, TCommandFinishedEvent onFinished,
               TCommandTextEvent onStatus) override
    {
        if (ending_ == Ending::ThrowAtOnce)
            throw EKorvaneError("no such program");
        TCommandInterface::Start(std::move(echoMemo), std::move(onFinished), std::move(onStatus));
        if (Cancelled)
            return;
        journal_.deepestStarts = std::max(journal_.deepestStarts, ++journal_.activeStarts);
        journal_.events << "start " + Name;
        Status.Started = true;
        Status.Errors = options_.errors;
        Status.Successes = options_.successes;
        run();
        --journal_.activeStarts;
    }
    void OnSuccess() override { journal_.events << "success " + Name; }
    void OnFailure() override { journal_.events << "failure " + Name; }
    void OnCancel() override { journal_.events << "cancelled " + Name; }
    void ParseLine(QString&) override {}
    void Cancel() override
    {
        journal_.events << "cancel asked " + Name;
        if (Cancelled)
            return;
        Cancelled = true;
        Status.SetCancelled();
        Finish(this, 1);
    }
    TCommandInterface* ReleaseHook() override { return this; }
    void Detach() override { OnFinished = nullptr; }

private:
    void run()
    {
        switch (ending_) {
        case Ending::InStart:
            Finish(this, options_.exitCode);
            break;
        case Ending::Pumping:
            Finish(this, options_.exitCode);
            QCoreApplication::processEvents();
            QCoreApplication::processEvents();
            journal_.events << "back from Start " + Name;
            break;
        case Ending::Later:
            QTimer::singleShot(1, this, [this] { Finish(this, options_.exitCode); });
            break;
        case Ending::Throw:
            --journal_.activeStarts;
            throw EKorvaneError("the input vanished");
        case Ending::WhenTold:
        case Ending::ThrowAtOnce:
            break;
        }
    }

    QObject data_;
    Journal& journal_;
    const Ending ending_;
    const StepOptions options_;
};

class CommandsManager : public TempWorld {
protected:
    void SetUp() override
    {
        TempWorld::SetUp();
        queue = std::make_unique<TCommandsManager>(
            [this](QObject* sender, QString title) { record(sender, "commands starting " + title); },
            flagged("command done "), [this](QObject* sender) { record(sender, "commands finished"); },
            [this](QObject* sender) { record(sender, QString("idle, running %1").arg(queue->IsRunning())); },
            flagged("cancel enable "),
            [this](QObject* sender, QString text) { record(sender, "status " + text); });
    }
    void TearDown() override
    {
        queue.reset();
        TempWorld::TearDown();
    }

    StepCommand* Add(const QString& name, Ending ending, const StepOptions& options = {})
    {
        auto command = std::make_unique<StepCommand>(
            journal, [this](QObject*, QString text) { log << text; }, name, ending, options,
            [this, options](TCommandInterface* sender, const TExecuteStatus& status, QObject* data,
                            bool& continueBatch) {
                EXPECT_EQ(data, sender->Data);
                journal.events << QString("after %1, continue %2").arg(sender->Name).arg(continueBatch);
                // As the conversion page does: a step that succeeded lets the rest of its file run.
                if (status.IsSucceeded())
                    sender->SkipNextCount = 0;
                if (options.veto)
                    continueBatch = false;
            });
        StepCommand* step = command.get();
        queue->AddCommand(std::move(command));
        return step;
    }

    void Run(bool stopOnError, bool runIfEmpty = false)
    {
        queue->Run(
            "Batch", stopOnError, nullptr, [this](QObject* sender) { record(sender, "queue started"); },
            flagged("queue ended, all succeeded "), flagged("command starting "), SndBatchConversionEnded,
            SndBatchConversionEnded, false, runIfEmpty);
    }

    ::testing::AssertionResult WaitUntilIdle()
    {
        return Reaches([this] { return !queue->IsRunning(); }, "the batch's end");
    }

    void RunToTheEnd(bool stopOnError)
    {
        Run(stopOnError);
        ASSERT_TRUE(WaitUntilIdle());
    }

    QStringList Events(const QString& prefix) const
    {
        return journal.events.filter(QRegularExpression('^' + QRegularExpression::escape(prefix)));
    }

    QStringList Started() const { return Events("start "); }

    Journal journal;
    QStringList log;
    std::unique_ptr<TCommandsManager> queue;

private:
    void record(QObject* sender, const QString& event)
    {
        EXPECT_EQ(sender, queue.get()) << event.toStdString();
        journal.events << event;
    }
    // A handler of (sender, flag) that records the text followed by 0 or 1.
    TQueueFlagEvent flagged(const QString& text)
    {
        return [this, text](QObject* sender, bool flag) { record(sender, text + QString::number(flag)); };
    }
};

} // namespace

TEST_F(CommandsManager, RunsEveryStepInOrderAndFiresEachEventOnce)
{
    Add("A", Ending::InStart);
    Add("B", Ending::Later, {.cancellable = false, .doneFlag = true});
    RunToTheEnd(true);

    // The batch starts, A runs and hands over, B runs and hands over, the batch ends.
    EXPECT_EQ(journal.events,
              QString("commands starting Batch|queue started|cancel enable 1|"
                      "command starting 1|status status A|start A|success A|cancel enable 0|command done 0|"
                      "after A, continue 1|cancel enable 0|"
                      "command starting 0|status status B|start B|success B|cancel enable 0|command done 1|"
                      "after B, continue 0|cancel enable 0|"
                      "freed A|freed B|queue ended, all succeeded 1|commands finished|idle, running 0")
                  .split('|'));
    EXPECT_TRUE(queue->IsEmpty());
    EXPECT_EQ(queue->GetCommand(0), nullptr);
    EXPECT_TRUE(Dialogs().Messages().isEmpty());
}

TEST_F(CommandsManager, StepThatFinishesInsideStartHandsOverThroughTheEventLoop)
{
    Add("A", Ending::InStart);
    Add("B", Ending::InStart);
    Add("C", Ending::Pumping);
    Run(true);
    EXPECT_EQ(Started(), QStringList{"start A"}) << "B may only start from the event loop";
    EXPECT_TRUE(queue->IsRunning());

    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_EQ(Started(), (QStringList{"start A", "start B", "start C"}));
    EXPECT_EQ(journal.deepestStarts, 1) << "no Start ran inside another";
    EXPECT_LT(journal.events.indexOf("back from Start C"), journal.events.indexOf("freed C"))
        << "a step is never freed while its Start runs";
}

TEST_F(CommandsManager, FailedStepSkipsTheRestOfItsFileAndTheNextFileRuns)
{
    const StepOptions reported{.reportResult = true};
    Add("Decode", Ending::InStart,
        {.exitCode = 1, .skipNext = 2, .reportResult = true, .errors = {"bad header"}});
    Add("Convert", Ending::InStart, {.skipNext = 1, .reportResult = true});
    Add("Encode", Ending::InStart, reported);
    Add("Decode 2", Ending::Later, {.skipNext = 2, .reportResult = true});
    Add("Convert 2", Ending::InStart, {.skipNext = 1, .reportResult = true});
    Add("Encode 2", Ending::Later, reported);
    RunToTheEnd(false);

    EXPECT_EQ(Started(),
              (QStringList{"start Decode", "start Decode 2", "start Convert 2", "start Encode 2"}));
    EXPECT_EQ(Events("queue ended"), QStringList{"queue ended, all succeeded 0"});
    ASSERT_EQ(Dialogs().Messages().size(), 1) << "skipped and succeeded steps show no box";
    EXPECT_EQ(Dialogs().LastText(), "\r\"Decode\" execution failed:\r      bad header  \r");
    EXPECT_EQ(Dialogs().Messages().first().Type, plat::TMsgDlgType::mtError);
}

TEST_F(CommandsManager, StopOnErrorOrTheEndHandlerEndsTheBatch)
{
    Add("A", Ending::Later, {.exitCode = 1});
    Add("B", Ending::InStart);
    RunToTheEnd(true);
    EXPECT_EQ(Started(), QStringList{"start A"});
    EXPECT_EQ(Events("after"), QStringList{"after A, continue 1"});
    EXPECT_EQ(Events("queue ended"), QStringList{"queue ended, all succeeded 0"});

    journal.events.clear();
    Add("C", Ending::InStart, {.veto = true});
    Add("D", Ending::InStart);
    RunToTheEnd(false);
    EXPECT_EQ(Started(), QStringList{"start C"});
    EXPECT_EQ(Events("queue ended"), QStringList{"queue ended, all succeeded 0"})
        << "a step that never ran did not succeed";
}

TEST_F(CommandsManager, CancelStopsTheRunningStepAndEveryLaterOneOnceItCanBeCancelled)
{
    StepCommand* a = Add("A", Ending::WhenTold);
    StepCommand* b = Add("B", Ending::InStart);
    StepCommand* c = Add("C", Ending::InStart);
    Run(false);
    journal.events.clear();

    queue->Cancel();
    EXPECT_TRUE(b->Cancelled && c->Cancelled);
    a->Finish(a, 0); // a late end from its worker changes nothing
    EXPECT_EQ(journal.events, (QStringList{"cancel enable 0", "status Please wait while cancelling...",
                                           "cancel asked A", "cancelled A"}));

    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_EQ(Started(), QStringList{});
    EXPECT_EQ(Events("command done").size(), 1);
    EXPECT_EQ(Events("after"), QStringList{"after A, continue 0"});
    EXPECT_EQ(Events("queue ended"), QStringList{"queue ended, all succeeded 0"});
    EXPECT_EQ(Events("idle").size(), 1);

    // A step that cannot be cancelled runs to its end first.
    journal.events.clear();
    StepCommand* d = Add("D", Ending::WhenTold, {.cancellable = false});
    Add("E", Ending::InStart);
    Run(false);
    queue->Cancel();
    EXPECT_TRUE(Events("cancel asked").isEmpty());
    EXPECT_TRUE(queue->IsRunning());
    d->Finish(d, 0);
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_EQ(Started(), QStringList{"start D"});
    EXPECT_EQ(Events("success"), QStringList{"success D"});
}

TEST_F(CommandsManager, IdleQueueIgnoresCancelAndARunningOneRefusesNewStepsAndASecondRun)
{
    queue->Cancel();
    EXPECT_TRUE(journal.events.isEmpty());
    Run(true, true);
    EXPECT_FALSE(queue->IsRunning());
    EXPECT_EQ(journal.events,
              (QStringList{"commands starting Batch", "queue started", "cancel enable 0",
                           "queue ended, all succeeded 1", "commands finished", "idle, running 0"}));

    // A running queue refuses new steps and a second run.
    journal.events.clear();
    StepCommand* a = Add("A", Ending::WhenTold);
    Run(true);
    Add("Late", Ending::InStart);
    EXPECT_EQ(Events("freed"), QStringList{"freed Late"});
    Run(true);
    EXPECT_EQ(Events("commands starting").size(), 1);

    a->Finish(a, 0);
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_EQ(Started(), QStringList{"start A"});
}

TEST_F(CommandsManager, StepCancelledBeforeItsTurnIsNeverStartedAndTheBatchEndsOnce)
{
    Add("A", Ending::InStart, {.skipNext = 1});
    Add("Skipped", Ending::InStart)->Skipped = true;
    Add("B", Ending::InStart)->Cancelled = true;
    Add("C", Ending::InStart);
    RunToTheEnd(false);

    EXPECT_EQ(Started(), QStringList{"start A"});
    EXPECT_EQ(Events("queue ended"), QStringList{"queue ended, all succeeded 0"});
    EXPECT_EQ(Events("commands finished").size(), 1);
    EXPECT_EQ(Events("idle").size(), 1);
}

TEST_F(CommandsManager, StepWhoseStartThrowsFailsAndTheBatchGoesOn)
{
    Add("A", Ending::ThrowAtOnce);
    Add("B", Ending::Throw);
    Add("C", Ending::InStart);
    RunToTheEnd(false);

    EXPECT_EQ(Started(), (QStringList{"start B", "start C"}));
    EXPECT_EQ(Events("after"),
              (QStringList{"after A, continue 1", "after B, continue 1", "after C, continue 0"}));
    EXPECT_EQ(Events("failure"), (QStringList{"failure A", "failure B"}));
    EXPECT_TRUE(log.contains("<log level=\"error\">no such program</log>"));
    EXPECT_TRUE(log.contains("<log level=\"error\">the input vanished</log>"));

    Add("D", Ending::Throw, {.reportResult = true});
    Add("E", Ending::InStart);
    RunToTheEnd(true);
    EXPECT_EQ(Started().last(), "start D") << "stop on error applies to a throwing step too";
    EXPECT_EQ(Dialogs().LastText(), "\r\"D\" execution failed:\r      the input vanished  \r");
}

TEST_F(CommandsManager, ExceptionFromAnEndHandlerIsShownNotThrown)
{
    queue->AddCommand(std::make_unique<StepCommand>(journal, nullptr, "A", Ending::InStart, StepOptions{},
                                                    [](TCommandInterface*, const TExecuteStatus&, QObject*,
                                                       bool&) { throw EKorvaneError("the page is gone"); }));
    Add("B", Ending::InStart);
    Run(false);
    ASSERT_TRUE(Reaches([this] { return !Dialogs().Messages().isEmpty(); }, "the handler's error box"));
    EXPECT_EQ(Dialogs().LastText(), "the page is gone");
    EXPECT_EQ(Dialogs().Messages().first().Type, plat::TMsgDlgType::mtError);
    ASSERT_TRUE(WaitUntilIdle()) << "the batch ends instead of waiting for ever";
    EXPECT_EQ(Started(), QStringList{"start A"});
    EXPECT_EQ(Events("idle").size(), 1);

    // The same when the handler of the batch's end throws: the queue is idle and runs again.
    Add("C", Ending::InStart);
    queue->Run(
        "Batch", true, nullptr, nullptr, [](QObject*, bool) { throw EKorvaneError("no window"); }, nullptr,
        SndNone, SndNone, false, false);
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_EQ(Dialogs().LastText(), "no window");
    EXPECT_TRUE(queue->IsEmpty());
}

TEST(CommandsManagerElapsed, ShowsMinutesAndHoursOnlyWhenThereAreSome)
{
    EXPECT_EQ(TCommandsManager::FormatElapsed(7045), "07s 045ms");
    EXPECT_EQ(TCommandsManager::FormatElapsed(127'045), "02m 07s 045ms");
    EXPECT_EQ(TCommandsManager::FormatElapsed(3'607'045), "1h 00m 07s 045ms");
}

TEST_F(CommandsManager, ReportedStepsShowTheirResultAtTheEnd)
{
    Add("Encode", Ending::InStart,
        {.reportResult = true, .successes = {"Mpeg Audio file encoded successfully"}});
    Add("Quiet", Ending::InStart, {.reportResult = true});
    RunToTheEnd(true);
    Add("Encode", Ending::InStart, {.exitCode = 1, .reportResult = true});
    Add("Succeeds", Ending::InStart, {.reportResult = true});
    RunToTheEnd(false);
    Add("Mux", Ending::WhenTold, {.reportResult = true});
    Run(true);
    queue->Cancel();
    ASSERT_TRUE(WaitUntilIdle());

    QList<std::pair<plat::TMsgDlgType, QString>> boxes;
    for (const plat::MessageRequest& box : Dialogs().Messages())
        boxes.append({box.Type, box.Text});
    EXPECT_EQ(boxes, (QList<std::pair<plat::TMsgDlgType, QString>>{
                         {plat::TMsgDlgType::mtInformation,
                          "\rKorvane success\r\r\r   \"Encode\" execution succeeded      \r"},
                         {plat::TMsgDlgType::mtError, "\r\"Encode\" execution failed."},
                         {plat::TMsgDlgType::mtWarning, "\r\"Mux\" execution cancelled."}}));
}
