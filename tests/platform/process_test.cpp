#include "platform/process.h"

#include "tests/support/child_tool.h"
#include "tests/support/patience.h"
#include "tests/support/qt_printers.h"
#include "tests/support/temp_world.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QScopeGuard>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <sys/wait.h>

using plat::ChildProcess;

namespace {

class Process : public TempWorld {
protected:
    // Everything the child writes until it has ended and its output is drained.
    static QByteArray RunToEnd(ChildProcess& child)
    {
        QByteArray output;
        char buffer[300];
        EXPECT_TRUE(Reaches(
            [&] {
                child.WaitForOutput(5);
                for (std::int64_t count; (count = child.Read(buffer, sizeof buffer)) > 0;)
                    output.append(buffer, count);
                child.TryReap();
                return child.Reaped() && child.OutputEnded();
            },
            "the child's end and the end of its output", Events::Held));
        return output;
    }

    static QByteArray Run(const QStringList& steps, std::optional<int>* exitCode = nullptr,
                          const ChildProcess::Options& options = {})
    {
        ChildProcess child;
        EXPECT_EQ(child.Start(ChildToolPath(), steps, options), 0);
        const QByteArray output = RunToEnd(child);
        if (exitCode)
            *exitCode = child.ExitCode();
        return output;
    }

    static bool IsOurUnreapedChild(pid_t pid) { return ::waitpid(pid, nullptr, WNOHANG) == 0; }
};

TEST_F(Process, ArgumentsArriveAsTheyWereGivenAndAreQuotedOnlyForDisplay)
{
    const QStringList arguments = {"two  blanks",
                                   "\"quoted\" and 'single'",
                                   "$HOME `id` $(id) ;|&*?",
                                   "-o",
                                   "--leading-dash",
                                   "Chloé Ærøskøbing 東京",
                                   "back\\slash",
                                   QString()};
    const QByteArray output = Run(QStringList("echo") + arguments);
    EXPECT_EQ(QString::fromUtf8(output), arguments.join(u'\n') + u'\n');

    // The command line is only ever quoted for display.
    EXPECT_EQ(ChildProcess::CommandLineText("/opt/k v/toolame",
                                            {"-b", "224", "/tmp/my song.wav", QString(), "a\"b"}),
              "\"/opt/k v/toolame\" -b 224 \"/tmp/my song.wav\" \"\" a\"b");
    ChildProcess child;
    child.Start(ChildToolPath(), Steps("exit|0"));
    EXPECT_EQ(child.CommandLine(), u'"' + ChildToolPath() + QStringLiteral("\" exit 0"));
}

TEST_F(Process, OutputAndErrorsShareOnePipeAndTheExitCodeOrSignalIsReported)
{
    QByteArray expected = "stdin 0 bytes\n";
    for (int n = 1; n <= 300; ++n)
        expected += "line " + QByteArray::number(n) + '\n';
    EXPECT_EQ(Run(Steps("stdin|lines|300")), expected);

    // A killed child's code is checked with the group kill below.
    for (const auto& [steps, code] : {std::pair{Steps("out|bye\\n|exit|3"), 3},
                                      {QStringList(), 0},
                                      {QStringList{"signal", QString::number(SIGTERM)}, 128 + SIGTERM}}) {
        std::optional<int> exitCode;
        Run(steps, &exitCode);
        EXPECT_EQ(exitCode, code);
    }
}

TEST_F(Process, RunsInItsFolderWithTheGivenEnvironment)
{
    const QString folder = Root() + "dossier é/";
    ASSERT_TRUE(QDir().mkpath(folder));
    const QByteArray output = Run(Steps("cwd|env|KORVANE_PROBE|env|HOME"), nullptr,
                                  {.WorkingFolder = folder, .Environment = {"KORVANE_PROBE=a b=c"}});
    EXPECT_EQ(QString::fromUtf8(output), QStringLiteral("cwd %1\nenv KORVANE_PROBE=a b=c\nenv HOME unset\n")
                                             .arg(QDir(folder).canonicalPath()));

    qputenv("KORVANE_PROBE", "inherited");
    EXPECT_EQ(Run(Steps("env|KORVANE_PROBE")), "env KORVANE_PROBE=inherited\n");
    qunsetenv("KORVANE_PROBE");
}

TEST_F(Process, ProgramsThatCannotStartGiveTheSystemErrorCode)
{
    const std::tuple<QString, ChildProcess::Options, int> cases[] = {
        {Root() + "no such program", {}, ENOENT},
        {WriteFile("plain file", "#!/bin/sh\necho hi\n"), {}, EACCES},
        {Root(), {}, EACCES},
        {ChildToolPath(), {.WorkingFolder = Root() + "missing/", .Environment = {}}, ENOENT}};
    for (const auto& [program, options, error] : cases) {
        ChildProcess child;
        EXPECT_EQ(child.Start(program, {}, options), error) << program.toStdString();
        EXPECT_FALSE(child.Started());
    }
}

TEST_F(Process, NamesWithoutASlashAreSearchedInPath)
{
    const auto restorePath = qScopeGuard([path = qgetenv("PATH")] { qputenv("PATH", path); });
    const QString decoy = WriteFile("decoy/child_tool", "not a program");
    qputenv("PATH", QFile::encodeName(Root() + "decoy:" + QStringLiteral(KORVANE_TEST_PROGRAMS_DIR ":/bin")));

    EXPECT_EQ(ChildProcess::SearchPath("child_tool"), ChildToolPath())
        << "a file without the execute bit is skipped, as the system's search does";
    EXPECT_EQ(ChildProcess::SearchPath("no-such-tool"), QString());
    EXPECT_EQ(ChildProcess::SearchPath(decoy), decoy) << "a name with a folder is taken as it stands";
    EXPECT_EQ(ChildProcess::SearchPath(Root() + "nothing"), QString());

    ChildProcess child;
    EXPECT_EQ(child.Start("child_tool", Steps("echo|found")), 0);
    EXPECT_EQ(RunToEnd(child), "found\n");
    ChildProcess missing;
    EXPECT_EQ(missing.Start("no-such-tool", {}), ENOENT);
}

TEST_F(Process, KillingTheGroupEndsTheChildAndWhatItStarted)
{
    ChildProcess child;
    ASSERT_EQ(child.Start(ChildToolPath(), Steps("pid|grandchild|forever")), 0);
    QByteArray output;
    char buffer[200];
    ASSERT_TRUE(Reaches(
        [&] {
            child.WaitForOutput(5);
            output.append(buffer, child.Read(buffer, sizeof buffer));
            return output.contains("grandchild ") && output.endsWith('\n');
        },
        "the line \"grandchild\"", Events::Held));
    const QList<QByteArray> words = output.simplified().split(' ');
    ASSERT_EQ(words.size(), 5);
    EXPECT_EQ(words[1].toInt(), child.Pid());
    EXPECT_EQ(words[2].toInt(), child.Pid()) << "the child leads a process group of its own";
    const pid_t grandchild = words[4].toInt();

    EXPECT_FALSE(child.TryReap());
    child.KillGroup();
    child.Reap();
    EXPECT_EQ(child.ExitCode(), 128 + SIGKILL);
    EXPECT_FALSE(IsOurUnreapedChild(child.Pid())) << "the child was reaped";
    EXPECT_TRUE(Reaches([&] { return !IsProcessAlive(grandchild); }, "the grandchild's end"));
    child.KillGroup(); // after the reap it must not signal anything

    // Destroying a running child kills and reaps it.
    pid_t pid = 0;
    {
        ChildProcess child;
        ASSERT_EQ(child.Start(ChildToolPath(), Steps("forever")), 0);
        pid = child.Pid();
        EXPECT_TRUE(IsProcessAlive(pid));
    }
    EXPECT_EQ(::kill(pid, 0), -1);
    EXPECT_EQ(errno, ESRCH) << "no process and no zombie is left";
}

TEST_F(Process, OutputThatEndsBeforeTheChildDoesNotMakeWaitingSpin)
{
    ChildProcess child;
    ASSERT_EQ(child.Start("/bin/sh", {"-c", "exec >&- 2>&-; sleep 0.3"}), 0);
    char buffer[16];
    int rounds = 0;
    QElapsedTimer waited;
    waited.start();
    while (!child.TryReap()) {
        child.WaitForOutput(20);
        child.Read(buffer, sizeof buffer);
        ++rounds;
    }
    EXPECT_TRUE(child.OutputEnded());
    // However slow the machine, rounds that each wait their 20 ms fit in the time the child took.
    EXPECT_LE(rounds, waited.elapsed() / 20 + 1) << "each round waits even after the pipe has closed";
    EXPECT_EQ(child.ExitCode(), 0);
}

} // namespace
