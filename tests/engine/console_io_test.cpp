#include "engine/console_io.h"

#include "tests/support/child_tool.h"
#include "tests/support/patience.h"
#include "tests/support/qt_printers.h"
#include "tests/support/temp_world.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <QThread>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <sys/resource.h>
#include <thread>

namespace {

// Every event of a runner as a line of text, and whether one ran off the main thread.
struct Recorder {
    QStringList Events;
    bool Done = false;
    bool OffMainThread = false;

    void Hook(TGUI2Console& runner)
    {
        const auto text = [this](const char* kind) {
            return [this, kind](TGUI2Console*, const QString& text) { add(kind + text); };
        };
        runner.OnStart = text("start:");
        runner.OnLine = text("line:");
        runner.OnError = text("error:");
        runner.OnStatus = text("status:");
        runner.OnPrompt = text("prompt:");
        runner.OnPreTerminate = [this](TGUI2Console*) { add("pre"); };
        runner.OnDone = [this](TGUI2Console*, int exitCode) {
            add("done:" + QString::number(exitCode));
            Done = true;
        };
    }
    QStringList Lines() const { return Events.filter(QRegularExpression("^line:")); }

    void add(const QString& event)
    {
        OffMainThread |= QThread::currentThread() != QCoreApplication::instance()->thread();
        Events << event;
    }
};

class ConsoleRunner : public TempWorld {
protected:
    void Prepare(TGUI2Console& runner, const QString& steps) { Prepare(runner, Steps(steps)); }
    void Prepare(TGUI2Console& runner, const QStringList& steps)
    {
        runner.Program = ChildToolPath();
        runner.Arguments = steps;
        runner.Command = u'"' + ChildToolPath() + QStringLiteral("\" ") + steps.join(u' ');
        recorder.Hook(runner);
    }
    ::testing::AssertionResult WaitForDone()
    {
        return Reaches([&] { return recorder.Done; }, "the run's end");
    }
    // Waits for a line starting with prefix and returns the number after it.
    pid_t WaitForNumber(const QString& prefix)
    {
        EXPECT_TRUE(Reaches([&] { return !recorder.Events.filter("line:" + prefix).isEmpty(); },
                            "the line \"" + prefix.toStdString() + "\""));
        return recorder.Events.filter("line:" + prefix).value(0).section(u' ', 1, 1).toInt();
    }
    static bool ProcessIsGone(pid_t pid) { return ::kill(pid, 0) == -1 && errno == ESRCH; }

    Recorder recorder;
};

TEST_F(ConsoleRunner, HandsEveryLineToTheMainThreadInOrderAndEndsWithTheExitCode)
{
    TGUI2Console runner;
    // Chunks split mid-line and inside the letters of "Chloé 東", every kind of line break, both streams.
    Prepare(runner, QStringLiteral("out|abc|sleep|30|out|def\\r\\n|err|on stderr\\n|out|a\\r\\n\\r\\nb\\n|"
                                   "out|[1]\\r[2]\\r|out|Chlo\\xc3|sleep|30|out|\\xa9 \\xe6\\x9d|sleep|30|"
                                   "out|\\xb1\\n|lines|500|out|unfinished|exit|3"));
    runner.Start();
    EXPECT_TRUE(runner.Running());
    ASSERT_TRUE(WaitForDone());

    QStringList expected =
        QStringLiteral("line:abcdef|line:on stderr|line:a|line:b|line:[1]|line:[2]|line:Chloé 東")
            .split(u'|');
    expected.prepend(QStringLiteral("start:") + runner.Command);
    for (int n = 1; n <= 500; ++n)
        expected << QStringLiteral("line:line %1").arg(n);
    expected << QStringLiteral("pre|status:Normal Thread Termination|done:3").split(u'|');
    EXPECT_EQ(recorder.Events, expected);
    EXPECT_FALSE(recorder.OffMainThread);
    EXPECT_FALSE(runner.Running());
}

// The nice values of this process's threads.
QList<int> ThreadNiceValues()
{
    QList<int> values;
    for (const QString& thread : QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat("/proc/self/task/" + thread + "/stat");
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // The fields after the name in brackets; the nice value is the 19th field of the line.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 16)
            values << fields[16].toInt();
    }
    return values;
}

TEST_F(ConsoleRunner, TheWorkerRunsOneStepBelowTheProgramAndItsProgramAtTheProgramsOwn)
{
    const int normal = ::getpriority(PRIO_PROCESS, 0);
    if (normal >= 18)
        GTEST_SKIP() << "this program already runs at the lowest priority";
    // A runner asked for the normal priority still runs its worker lower; one asked for less gets it.
    for (const auto& [priority, steps] : {std::pair{tpNormal, 1}, {tpLowest, 2}}) {
        recorder = {};
        EXPECT_FALSE(ThreadNiceValues().contains(normal + steps));
        TGUI2Console runner;
        runner.Priority = priority;
        Prepare(runner, "nice|forever");
        // The child, and with it the worker, lives until the worker's priority has been seen.
        bool seen = false;
        runner.OnTimeOut = [&](TGUI2Console*, bool& terminate) { terminate = seen; };
        runner.Start();
        EXPECT_EQ(WaitForNumber("nice "), normal);
        EXPECT_TRUE(ThreadNiceValues().contains(normal + steps)) << priority;
        seen = true;
        ASSERT_TRUE(WaitForDone());
        EXPECT_TRUE(
            Reaches([&] { return !ThreadNiceValues().contains(normal + steps); }, "the worker's end"));
    }
}

TEST_F(ConsoleRunner, TheWorkingFolderDisplayTextAndLogFileAreKeptApart)
{
    const QString folder = Root() + "my \"folder\" $x/";
    ASSERT_TRUE(QDir().mkpath(folder));
    TGUI2Console runner;
    Prepare(runner, "cwd|out|one\\ntwo\\r\\n\\nthree");
    runner.Application = "shown first";
    runner.Command = "\"never parsed\" \"";
    runner.HomeDirectory = folder;
    runner.LogFile = WriteFile("console.log", "old content that must go");
    runner.Start();
    ASSERT_TRUE(WaitForDone());
    EXPECT_EQ(recorder.Events.first(), "start:shown first \"never parsed\" \"");
    const QString cwd = QStringLiteral("cwd ") + QDir(folder).canonicalPath();
    EXPECT_EQ(recorder.Lines(), QStringList({"line:" + cwd, "line:one", "line:two"}));
    EXPECT_EQ(recorder.Events.last(), "done:0");
    // Every line with a carriage return and a line feed; the unfinished one is not a line.
    EXPECT_EQ(ReadFile(runner.LogFile), (cwd + "\r\none\r\ntwo\r\n").toUtf8());
}

TEST_F(ConsoleRunner, AProgramThatCannotStartGivesAnErrorThenDoneWithOne)
{
    const QString plain = WriteFile("plain", "no program");
    const std::pair<QString, QString> cases[] = {
        {Root() + "missing", "error:Error Creating Process  Error Code :2"},
        {plain, "error:Error Creating Process  Error Code :13"}};
    for (const auto& [program, error] : cases) {
        recorder = {};
        TGUI2Console runner;
        Prepare(runner, QStringList());
        runner.Program = program;
        runner.Command = program;
        runner.Start();
        ASSERT_TRUE(WaitForDone());
        EXPECT_EQ(recorder.Events, QStringList({QStringLiteral("start:") + program, error, "done:1"}));
    }
}

TEST_F(ConsoleRunner, StopOrDestroyDuringALongRunLeavesNoProcessAndNoEvent)
{
    TGUI2Console runner;
    Prepare(runner, "pid|grandchild|forever");
    runner.Start();
    const pid_t child = WaitForNumber("pid ");
    const pid_t grandchild = WaitForNumber("grandchild ");
    ASSERT_GT(child, 0);
    ASSERT_GT(grandchild, 0);
    runner.Stop();
    EXPECT_FALSE(runner.Running());
    EXPECT_TRUE(ProcessIsGone(child)) << "killed and reaped: not even a zombie is left";
    EXPECT_TRUE(Reaches([&] { return !IsProcessAlive(grandchild); }, "the grandchild's end"));
    QStringList before = recorder.Events;
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(recorder.Events, before) << "a stopped run raises nothing more, not even done";

    // Destroyed while lines pile up in the queue: the worker is joined and the queued lines dropped.
    recorder = {};
    auto destroyed = std::make_unique<TGUI2Console>();
    Prepare(*destroyed, "pid|lines|20000|forever");
    destroyed->Start();
    const pid_t second = WaitForNumber("pid ");
    ASSERT_GT(second, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    destroyed.reset();
    EXPECT_TRUE(ProcessIsGone(second));
    before = recorder.Events;
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(recorder.Events, before);
}

TEST_F(ConsoleRunner, ASecondStartOnlyReportsProcessAlreadyRunningButOnDoneMayStartTheNextRun)
{
    TGUI2Console runner;
    Prepare(runner, "sleep|100|out|run\\n");
    int runs = 0;
    runner.OnDone = [&](TGUI2Console* sender, int) {
        if (++runs == 1)
            sender->Start();
    };
    runner.Start();
    runner.Start();
    EXPECT_EQ(recorder.Events, QStringList("error:Process Already Running"))
        << "reported at once, by the caller's thread";
    EXPECT_TRUE(Reaches([&] { return runs == 2; }, "the second run's end"));
    EXPECT_EQ(recorder.Lines(), QStringList({"line:run", "line:run"}));
}

TEST_F(ConsoleRunner, UnhookedHandlersMissEventsAlreadyQueuedAndAThrowingOneStaysOutOfTheEventLoop)
{
    TGUI2Console runner;
    Prepare(runner, "lines|20");
    runner.LogFile = Root() + "run.log";
    runner.Start();
    // The worker writes its log out as it closes it, once every line is queued; nothing is delivered.
    ASSERT_TRUE(Reaches([&] { return ReadFile(runner.LogFile).count('\n') == 20; }, "the whole run's log",
                        Events::Held));
    runner.OnLine = nullptr;
    ASSERT_TRUE(WaitForDone());
    EXPECT_TRUE(recorder.Lines().isEmpty());

    recorder = {};
    int lines = 0;
    runner.OnLine = [&](TGUI2Console*, const QString&) {
        ++lines;
        throw EKorvaneError("handler failed");
    };
    runner.Arguments = Steps("lines|3");
    runner.Start();
    ASSERT_TRUE(WaitForDone());
    EXPECT_EQ(lines, 3);
}

TEST_F(ConsoleRunner, ATimeOutCanEndASilentProgram)
{
    TGUI2Console runner;
    Prepare(runner, "pid|forever");
    int timeOuts = 0;
    runner.OnTimeOut = [&](TGUI2Console*, bool& terminate) {
        // Counted once the child has said who it is: a slow start is idle output too.
        terminate = !recorder.Lines().isEmpty() && ++timeOuts == 2;
    };
    runner.Start();
    const pid_t child = WaitForNumber("pid ");
    ASSERT_GT(child, 0);
    ASSERT_TRUE(WaitForDone());
    EXPECT_GE(timeOuts, 2);
    EXPECT_EQ(recorder.Events.last(), "done:137");
    EXPECT_TRUE(ProcessIsGone(child));

    recorder = {};
    TGUI2Console automatic;
    Prepare(automatic, "forever");
    automatic.AutoTerminate = true;
    automatic.Start();
    ASSERT_TRUE(WaitForDone());
    EXPECT_EQ(recorder.Events.last(), "done:137");
}

TEST_F(ConsoleRunner, AnUnfinishedLineEndingWithThePromptIsReportedWhenOutputIdles)
{
    TGUI2Console runner;
    Prepare(runner, "out|Overwrite? |forever");
    runner.Prompt = "? ";
    runner.Start();
    EXPECT_TRUE(Reaches([&] { return recorder.Events.contains("prompt:Overwrite? "); }, "the prompt"));
    EXPECT_TRUE(recorder.Lines().isEmpty()) << "an unfinished line is never a line";
    runner.Stop();
}

} // namespace
