#include "foundation/instance_guard.h"
#include "platform/instance_lock.h"
#include "tests/support/temp_world.h"

#include <QProcess>
#include <QTest>

#include <csignal>
#include <memory>

namespace {

using Result = plat::InstanceLock::Result;

// One copy of the probe program, started in the test's world.
class Probe {
public:
    explicit Probe(const QString& mode, bool withChild = false)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (withChild)
            environment.insert(QStringLiteral("INSTANCE_PROBE_CHILD"), QStringLiteral("1"));
        process_.setProcessEnvironment(environment);
        process_.start(QStringLiteral(KORVANE_TEST_PROGRAMS_DIR "/instance_probe"), {mode});
    }
    ~Probe()
    {
        process_.kill();
        process_.waitForFinished(5000);
    }
    bool WaitFor(const QString& text)
    {
        return QTest::qWaitFor(
            [&] {
                output_ += QString::fromLocal8Bit(process_.readAllStandardOutput());
                return output_.contains(text);
            },
            10000);
    }
    int ExitCode()
    {
        process_.waitForFinished(10000);
        output_ += QString::fromLocal8Bit(process_.readAllStandardOutput());
        return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    }
    void Crash()
    {
        ::kill(pid_t(process_.processId()), SIGKILL);
        process_.waitForFinished(5000);
    }
    const QString& Output() const { return output_; }

private:
    QProcess process_;
    QString output_;
};

} // namespace

class InstanceGuard : public TempWorld {};

TEST_F(InstanceGuard, ALockHeldInOneHolderIsRefusedToAnotherUntilReleased)
{
    plat::InstanceLock first(QStringLiteral("_Korvane_"));
    plat::InstanceLock second(QStringLiteral("_Korvane_"));
    EXPECT_EQ(first.TryAcquire(), Result::Acquired);
    EXPECT_EQ(second.TryAcquire(), Result::HeldElsewhere);
    first.Release();
    EXPECT_EQ(second.TryAcquire(), Result::Acquired);
}

TEST_F(InstanceGuard, ASecondStartWarnsHandsOverToTheRunningCopyAndExits)
{
    Probe running(QStringLiteral("guard"));
    ASSERT_TRUE(running.WaitFor(QStringLiteral("ready"))) << running.Output().toStdString();
    Probe second(QStringLiteral("guard"));
    EXPECT_EQ(second.ExitCode(), 1);
    EXPECT_TRUE(second.Output().contains(InstanceGuardMessage.simplified())) << second.Output().toStdString();
    EXPECT_FALSE(second.Output().contains(QStringLiteral("ready")));
    EXPECT_TRUE(running.WaitFor(QStringLiteral("activated")));
}

TEST_F(InstanceGuard, TheSingleInstanceComponentAloneHandsOverToo)
{
    Probe running(QStringLiteral("justone"));
    ASSERT_TRUE(running.WaitFor(QStringLiteral("ready")));
    Probe second(QStringLiteral("justone"));
    EXPECT_EQ(second.ExitCode(), 1);
    EXPECT_TRUE(second.Output().contains(QStringLiteral("already")));
    EXPECT_TRUE(running.WaitFor(QStringLiteral("activated")));
}

TEST_F(InstanceGuard, ACrashedCopyAndItsChildProgramsBlockNothing)
{
    Probe crashed(QStringLiteral("guard"), true);
    ASSERT_TRUE(crashed.WaitFor(QStringLiteral("ready")));
    const pid_t child = crashed.Output().section(QStringLiteral("child "), 1).section(u'\n', 0, 0).toInt();
    ASSERT_GT(child, 0);
    crashed.Crash();
    EXPECT_EQ(::kill(child, 0), 0) << "the child program outlives the crash";
    Probe next(QStringLiteral("guard"));
    EXPECT_TRUE(next.WaitFor(QStringLiteral("ready"))) << next.Output().toStdString();
    ::kill(-child, SIGKILL);
    ::kill(child, SIGKILL);
}
