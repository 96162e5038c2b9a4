#include "components/box_list.h"

#include <QFontMetrics>
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QColor boxColor = Qt::red;

QImage Render(QWidget& widget)
{
    QImage image(widget.size(), QImage::Format_RGB32);
    widget.render(&image);
    return image;
}

bool BoxAt(QWidget& list, int y)
{
    return Render(list).pixelColor(list.width() - 1, y) == boxColor;
}

class BoxListTest : public ::testing::Test {
protected:
    BoxListTest()
    {
        list_.SetBackground(boxColor);
        list_.SetItems({"a", "b", "c"});
        Render(list_);
    }
    void ClickAt(int y) { QTest::mouseClick(&list_, Qt::LeftButton, {}, QPoint(5, y)); }

    TBoxList list_;
    const int line = QFontMetrics(list_.font()).height();
};

TEST_F(BoxListTest, AClickMakesTheItemCurrentInItsBoxUnlessDisabled)
{
    ClickAt(line + line / 2);
    EXPECT_EQ(list_.CurentItem(), 2);
    EXPECT_TRUE(BoxAt(list_, line + 1));
    EXPECT_FALSE(BoxAt(list_, line - 1));
    list_.setEnabled(false);
    EXPECT_FALSE(BoxAt(list_, line + 1));
}

TEST_F(BoxListTest, ScrollsAClickedItemUpToTheBottomEdge)
{
    list_.SetSpacing(-5);
    EXPECT_EQ(list_.Spacing(), 0);
    list_.resize(140, 2 * line + line / 2);
    Render(list_);
    ClickAt(2 * line + 1);
    EXPECT_EQ(list_.CurentItem(), 3);
    EXPECT_TRUE(BoxAt(list_, list_.height() - 1));
    EXPECT_FALSE(BoxAt(list_, list_.height() - line - 1));
}

TEST_F(BoxListTest, HoldsAnyNumberOfItems)
{
    const int count = 300;
    list_.SetItems(QStringList(count, "x"));
    list_.resize(140, count * line);
    Render(list_);
    ClickAt((count - 1) * line + line / 2);
    EXPECT_EQ(list_.CurentItem(), count);
    EXPECT_TRUE(BoxAt(list_, list_.height() - 1));
}

} // namespace
