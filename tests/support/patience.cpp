#include "tests/support/patience.h"

#include <QDeadlineTimer>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

// The runner's limit for one test, less a margin for the test's own start and tidying up.
constexpr int kAllowanceMs = (KORVANE_TEST_TIMEOUT_SECONDS - 60) * 1000;

QDeadlineTimer& deadline()
{
    static QDeadlineTimer timer(kAllowanceMs);
    return timer;
}

bool heldReaches(const std::function<bool()>& reached)
{
    while (!reached()) {
        if (deadline().hasExpired())
            return reached();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace

void RestartPatience()
{
    deadline().setRemainingTime(kAllowanceMs);
}

int PatienceLeft()
{
    return int(std::max<qint64>(deadline().remainingTime(), 1));
}

::testing::AssertionResult Reaches(const std::function<bool()>& reached, const std::string& state,
                                   Events events)
{
    if (events == Events::Handled ? QTest::qWaitFor(reached, PatienceLeft()) : heldReaches(reached))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the test gave up waiting for " << state;
}
