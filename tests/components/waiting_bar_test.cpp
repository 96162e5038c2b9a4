#include "components/waiting_bar.h"

#include <QImage>

#include <gtest/gtest.h>

#include <functional>

namespace {

const QColor kFore(200, 0, 0), kBack(0, 0, 200);

void Prepare(TWaitingBar& bar, int width)
{
    bar.resize(width, 20);
    bar.SetBevelInner(bvNone);
    bar.SetForeColor(kFore);
    bar.SetBackColor(kBack);
}

int PixelsNotBack(TWaitingBar& bar, int row)
{
    const QImage picture = bar.grab().toImage();
    int count = 0;
    for (int x = 0; x < picture.width(); ++x)
        count += picture.pixel(x, row) != kBack.rgb() ? 1 : 0;
    return count;
}

} // namespace

TEST(WaitingBar, TheBlockTurnsWhereOnlyTheRemainingWidthStillShows)
{
    TWaitingBar bar;
    Prepare(bar, 80);
    bar.SetWaitingLengthRatio(2);
    bar.SetWaitingRemainingWidth(10);
    bar.SetWaiting(true);
    EXPECT_EQ(bar.BlockOffset(), -40);
    while (bar.MovingForward())
        bar.TimerTick();
    EXPECT_EQ(bar.BlockOffset(), 70);
    while (!bar.MovingForward())
        bar.TimerTick();
    EXPECT_EQ(bar.BlockOffset(), -31);
    bar.TimerTick();
    bar.SetWaiting(true);
    EXPECT_EQ(bar.BlockOffset(), -40) << "waiting again starts from the left";
    EXPECT_TRUE(bar.MovingForward());
}

TEST(WaitingBar, SettingsAreKeptWithinTheirBounds)
{
    struct Case {
        const char* what;
        std::function<void(TWaitingBar&)> set;
        std::function<int(const TWaitingBar&)> get;
        int expected;
    };
    const Case cases[] = {
        {"step 50", [](TWaitingBar& b) { b.SetWaitingStep(50); }, &TWaitingBar::WaitingStep, 20},
        {"step 0", [](TWaitingBar& b) { b.SetWaitingStep(0); }, &TWaitingBar::WaitingStep, 1},
        {"narrow step",
         [](TWaitingBar& b) {
             b.resize(5, 20);
             b.SetWaitingStep(3);
         },
         &TWaitingBar::WaitingStep, 1},
        {"ratio 0", [](TWaitingBar& b) { b.SetWaitingLengthRatio(0); }, &TWaitingBar::WaitingLengthRatio, 1},
        {"ratio 500", [](TWaitingBar& b) { b.SetWaitingLengthRatio(500); }, &TWaitingBar::WaitingLengthRatio,
         100},
        {"delay 0", [](TWaitingBar& b) { b.SetStepDelay(0); }, &TWaitingBar::StepDelay, 1},
        {"remaining", [](TWaitingBar& b) { b.SetWaitingRemainingWidth(1000); },
         &TWaitingBar::WaitingRemainingWidth, 50},
        {"ratio trims remaining",
         [](TWaitingBar& b) {
             b.SetWaitingRemainingWidth(40);
             b.SetWaitingLengthRatio(9);
         },
         &TWaitingBar::WaitingRemainingWidth, 20},
        {"remaining -5", [](TWaitingBar& b) { b.SetWaitingRemainingWidth(-5); },
         &TWaitingBar::WaitingRemainingWidth, 0},
        {"position", [](TWaitingBar& b) { b.SetPosition(150); }, &TWaitingBar::Position, 100},
        {"max below min",
         [](TWaitingBar& b) {
             b.SetPosition(30);
             b.SetMax(-10);
         },
         &TWaitingBar::Max, 0},
        {"max lowers position",
         [](TWaitingBar& b) {
             b.SetPosition(30);
             b.SetMax(20);
         },
         &TWaitingBar::Position, 20},
        {"min raises position", [](TWaitingBar& b) { b.SetMin(40); }, &TWaitingBar::Position, 40},
        {"empty range", [](TWaitingBar& b) { b.SetMax(0); }, &TWaitingBar::GetPercent, 0},
    };
    for (const Case& c : cases) {
        TWaitingBar bar;
        c.set(bar);
        EXPECT_EQ(c.get(bar), c.expected) << c.what;
    }
}

TEST(WaitingBar, ThePercentageFillsItsShareAndTheTextGoesWhileWaiting)
{
    struct Case {
        int width, max, position, filledInside;
    };
    // The filled rectangle keeps a one-pixel outline in the background colour.
    const Case cases[] = {
        {200, 100, 42, 82}, {200, 0, 0, 0}, {200, 3, 2, 130}, {1, 100, 100, 0}, {3, 100, 100, 1}};
    for (const Case& c : cases) {
        TWaitingBar bar;
        Prepare(bar, c.width);
        bar.SetShowPosText(false);
        bar.SetMax(c.max);
        bar.SetPosition(c.position);
        EXPECT_EQ(PixelsNotBack(bar, 10), c.filledInside) << c.width << " " << c.max << " " << c.position;
    }

    TWaitingBar bar;
    Prepare(bar, 200);
    bar.SetText("Scanning");
    bar.SetShowText(true);
    EXPECT_GT(PixelsNotBack(bar, 10), 0);
    bar.SetWaiting(true);
    EXPECT_EQ(PixelsNotBack(bar, 10), 1) << "only the block's leading line shows, and no text";
    bar.TimerTick();
    EXPECT_EQ(PixelsNotBack(bar, 10), 2);
    bar.SetWaiting(false);
    EXPECT_GT(PixelsNotBack(bar, 10), 0);
    for (int width : {0, 1, 2}) {
        bar.resize(width, 20);
        bar.SetWaiting(true);
        bar.TimerTick();
        bar.grab();
    }
}
