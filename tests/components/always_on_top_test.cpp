#include "components/always_on_top.h"
#include "tests/support/qt_printers.h"

#include <QWidget>

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
