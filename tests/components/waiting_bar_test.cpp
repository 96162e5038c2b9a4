#include "components/waiting_bar.h"

#include <gtest/gtest.h>

// Zero ratios, delays and ranges would divide by zero or spin the timer.
TEST(WaitingBar, SettingsThatWouldStallTheBarAreRaisedAndTinyBarsStillWait)
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

    bar.SetMax(2000000000);
    bar.SetPosition(1000000000);
    EXPECT_EQ(bar.GetPercent(), 50) << "no overflow on a large range";
    for (int width : {0, 1, 2}) {
        bar.resize(width, 20);
        bar.SetWaiting(true);
        bar.TimerTick();
        bar.grab();
    }
}

// The main window's bar: a block of 40 pixels of which 10 stay visible at either end before it turns.
TEST(WaitingBar, TheBlockTurnsWhenOnlyTheRemainingWidthIsLeftInView)
{
    TWaitingBar bar;
    bar.resize(80, 20);
    bar.SetWaitingLengthRatio(2);
    bar.SetWaitingRemainingWidth(10);
    bar.SetWaiting(true);
    EXPECT_EQ(bar.BlockOffset(), -40);
    // Bounded, so that a block that never turns fails instead of hanging.
    for (int tick = 0; tick < 1000 && bar.MovingForward(); ++tick)
        bar.TimerTick();
    EXPECT_EQ(bar.BlockOffset(), 70);
    for (int tick = 0; tick < 1000 && !bar.MovingForward(); ++tick)
        bar.TimerTick();
    EXPECT_EQ(bar.BlockOffset(), -31);
}
