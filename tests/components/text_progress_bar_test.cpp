#include "components/text_progress_bar.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

const QColor kBackground(0, 0, 255);

// Pixels across the middle of the bar, inside the border, that are not background.
int FilledPixels(TTextProgressBar& bar)
{
    const QImage picture = bar.grab().toImage();
    const bool horizontal = bar.Direction() == pdLeftToRight || bar.Direction() == pdRightToLeft;
    const int border = bar.ShowBorder() ? 1 : 0;
    const int length = horizontal ? picture.width() : picture.height();
    int filled = 0;
    for (int p = border; p < length - border; ++p) {
        const QRgb pixel =
            horizontal ? picture.pixel(p, picture.height() / 2) : picture.pixel(picture.width() / 2, p);
        filled += pixel != kBackground.rgb() ? 1 : 0;
    }
    return filled;
}

void Prepare(TTextProgressBar& bar, int width, int height)
{
    bar.resize(width, height);
    bar.SetBackgroundColor(kBackground);
    bar.SetShowPosText(false);
}

} // namespace

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
        Prepare(bar, c.width, c.height);
        bar.SetDirection(c.direction);
        bar.SetShowBorder(c.border);
        bar.SetPosition(c.position);
        bar.SetMax(c.maxAfter);
        EXPECT_EQ(bar.GetFilledLength(), c.filled) << c.direction << " " << c.width << " " << c.maxAfter;
        EXPECT_EQ(FilledPixels(bar), c.filled) << c.direction << " " << c.width << " " << c.maxAfter;
    }
}

TEST(TextProgressBar, TheFirstColourLiesWhereTheBarStarts)
{
    struct Case {
        TProgressDirection direction;
        TBarColorStyle style;
        QColor start, middle, end;
    };
    const QColor green(0, 128, 0), yellow(255, 255, 0), red(255, 0, 0), between(128, 192, 0);
    const Case cases[] = {
        {pdLeftToRight, cs3Colors, green, yellow, red},     {pdRightToLeft, cs3Colors, red, yellow, green},
        {pdTopToBottom, cs3Colors, green, yellow, red},     {pdBottomToTop, cs3Colors, red, yellow, green},
        {pdLeftToRight, cs2Colors, green, between, yellow}, {pdLeftToRight, cs1Color, green, green, green},
    };
    for (const Case& c : cases) {
        TTextProgressBar bar;
        Prepare(bar, 101, 101);
        bar.SetShowBorder(false);
        bar.SetDirection(c.direction);
        bar.SetBarColorStyle(c.style);
        bar.SetPosition(100);
        const QImage picture = bar.grab().toImage();
        const bool horizontal = c.direction == pdLeftToRight || c.direction == pdRightToLeft;
        const auto at = [&](int p) {
            return QColor(horizontal ? picture.pixel(p, 50) : picture.pixel(50, p));
        };
        EXPECT_EQ(at(0), c.start) << c.direction << c.style;
        EXPECT_EQ(at(100), c.end) << c.direction << c.style;
        EXPECT_EQ(at(50), c.middle) << c.direction << c.style;
    }
    EXPECT_EQ(GetGradientColor(green, red, 1, 1), green) << "a run of one step";
    EXPECT_EQ(GetGradientColor(green, red, 3, 3), red);
}
