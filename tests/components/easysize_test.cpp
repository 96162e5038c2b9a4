#include "components/easysize.h"
#include "components/form_registry.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// A screen of the given density, whatever the test machine has.
class ResizerAt : public TFormResizer {
public:
    ResizerAt(QObject* owner, int pixelsPerInch) : TFormResizer(owner), pixelsPerInch_(pixelsPerInch) {}

protected:
    int ScreenPixelsPerInch() const override { return pixelsPerInch_; }

private:
    int pixelsPerInch_;
};

template <typename Control> Control* place(QWidget* parent, const char* name, QRect bounds, int points = 8)
{
    auto* control = new Control(parent);
    control->setObjectName(QString::fromLatin1(name));
    control->setGeometry(bounds);
    QFont font = control->font();
    font.setPointSize(points);
    control->setFont(font);
    return control;
}

// A form laid out at 96 pixels per inch, as the program's forms are.
struct Form {
    std::unique_ptr<QWidget> Window = std::make_unique<QWidget>();
    QPushButton* Button;
    QLabel* Label;

    Form()
    {
        Window->setObjectName("FormTest");
        Window->resize(400, 300);
        Button = place<QPushButton>(Window.get(), "ButtonOk", {10, 21, 75, 25});
        Label = place<QLabel>(Window.get(), "LabelNine", {100, 40, 60, 14}, 9);
    }
};

struct AutoScaling {
    AutoScaling() { SetAutomaticScaling(true); }
    ~AutoScaling() { SetAutomaticScaling(true); }
};

} // namespace

TEST(FormResizer, ScalesTheFormAndItsControlsOnceToTheScreen)
{
    AutoScaling scaling;
    Form form;
    auto* inner = place<QFrame>(form.Window.get(), "PanelInner", {0, 100, 200, 100});
    auto* nested = place<QPushButton>(inner, "ButtonNested", {4, 4, 40, 20}, 5);
    ResizerAt resizer(form.Window.get(), 120);
    std::vector<QWidget*> told;
    resizer.OnPostResize = [&](QObject* sender, QWidget* comp, double heightRatio, double widthRatio) {
        EXPECT_EQ(sender, &resizer);
        EXPECT_EQ(heightRatio, 1.25);
        EXPECT_EQ(widthRatio, 1.25);
        told.push_back(comp);
    };

    resizer.AdaptToScreen(true);
    EXPECT_EQ(form.Window->size(), QSize(500, 375));
    // 12.5 rounds to the even 12.
    EXPECT_EQ(form.Button->geometry(), QRect(12, 26, 94, 31));
    EXPECT_EQ(nested->geometry(), QRect(5, 5, 50, 25));
    // Fonts are scaled down to whole points: 8 gives 10, 9 gives 11, and 5 is raised to 7.
    EXPECT_EQ(form.Button->font().pointSize(), 10);
    EXPECT_EQ(form.Label->font().pointSize(), 11);
    EXPECT_EQ(nested->font().pointSize(), 7);
    EXPECT_EQ(told, (std::vector<QWidget*>{form.Button, form.Label, inner, nested}));

    // Once adapted, nothing moves again.
    resizer.AdaptToScreen(true);
    resizer.ResizeAll(2.0);
    EXPECT_EQ(form.Window->size(), QSize(500, 375));
    EXPECT_EQ(form.Button->geometry(), QRect(12, 26, 94, 31));
    EXPECT_EQ(told.size(), 4u);
}

TEST(FormResizer, TheWindowsBoundsFollowTheDensityUnlessScalingIsOff)
{
    const QSize none(0, 0), unbounded(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    struct Case {
        int pixelsPerInch;
        bool automatic, keepMinimum;
        QSize minimum, maximum, size, minimumAfter, maximumAfter;
    };
    const Case cases[] = {
        {96, true, true, {300, 200}, unbounded, {400, 300}, {300, 200}, unbounded},
        {120, false, true, {300, 200}, unbounded, {400, 300}, {300, 200}, unbounded},
        {120, true, false, {200, 100}, {800, 600}, {500, 375}, none, {1000, 750}}, // a page
        {144, true, true, none, unbounded, {600, 450}, none, unbounded},
    };
    for (const Case& c : cases) {
        AutoScaling scaling;
        SetAutomaticScaling(c.automatic);
        Form form;
        form.Window->setMinimumSize(c.minimum);
        form.Window->setMaximumSize(c.maximum);
        ResizerAt resizer(form.Window.get(), c.pixelsPerInch);
        resizer.AdaptToScreen(c.keepMinimum);
        EXPECT_EQ(resizer.Adapted(), c.automatic) << c.pixelsPerInch;
        EXPECT_EQ(form.Window->size(), c.size) << c.pixelsPerInch;
        EXPECT_EQ(form.Window->minimumSize(), c.minimumAfter) << c.pixelsPerInch;
        EXPECT_EQ(form.Window->maximumSize(), c.maximumAfter) << c.pixelsPerInch;
        EXPECT_EQ(form.Label->font().pointSize(), c.size.width() * 9 / 400) << c.pixelsPerInch;
    }
}

TEST(FormResizer, ScaledFontsStayWithinTheBoundsAndARatioOfOneRestoresTheLayout)
{
    Form form;
    auto* big = place<QLabel>(form.Window.get(), "LabelBig", {0, 0, 10, 10}, 40);
    TFormResizer resizer(form.Window.get());
    resizer.ResizeFonts = true;
    resizer.MinFontSize = 60;
    resizer.InitializeResizer();
    resizer.ResizeAll(1.25);
    // A minimum above the maximum is lowered to the maximum.
    EXPECT_EQ(big->font().pointSize(), 48);
    EXPECT_EQ(form.Button->font().pointSize(), 48);
    resizer.MinFontSize = 6;
    form.Button->setGeometry(1, 2, 3, 4);
    resizer.ResizeAll(1.0);
    EXPECT_EQ(form.Button->geometry(), QRect(10, 21, 75, 25));
    EXPECT_EQ(form.Button->font().pointSize(), 8);
    EXPECT_EQ(form.Window->size(), QSize(400, 300));
}

TEST(FormResizer, ControlsWithRulesOfTheirOwn)
{
    AutoScaling scaling;
    Form form;
    auto* line = place<QFrame>(form.Window.get(), "BevelLine", {8, 80, 200, 2});
    line->setFrameShape(QFrame::HLine);
    auto* box = place<QFrame>(form.Window.get(), "BevelBox", {8, 90, 200, 40});
    auto* fixed = place<QPushButton>(form.Window.get(), "ButtonFixed", {8, 170, 10, 10});
    fixed->setFixedSize(40, 20);
    auto* bar = place<QStatusBar>(form.Window.get(), "StatusBar", {0, 280, 400, 20});
    auto* panel = new QWidget;
    panel->setFixedWidth(80);
    bar->addWidget(panel);
    auto* hosted = place<QLabel>(bar, "WaitingInBar", {0, 0, 60, 16});
    hosted->setMinimumWidth(60);
    bar->addWidget(hosted);

    ResizerAt resizer(form.Window.get(), 120);
    resizer.AdaptToScreen(true);
    EXPECT_EQ(line->geometry(), QRect(10, 100, 250, 2));
    EXPECT_EQ(box->geometry(), QRect(10, 112, 250, 50));
    EXPECT_EQ(fixed->size(), QSize(50, 25));
    EXPECT_EQ(panel->minimumWidth(), 100);
    EXPECT_EQ(panel->maximumWidth(), 100);
    // A named control in the bar is scaled once, by its own record.
    EXPECT_EQ(hosted->minimumWidth(), 75);
}

TEST(FormResizer, LeavesOtherFormsAndGoneControlsAlone)
{
    AutoScaling scaling;
    Form form;
    auto page = std::make_unique<QWidget>();
    page->setObjectName("PageEmbedded");
    FormRegistry::Instance().Register(page.get());
    auto* pageButton = place<QPushButton>(page.get(), "ButtonPage", {10, 10, 40, 20});
    page->setParent(form.Window.get(), Qt::Widget);
    page->setGeometry(0, 0, 100, 100);
    auto* gone = place<QPushButton>(form.Window.get(), "ButtonGone", {10, 10, 40, 20});

    ResizerAt resizer(form.Window.get(), 120);
    resizer.InitializeResizer();
    delete gone;
    std::vector<QWidget*> told;
    resizer.OnPostResize = [&](QObject*, QWidget* comp, double, double) { told.push_back(comp); };
    resizer.AdaptToScreen(true);
    EXPECT_EQ(pageButton->geometry(), QRect(10, 10, 40, 20));
    EXPECT_EQ(told, (std::vector<QWidget*>{form.Button, form.Label}));
    page->setParent(nullptr);
}
