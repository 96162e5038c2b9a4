#include "components/waiting_bar.h"

#include <QImage>

#include <gtest/gtest.h>

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

// Zero ratios, delays and ranges would divide by zero or spin the timer.
TEST(WaitingBar, SettingsThatWouldStallTheBarAreRaised)
{
    TWaitingBar bar; // 200 pixels wide
    bar.SetWaitingLengthRatio(0);
    bar.SetStepDelay(0);
    EXPECT_EQ(bar.WaitingLengthRatio(), 1);
    EXPECT_EQ(bar.StepDelay(), 1);
    bar.SetMax(-10);
    EXPECT_EQ(bar.Max(), 0);
    EXPECT_EQ(bar.GetPercent(), 0);
    bar.resize(5, 20);
    bar.SetWaitingStep(3);
    EXPECT_EQ(bar.WaitingStep(), 1) << "a narrow bar still moves";
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
