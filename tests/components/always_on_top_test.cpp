#include "components/always_on_top.h"
#include "tests/support/patience.h"
#include "tests/support/qt_printers.h"

#include <QTest>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

TEST(StayOnTop, KeepsItsFormAboveTheOthersWhereItStoodAndReportsEveryChange)
{
    QWidget form;
    form.setGeometry(30, 40, 200, 100);
    form.show();
    auto* onTop = new TStayOnTop(&form);
    QList<bool> reported;
    onTop->OnStayOnTop = [&](QObject*, bool value) { reported << value; };
    auto flagged = [&] { return form.windowFlags().testFlag(Qt::WindowStaysOnTopHint); };
    EXPECT_FALSE(flagged());

    onTop->SetStayOnTop(true);
    EXPECT_TRUE(flagged());
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.geometry(), QRect(30, 40, 200, 100));
    onTop->SetStayOnTopMessage("Toujours devant");
    EXPECT_TRUE(flagged()) << "a new caption keeps the state";
    onTop->SetStayOnTop(false);
    EXPECT_FALSE(flagged());
    EXPECT_EQ(reported, QList<bool>({true, true, false}));

    // Owned by a control inside a window, it has no form to move but still reports.
    auto* inner = new QWidget(&form);
    TStayOnTop innerOnTop(inner);
    innerOnTop.SetStayOnTop(true);
    EXPECT_FALSE(flagged());
    EXPECT_TRUE(innerOnTop.StayOnTop());
}

namespace {

// A window that turns staying on top on as it is first shown, as the main window does from its settings.
class OnTopWhenShown : public QWidget {
public:
    TStayOnTop* onTop = new TStayOnTop(this);
    int hidden = 0;

protected:
    void showEvent(QShowEvent*) override
    {
        if (!onTop->StayOnTop())
            onTop->SetStayOnTop(true);
    }
    void hideEvent(QHideEvent*) override { ++hidden; }
};

} // namespace

// Hiding a window to change its flag would let the window manager place it anew.
TEST(StayOnTop, NeverHidesItsFormToChangeIt)
{
    OnTopWhenShown form;
    form.setGeometry(30, 40, 200, 100);
    form.show();
    auto windowFlagged = [&] { return form.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint); };
    // Its window takes the hint once it is on the screen, not while it is being shown.
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form, PatienceLeft())) << "the form never showed";
    EXPECT_TRUE(Reaches(windowFlagged, "the hint on the window first shown"));
    form.onTop->SetStayOnTop(false);
    EXPECT_FALSE(windowFlagged());
    form.onTop->SetStayOnTop(true);
    EXPECT_TRUE(windowFlagged());
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.hidden, 0);
    EXPECT_EQ(form.geometry(), QRect(30, 40, 200, 100));
}
