#include "app/korvane_main.h"
#include "components/form_magnet.h"
#include "tests/x11/real_display.h"

#include <QScreen>
#include <QTest>

TEST_F(RealDisplay, AFormGluedSinceTheShowKeepsItsPlaceThroughoutTheFirstDrag)
{
    // Where the program puts it, 10 px from two edges of the work area: no snap there until a drag ends.
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QPoint start = area.topLeft() + QPoint(10, 10);
    ASSERT_TRUE(StartAt(start));
    Main().FormMagnet1->SetGlue(true);

    // Against the main window's right edge, from before its first move.
    QWidget beside;
    new TFormMagnet(&beside);
    beside.resize(200, 150);
    beside.show();
    ASSERT_TRUE(WaitSettled(beside));
    const QPoint offset(Frame(Main()).width(), 40);
    beside.move(start + offset);
    ASSERT_TRUE(WaitSettled(beside));
    const auto keepsItsPlace = [&] {
        return QTest::qWaitFor([&] { return Frame(beside).topLeft() - Frame(Main()).topLeft() == offset; });
    };
    ASSERT_TRUE(keepsItsPlace());

    TitleBarDrag drag(Main());
    ASSERT_TRUE(drag.Press());
    for (int step = 1; step <= 3; ++step) {
        const QPoint held = start + QPoint(60, 40) * step;
        ASSERT_TRUE(drag.MoveTo(held));
        EXPECT_TRUE(keepsItsPlace()) << "step " << step;
        // Held still longer than a move takes to end: the drag goes on, nothing snaps.
        ASSERT_TRUE(WaitSettled(Main()));
        ASSERT_TRUE(WaitSettled(beside));
        EXPECT_EQ(Frame(Main()).topLeft(), held) << "held at step " << step;
        EXPECT_TRUE(keepsItsPlace()) << "held at step " << step;
    }
    // The glued form's window has moved and the program has not heard of it yet, when the magnet places
    // it again: the place the program knows is no measure of the frame around it.
    beside.windowHandle()->setPosition(beside.windowHandle()->position() + QPoint(7, 0));
    Main().FormMagnet1->SnapInPlace();
    ASSERT_TRUE(WaitSettled(beside));
    EXPECT_TRUE(keepsItsPlace()) << "placed while it moves";
    ASSERT_TRUE(drag.Release());
    ASSERT_TRUE(WaitSettled(beside));
    EXPECT_EQ(Frame(Main()).topLeft(), start + QPoint(180, 120));
    EXPECT_TRUE(keepsItsPlace()) << "after the drag";
}

TEST_F(RealDisplay, AGluedFormLooksWhereItStandsOnlyWhileItIsDragged)
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QPoint start = area.topLeft() + QPoint(100, 100);
    ASSERT_TRUE(StartAt(start));
    TFormMagnet& magnet = *Main().FormMagnet1;
    magnet.SetGlue(true);
    const auto resting = [&] { return QTest::qWaitFor([&] { return !magnet.Following(); }); };
    const auto following = [&](int patienceMs) {
        return QTest::qWaitFor([&] { return magnet.Following(); }, patienceMs);
    };
    // Each look where the form stands is a round trip to the X server: none while nothing moves.
    EXPECT_TRUE(resting()) << "glued at rest";
    EXPECT_FALSE(following(500)) << "glued at rest";

    Main().move(Main().pos() + QPoint(30, 20));
    ASSERT_TRUE(WaitSettled(Main()));
    EXPECT_TRUE(resting()) << "after a move of the program's own";
    // Shown again, in a new frame of the window manager's, which the magnet hears of in turn.
    ASSERT_TRUE(Withdraw(Main()));
    Main().show();
    ASSERT_TRUE(WaitSettled(Main()));
    EXPECT_EQ(Frame(Main()).topLeft(), start + QPoint(30, 20)) << "shown again";
    EXPECT_TRUE(resting()) << "shown again";

    TitleBarDrag drag(Main());
    ASSERT_TRUE(drag.Press());
    ASSERT_TRUE(drag.MoveTo(start + QPoint(90, 60)));
    EXPECT_TRUE(following(5000)) << "dragged";
    ASSERT_TRUE(drag.Release());
    EXPECT_TRUE(resting()) << "after the drag";
}
