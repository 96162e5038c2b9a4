#include "foundation/instance_guard.h"
#include "tests/support/patience.h"
#include "tests/support/temp_world.h"

#include <QProcess>

#include <csignal>

namespace {

// One copy of the probe program, started in the test's world.
class Probe {
public:
    explicit Probe(const QString& mode, bool withChild = false)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (withChild)
            environment.insert("INSTANCE_PROBE_CHILD", "1");
        process_.setProcessEnvironment(environment);
        process_.start(KORVANE_TEST_PROGRAMS_DIR "/instance_probe", {mode});
    }
    ~Probe()
    {
        process_.kill();
        process_.waitForFinished(5000);
    }
    ::testing::AssertionResult WaitFor(const QString& text)
    {
        return Reaches([&] { return read().contains(text); }, '"' + text.toStdString() + '"');
    }
    int ExitCode()
    {
        EXPECT_TRUE(process_.waitForFinished(PatienceLeft())) << "the probe never ended";
        read();
        return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    }
    void Crash()
    {
        ::kill(pid_t(process_.processId()), SIGKILL);
        EXPECT_TRUE(process_.waitForFinished(PatienceLeft())) << "the probe outlives its kill";
    }
    QString read() { return output_ += QString::fromLocal8Bit(process_.readAllStandardOutput()); }

private:
    QProcess process_;
    QString output_;
};

} // namespace

class InstanceGuard : public TempWorld {};

TEST_F(InstanceGuard, ASecondStartHandsOverToTheRunningCopyAndExits)
{
    for (const char* mode : {"guard", "justone"}) {
        Probe running(mode);
        ASSERT_TRUE(running.WaitFor("running")) << mode;
        Probe second(mode);
        EXPECT_EQ(second.ExitCode(), 1) << mode;
        const QString expected = *mode == 'g' ? InstanceGuardMessage.simplified() : QStringLiteral("already");
        EXPECT_TRUE(second.read().contains(expected) && !second.read().contains("running")) << mode;
        EXPECT_TRUE(running.WaitFor("activated")) << mode;
    }
}

TEST_F(InstanceGuard, ACrashedCopyAndItsChildProgramsBlockNothing)
{
    Probe crashed("guard", true);
    ASSERT_TRUE(crashed.WaitFor("running"));
    const pid_t child = crashed.read().section("child ", 1).section(u'\n', 0, 0).toInt();
    ASSERT_GT(child, 0);
    crashed.Crash();
    EXPECT_EQ(::kill(child, 0), 0) << "the child program outlives the crash";
    Probe next("guard");
    EXPECT_TRUE(next.WaitFor("running")) << next.read().toStdString();
    ::kill(child, SIGKILL);
}
