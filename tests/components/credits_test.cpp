#include "components/credits.h"

#include <QFontMetrics>
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QImage Render(QWidget& widget)
{
    QImage image(widget.size(), QImage::Format_RGB32);
    widget.render(&image);
    return image;
}

class CreditsTest : public ::testing::Test {
protected:
    CreditsTest()
    {
        credits_.SetCredits({"Korvane", "_Thanks"});
        credits_.resize(120, 40);
        Render(credits_);
    }
    int LineHeight() const { return QFontMetrics(credits_.CreditsFont()).height(); }

    TScrollingCredits credits_;
};

TEST_F(CreditsTest, ScrollsOnlyWhileAnimatedAndComesBackFromBelow)
{
    EXPECT_EQ(credits_.ScrollPosition(), 40);
    credits_.ScrollTick();
    EXPECT_EQ(credits_.ScrollPosition(), 40);

    credits_.SetAnimate(true);
    EXPECT_TRUE(credits_.Animate());
    credits_.ScrollTick();
    EXPECT_EQ(credits_.ScrollPosition(), 39);
    const int gone = -2 * LineHeight() - 1;
    while (credits_.ScrollPosition() > gone)
        credits_.ScrollTick();
    EXPECT_EQ(credits_.ScrollPosition(), gone);
    credits_.ScrollTick();
    EXPECT_EQ(credits_.ScrollPosition(), 40 + LineHeight());

    credits_.Restart();
    EXPECT_EQ(credits_.ScrollPosition(), 40 - LineHeight());
}

TEST_F(CreditsTest, DrawsAMarkedLineInTheBoldFontWithoutItsMark)
{
    credits_.setPalette(QPalette(Qt::white, Qt::black));
    credits_.SetCredits({"_Thanks"});
    credits_.Restart();
    const QImage marked = Render(credits_);
    credits_.SetCredits({"Thanks"});
    EXPECT_NE(Render(credits_), marked);
    credits_.SetCreditsFont(credits_.CreditsFontBold());
    EXPECT_EQ(Render(credits_), marked);
}

TEST_F(CreditsTest, AClickPausesAndResumes)
{
    credits_.OnClick = [](TScrollingCredits* sender) { sender->SetAnimate(!sender->Animate()); };
    credits_.SetAnimate(true);
    QTest::mouseClick(&credits_, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_FALSE(credits_.Animate());
    QTest::mouseClick(&credits_, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(credits_.Animate());
    credits_.SetInterval(0);
    EXPECT_EQ(credits_.Interval(), 1);
}

} // namespace
