#include "components/text_progress_bar.h"

#include <gtest/gtest.h>

TEST(TextProgressBar, TheFilledPartIsClampedToTheBarAndAnEmptyRangeFillsNothing)
{
    struct Case {
        TProgressDirection direction;
        int width, height;
        bool border;
        int position, maxAfter;
        int filled;
    };
    const Case cases[] = {
        {pdLeftToRight, 200, 20, true, 50, 100, 99},  {pdRightToLeft, 200, 20, false, 25, 100, 50},
        {pdBottomToTop, 20, 101, true, 100, 100, 99}, {pdTopToBottom, 20, 60, false, 0, 100, 0},
        {pdLeftToRight, 200, 20, true, 50, 20, 198},  {pdLeftToRight, 200, 20, true, 50, 0, 0},
        {pdLeftToRight, 200, 20, true, 50, -10, 0},   {pdLeftToRight, 3, 20, true, 100, 100, 1},
        {pdLeftToRight, 1, 20, true, 100, 100, 0},    {pdBottomToTop, 20, 2, false, 100, 100, 2},
    };
    for (const Case& c : cases) {
        TTextProgressBar bar;
        bar.resize(c.width, c.height);
        bar.SetDirection(c.direction);
        bar.SetShowBorder(c.border);
        bar.SetPosition(c.position);
        bar.SetMax(c.maxAfter);
        EXPECT_EQ(bar.GetFilledLength(), c.filled) << c.direction << " " << c.width << " " << c.maxAfter;
    }
}
