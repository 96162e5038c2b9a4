#include "app/korvane_main.h"
#include "tests/x11/real_display.h"

TEST_F(RealDisplay, TheMainWindowComesBackWhereItWasClosed)
{
    Start();
    ASSERT_TRUE(WaitSettled(Main()));
    ASSERT_TRUE(DragByTitleBar(Main(), {230, 170}));
    const QPoint closedAt = Frame(Main()).topLeft();
    EXPECT_EQ(closedAt, QPoint(230, 170)) << "the drag itself";
    for (int start = 1; start <= 3; ++start) {
        Restart();
        ASSERT_TRUE(WaitSettled(Main()));
        const QPoint moved = Frame(Main()).topLeft() - closedAt;
        EXPECT_LE(moved.manhattanLength(), 1)
            << "start " << start << " moved it by " << moved.x() << ", " << moved.y();
    }
}
