#include "components/text_progress_bar.h"

#include <QImage>

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

// The first colour lies where the bar starts, whichever side that is.
TEST(TextProgressBar, AGradientRunsFromWhereTheBarStarts)
{
    const QColor one(Qt::red), two(Qt::green), three(Qt::blue);
    struct Case {
        TProgressDirection direction;
        TBarColorStyle style;
        QColor start, end; // at the left or top, at the right or bottom
    };
    const Case cases[] = {
        {pdLeftToRight, cs2Colors, one, two},   {pdRightToLeft, cs2Colors, two, one},
        {pdTopToBottom, cs2Colors, one, two},   {pdBottomToTop, cs2Colors, two, one},
        {pdLeftToRight, cs3Colors, one, three}, {pdRightToLeft, cs3Colors, three, one},
        {pdTopToBottom, cs3Colors, one, three}, {pdBottomToTop, cs3Colors, three, one},
    };
    for (const Case& c : cases) {
        TTextProgressBar bar;
        const bool horizontal = c.direction == pdLeftToRight || c.direction == pdRightToLeft;
        bar.resize(horizontal ? 100 : 20, horizontal ? 20 : 100);
        bar.SetShowBorder(false);
        bar.SetShowPosText(false);
        bar.SetBarColor1(one);
        bar.SetBarColor2(two);
        bar.SetBarColor3(three);
        bar.SetBarColorStyle(c.style);
        bar.SetDirection(c.direction);
        bar.SetPosition(100);
        const QImage shown = bar.grab().toImage();
        const QPoint last = horizontal ? QPoint(99, 10) : QPoint(10, 99);
        EXPECT_EQ(std::pair(shown.pixelColor(0, 0), shown.pixelColor(last)), std::pair(c.start, c.end))
            << c.direction << " " << c.style;
    }
}
