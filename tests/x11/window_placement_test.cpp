#include "app/korvane_main.h"
#include "tests/x11/real_display.h"

#include <QScreen>

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

TEST_F(RealDisplay, TheMagnetSnapsWhatTheUserDragsNearAnEdgeAndLeavesWhereTheProgramPutsIt)
{
    Start();
    ASSERT_TRUE(WaitSettled(Main()));
    const QRect area = Main().screen()->availableGeometry();
    ASSERT_TRUE(DragByTitleBar(Main(), area.topLeft() + QPoint(12, 300)));
    EXPECT_EQ(Frame(Main()).topLeft(), area.topLeft() + QPoint(0, 300)) << "dragged 12 px from the left edge";

    // Held still near the edge, the button down, the move has not ended: nothing snaps, and the window
    // manager goes on moving the window.
    {
        TitleBarDrag drag(Main());
        ASSERT_TRUE(drag.Press());
        const QPoint nearTheEdge = area.topLeft() + QPoint(13, 200);
        ASSERT_TRUE(drag.MoveTo(nearTheEdge));
        ASSERT_TRUE(WaitSettled(Main()));
        EXPECT_EQ(Frame(Main()).topLeft(), nearTheEdge) << "held 13 px from the left edge";
        ASSERT_TRUE(drag.MoveTo(area.topLeft() + QPoint(100, 250)));
        ASSERT_TRUE(drag.Release());
        EXPECT_EQ(Frame(Main()).topLeft(), area.topLeft() + QPoint(100, 250)) << "moved on and released";
    }

    Main().move(area.topLeft() + QPoint(300, 9));
    ASSERT_TRUE(WaitSettled(Main()));
    EXPECT_EQ(Frame(Main()).topLeft(), area.topLeft() + QPoint(300, 9)) << "moved by the program";

    // The saved place is 10 px from two edges: the start puts it there and leaves it there.
    Stop();
    const QPoint nearTheCorner = area.topLeft() + QPoint(10, 10);
    ASSERT_TRUE(StartAt(nearTheCorner));
    EXPECT_EQ(Frame(Main()).topLeft(), nearTheCorner) << "restored by the program";
}
