#include "app/brindlow_form_tabbed.h"
#include "components/easysize.h"
#include "components/embedded_form_control.h"
#include "components/enh_cbox.h"
#include "tests/support/temp_world.h"

#include <QVBoxLayout>

namespace {

class CountingPage : public TBrindlowTabbedForm {
public:
    CountingPage()
    {
        setObjectName(QStringLiteral("CountingPage"));
        FormCreate();
    }
    void PageShow() override { ++Shows; }
    void PageHide() override { ++Hides; }
    int Shows = 0, Hides = 0;
};

using PageFramework = TempWorld;

TEST_F(PageFramework, CallsPageShowAndHideOncePerChangeOfState)
{
    struct Case {
        std::vector<bool> calls;
        int shows, hides;
    };
    const Case cases[] = {
        {{false}, 0, 0},
        {{true, true}, 1, 0},
        {{true, false, false}, 1, 1},
        {{true, false, true}, 2, 1},
    };
    for (const Case& c : cases) {
        CountingPage page;
        for (bool value : c.calls)
            page.SetActive(value);
        EXPECT_EQ(page.Shows, c.shows);
        EXPECT_EQ(page.Hides, c.hides);
        EXPECT_EQ(page.IsInactive(), !c.calls.back());
    }
}

TEST_F(PageFramework, FloatsOutOfItsHostAndEmbedsBackIntoTheSameOne)
{
    QWidget window;
    window.setObjectName(QStringLiteral("Window"));
    auto* host = new TEmbeddedFormControl(&window);
    (new QVBoxLayout(&window))->addWidget(host);
    CountingPage page;

    page.Embed();
    page.Float();
    EXPECT_TRUE(page.isWindow()) << "a form outside any host is left as it is";

    host->SetEmbeddedFormName(page.objectName());
    ASSERT_EQ(page.parentWidget(), host);
    EXPECT_TRUE(page.IsInactiveEmbedded());

    page.Float();
    EXPECT_TRUE(page.isWindow());
    EXPECT_TRUE(page.isVisible());
    EXPECT_TRUE(host->EmbeddedFormName().isEmpty());

    page.Embed();
    EXPECT_EQ(page.parentWidget(), host);
    EXPECT_EQ(host->EmbeddedFormName(), page.objectName());
}

TEST_F(PageFramework, ScalesTheItemHeightOfEnhancedComboBoxesOnce)
{
    TBrindlowTabbedForm page;
    page.resize(200, 100);
    auto* images = new TImgComboBox(&page);
    images->setObjectName("ImgCombo");
    auto* plain = new TEnhComboBox(&page);
    plain->setObjectName("EnhCombo");
    plain->SetItemHeight(16);
    page.FormResizer1->InitializeResizer();
    page.FormResizer1->ResizeAll(1.25);
    EXPECT_EQ(images->ItemHeight(), 20);
    EXPECT_EQ(plain->ItemHeight(), 20);
}

} // namespace
