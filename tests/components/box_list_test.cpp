#include "components/box_list.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
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

int LineHeight(const QWidget& widget)
{
    return QFontMetrics(widget.font()).height();
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
};

TEST_F(BoxListTest, NumbersItemsAsTheyWouldBeWritten)
{
    TBoxList written;
    written.SetNumbers(false);
    written.SetItems({"1. a", "2. b", "3. c"});
    EXPECT_EQ(Render(list_), Render(written));
    written.SetItems({"a", "b", "c"});
    EXPECT_NE(Render(list_), Render(written));
}

TEST_F(BoxListTest, AClickMakesTheItemCurrentInItsBoxUnlessDisabled)
{
    const int line = LineHeight(list_);
    ClickAt(line + line / 2);
    EXPECT_EQ(list_.CurentItem(), 2);
    EXPECT_TRUE(BoxAt(list_, line + 1));
    EXPECT_FALSE(BoxAt(list_, line - 1));
    list_.setEnabled(false);
    EXPECT_FALSE(BoxAt(list_, line + 1));
}

TEST_F(BoxListTest, ScrollsAClickedItemUpToTheBottomEdge)
{
    const int line = LineHeight(list_);
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
    const int line = LineHeight(list_);
    list_.SetItems(QStringList(count, "x"));
    list_.resize(140, count * line);
    Render(list_);
    ClickAt((count - 1) * line + line / 2);
    EXPECT_EQ(list_.CurentItem(), count);
    EXPECT_TRUE(BoxAt(list_, list_.height() - 1));
}

TEST_F(BoxListTest, PictureStandsOnTheBottomEdge)
{
    list_.SetItems({});
    list_.setPalette(QPalette(Qt::black));
    QImage picture(list_.width(), 2 * list_.height(), QImage::Format_RGB32);
    picture.fill(Qt::green);
    QPainter(&picture).fillRect(0, list_.height(), picture.width(), list_.height(), Qt::blue);
    list_.SetImage(picture);
    EXPECT_EQ(Render(list_).pixelColor(0, 0), QColor(Qt::blue));
    list_.SetImage(picture.copy(0, 0, picture.width(), 10));
    EXPECT_EQ(Render(list_).pixelColor(0, list_.height() - 1), QColor(Qt::green));
    EXPECT_EQ(Render(list_).pixelColor(0, 0), QPalette(Qt::black).color(QPalette::Window));
}

} // namespace
