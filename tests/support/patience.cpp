#include "tests/support/patience.h"

#include <QDeadlineTimer>

#include <algorithm>

namespace {

// The runner's limit for one test, less a margin for the test's own start and tidying up.
constexpr int kAllowanceMs = (KORVANE_TEST_TIMEOUT_SECONDS - 60) * 1000;

QDeadlineTimer& deadline()
{
    static QDeadlineTimer timer(kAllowanceMs);
    return timer;
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
