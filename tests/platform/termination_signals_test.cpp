#include "platform/termination_signals.h"
#include "tests/support/patience.h"

#include <QCoreApplication>
#include <QList>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <thread>

namespace {

TEST(TerminationSignals, ReachTheMainThreadInsteadOfEndingTheProgramAndLeaveAsFound)
{
    struct sigaction ignored = {};
    ignored.sa_handler = SIG_IGN;
    struct sigaction before = {};
    ASSERT_EQ(::sigaction(SIGHUP, &ignored, &before), 0);
    {
        QList<int> seen;
        bool onMain = true;
        plat::TerminationSignals watch([&](int signal) {
            seen << signal;
            onMain = onMain && QThread::currentThread() == QCoreApplication::instance()->thread();
        });
        EXPECT_EQ(watch.ExitCode(3), 3);
        EXPECT_EQ(watch.Received(), 0);
        // Code that runs no event loop sees it too.
        std::raise(SIGHUP);
        EXPECT_EQ(watch.Received(), SIGHUP);
        EXPECT_EQ(seen.size(), 1);
        // Sent from another thread, as the system may deliver it to any thread.
        std::thread([] { ::kill(::getpid(), SIGTERM); }).join();
        ::kill(::getpid(), SIGINT);
        ASSERT_TRUE(Reaches([&] { return seen.size() == 3; }, "the three signals on the main thread"));
        EXPECT_EQ(seen, QList<int>({SIGHUP, SIGTERM, SIGINT}));
        EXPECT_TRUE(onMain);
        EXPECT_EQ(watch.ExitCode(0), 128 + SIGHUP) << "the first signal is the one that ends the program";
    }
    struct sigaction after = {};
    ::sigaction(SIGHUP, &before, &after);
    EXPECT_EQ(after.sa_handler, SIG_IGN) << "the handler found is back";
}

} // namespace
