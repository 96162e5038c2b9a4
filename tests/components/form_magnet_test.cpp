#include "components/form_magnet.h"
#include "tests/support/patience.h"
#include "tests/support/qt_printers.h"

#include <QWindow>

#include <gtest/gtest.h>

#include <memory>
#include <utility>

namespace {

const QRect screen(0, 0, 1000, 800);
const QRect other(200, 200, 100, 100);

struct SnapCase {
    const char* what;
    QPoint from;
    QPoint expected;
    bool allow = true;
};

magnet::SnapResult snapBeside(const QPoint& from, bool allow, bool glue = false, const QRect& form = other)
{
    return magnet::Snap(QRect(from, QSize(100, 100)), {form}, 20, screen, TScreenMagnet{saWorkArea, 20}, glue,
                        [allow](int) { return allow; });
}

// A window system that lets the program place its windows, with a pointer whose button the test holds
// down or lets go; it counts the magnet's questions about the button.
class ScriptedPointer : public TMagnetWindowSystem {
public:
    bool PlacesWindows() const override { return true; }
    bool PointerButtonHeld() override
    {
        ++Asked;
        return Held;
    }

    bool Held = false;
    int Asked = 0;
};

} // namespace

TEST(FormMagnet, SnapsToTheEdgesOfAnotherFormWithinItsPower)
{
    const SnapCase cases[] = {
        {"bottom 19 above its top", {200, 81}, {200, 100}, false},
        {"bottom 20 above its top", {200, 80}, {200, 80}},
        {"bottom 5 into its top, allowed", {200, 105}, {200, 100}},
        {"bottom 5 into its top, refused", {200, 105}, {200, 105}, false},
        {"top 5 into its bottom, not asked", {200, 295}, {200, 300}, false},
        {"top 5 below its bottom, refused", {200, 305}, {200, 305}, false},
        {"top 5 below its bottom, allowed", {200, 305}, {200, 300}},
        {"top 19 below its bottom, allowed", {250, 319}, {250, 300}},
        {"top 20 below its bottom", {250, 320}, {250, 320}},
        {"left 5 into its right, not asked", {295, 250}, {300, 250}, false},
        {"left 5 beyond its right, allowed", {305, 250}, {300, 250}},
        {"no horizontal overlap: no vertical snap", {310, 81}, {310, 81}},
        {"diagonal, no overlap on either axis", {81, 81}, {81, 81}},
        {"edges that already touch stay", {200, 100}, {200, 100}},
    };
    for (const SnapCase& c : cases)
        EXPECT_EQ(snapBeside(c.from, c.allow).Bounds.topLeft(), c.expected) << c.what;
}

TEST(FormMagnet, SnapsToTheScreenEdgesAndCorners)
{
    const SnapCase cases[] = {
        {"top 19 inside", {500, 19}, {500, 0}},          {"top 20 inside", {500, 20}, {500, 20}},
        {"top 19 outside", {500, -19}, {500, 0}},        {"left 19 inside", {19, 500}, {0, 500}},
        {"right 19 inside", {881, 500}, {900, 500}},     {"right 20 inside", {880, 500}, {880, 500}},
        {"bottom 19 outside", {500, 719}, {500, 700}},   {"top-left corner", {10, 15}, {0, 0}},
        {"bottom-right corner", {905, 695}, {900, 700}},
    };
    for (const SnapCase& c : cases)
        EXPECT_EQ(snapBeside(c.from, true, false, QRect(-900, -900, 10, 10)).Bounds.topLeft(), c.expected)
            << c.what;
}

TEST(FormMagnet, AFormSnapSuppressesTheScreenSnapUnlessGlued)
{
    const QRect beside(200, 30, 100, 100);
    EXPECT_EQ(snapBeside({81, 10}, true, false, beside).Bounds.topLeft(), QPoint(100, 10));
    EXPECT_EQ(snapBeside({81, 10}, true, true, beside).Bounds.topLeft(), QPoint(100, 0));
}

TEST(FormMagnet, SnapsToTheScreenThatHoldsMostOfTheForm)
{
    const std::vector<QRect> screens{{0, 0, 1000, 760}, {1000, 0, 1280, 1024}};
    const struct {
        QPoint from;
        QRect area;
    } cases[] = {
        {{100, 100}, screens[0]},
        {{985, 100}, screens[1]},
        {{940, 100}, screens[0]},
        {{5000, 100}, screens[0]},
    };
    for (const auto& c : cases)
        EXPECT_EQ(magnet::AreaFor(QRect(c.from, QSize(100, 100)), screens), c.area) << c.from.x();
    const QRect onSecond(985, 10, 100, 100);
    EXPECT_EQ(magnet::Snap(onSecond, {}, 20, magnet::AreaFor(onSecond, screens),
                           TScreenMagnet{saWorkArea, 20}, false)
                  .Bounds.topLeft(),
              QPoint(1000, 0));
}

TEST(FormMagnet, GluesOnlyFormsThatShareAnEdge)
{
    EXPECT_TRUE(magnet::Touches(other, QRect(300, 900, 50, 50)));
    EXPECT_TRUE(magnet::Touches(other, QRect(0, 300, 50, 50)));
    EXPECT_TRUE(magnet::Touches(other, QRect(150, 150, 50, 50)));
    EXPECT_FALSE(magnet::Touches(other, QRect(301, 200, 50, 50)));
}

TEST(FormMagnet, ADefaultMagnetSnapsWithinItsOwnDistances)
{
    QWidget form;
    const TFormMagnet& magnet = *new TFormMagnet(&form);
    EXPECT_TRUE(magnet.Active());
    EXPECT_FALSE(magnet.Glue());
    EXPECT_FALSE(magnet.FormDragable);
    EXPECT_EQ(magnet.MagnetType, mkOnMoving);
    const TScreenMagnet& edges = magnet.ScreenMagnet;
    EXPECT_EQ(edges.Area, saWorkArea);
    EXPECT_TRUE(edges.Top && edges.Bottom && edges.Left && edges.Right);

    // What the defaults snap: a bottom edge one pixel within the power above the other form's top, a top
    // edge one pixel within the screen's power below its top; one pixel further, nothing.
    const auto snapped = [&](const QRect& r) {
        return magnet::Snap(r, {other}, magnet.Power, screen, edges, false).Bounds.topLeft();
    };
    EXPECT_EQ(magnet.Power, 20);
    EXPECT_EQ(snapped(QRect(200, other.y() - 100 - (magnet.Power - 1), 100, 100)), QPoint(200, 100));
    EXPECT_EQ(snapped(QRect(200, other.y() - 100 - magnet.Power, 100, 100)), QPoint(200, 80));
    EXPECT_EQ(edges.DesktopPower, 15);
    EXPECT_EQ(snapped(QRect(500, edges.DesktopPower - 1, 100, 100)), QPoint(500, 0));
    EXPECT_EQ(snapped(QRect(500, edges.DesktopPower, 100, 100)), QPoint(500, 15));
}

TEST(FormMagnet, StaysPassiveWhereTheProgramCannotPlaceItsWindows)
{
    QWidget form;
    auto* magnet = new TFormMagnet(&form);
    form.setGeometry(5, 5, 200, 100);
    form.show();
    const QPoint shown = form.pos();
    magnet->SnapInPlace();
    EXPECT_FALSE(TFormMagnet::PlacementSupported());
    EXPECT_EQ(form.pos(), shown);
}

TEST(FormMagnet, SnapsOnlyOnceTheButtonIsUpAndAsksNothingAtRest)
{
    QWidget form;
    auto owned = std::make_unique<ScriptedPointer>();
    ScriptedPointer& pointer = *owned;
    int steps = 0;
    (new TFormMagnet(&form, std::move(owned)))->OnDragMove = [&](TFormMagnet*) { ++steps; };
    form.resize(200, 100);
    form.show();
    QWindow& window = *form.windowHandle();
    // The window manager's moves right after one of the program's own are taken for its answer to it, so
    // the user drags the form to and fro until the magnet follows a step onto the place.
    const auto dragTo = [&](const QPoint& frame) {
        bool toFrame = false;
        int stepsBefore = -1; // before the last step, when it was onto the place
        return Reaches(
            [&] {
                if (stepsBefore >= 0 && steps > stepsBefore)
                    return true;
                stepsBefore = toFrame ? steps : -1;
                window.setFramePosition(toFrame ? frame : frame + QPoint(1, 0));
                toFrame = !toFrame;
                return false;
            },
            "a drag that the magnet follows");
    };
    const auto askedAtRest = [&] {
        const int before = pointer.Asked;
        int ticks = 0;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
        tick.start(50);
        EXPECT_TRUE(Reaches([&] { return ticks >= 10; }, "ten ticks at rest"));
        return pointer.Asked - before;
    };

    pointer.Held = true;
    ASSERT_TRUE(dragTo({100, 9}));
    // Held still with the button down: the move goes on however long the pause, and nothing snaps.
    ASSERT_TRUE(Reaches([&] { return pointer.Asked >= 3 || window.framePosition() != QPoint(100, 9); },
                        "three questions while the button is down"));
    EXPECT_EQ(window.framePosition(), QPoint(100, 9));
    pointer.Held = false;
    EXPECT_TRUE(Reaches([&] { return window.framePosition() == QPoint(100, 0); }, "the snap on release"));
    EXPECT_EQ(askedAtRest(), 0);

    ASSERT_TRUE(dragTo({300, 12}));
    EXPECT_TRUE(Reaches([&] { return window.framePosition() == QPoint(300, 0); }, "the snap after a pause"));
    EXPECT_EQ(askedAtRest(), 0);
}
