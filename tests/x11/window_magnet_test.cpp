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
    ASSERT_TRUE(drag.Release());
    ASSERT_TRUE(WaitSettled(beside));
    EXPECT_EQ(Frame(Main()).topLeft(), start + QPoint(180, 120));
    EXPECT_TRUE(keepsItsPlace()) << "after the drag";
}
