#include "app/brindlow_form_tabbed.h"
#include "app/dialog_settings.h"
#include "app/form_settings_general.h"
#include "components/easysize.h"
#include "components/embedded_form_control.h"
#include "components/enh_cbox.h"
#include "tests/support/qt_printers.h"
#include "tests/support/temp_world.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// A page that writes its showing and hiding into a log shared with the other pages.
class LoggingPage : public TBrindlowTabbedForm {
public:
    LoggingPage(const QString& name, QStringList& log) : name_(name), log_(log)
    {
        setObjectName(QStringLiteral("PageSettings") + name);
        setWindowTitle(u' ' + name);
        FormCreate();
    }
    void PageShow() override { log_.append(QStringLiteral("show ") + name_); }
    void PageHide() override { log_.append(QStringLiteral("hide ") + name_); }

private:
    QString name_;
    QStringList& log_;
};

class SettingsDialog : public TempWorld {
protected:
    void AddPages(const QStringList& names)
    {
        for (const QString& name : names)
            Pages.push_back(std::make_unique<LoggingPage>(name, Log));
    }
    QStringList Nodes() const
    {
        QStringList nodes;
        for (int i = 0; i < Dialog->TreeViewSettings->topLevelItemCount(); ++i)
            nodes.append(Dialog->TreeViewSettings->topLevelItem(i)->text(0));
        return nodes;
    }
    void Choose(const QString& node) const
    {
        Dialog->TreeViewSettings->setCurrentItem(
            Dialog->TreeViewSettings->findItems(node, Qt::MatchExactly).value(0));
    }
    QString Shown() const { return Dialog->EmbeddedFormControlSettings->EmbeddedFormName(); }

    QStringList Log;
    std::vector<std::unique_ptr<LoggingPage>> Pages;
    // Made after the pages, so it goes first and hands the page it holds back.
    std::unique_ptr<TDlgSettings> Dialog;
};

TEST_F(SettingsDialog, TheTreeOffersThePagesThatExistAndTheExpertPageOnlyInExpertMode)
{
    const struct {
        bool expert, internetPage;
        QStringList nodes;
    } cases[] = {
        {true, true, {"General", "Expert", "Sounds", "Themes", "Internet", "Batch Queue", "Log"}},
        {false, true, {"General", "Sounds", "Themes", "Internet", "Batch Queue", "Log"}},
        {false, false, {"General", "Sounds", "Themes", "Batch Queue", "Log"}},
    };
    for (const auto& c : cases) {
        Dialog.reset();
        Pages.clear();
        AddPages({"General", "Expert", "Sounds", "Themes", "Batch", "Log"});
        if (c.internetPage)
            AddPages({"Internet"});
        Dialog = std::make_unique<TDlgSettings>();
        Dialog->ShowExpertPage = c.expert;
        Dialog->PrepareToShow();
        EXPECT_EQ(Nodes(), c.nodes);
        EXPECT_EQ(Shown(), "PageSettingsGeneral");
    }
}

TEST_F(SettingsDialog, OneSwitchShowsAndHidesInTheOrderOfThePageListAndEachOpeningStartsOnGeneral)
{
    AddPages({"General", "Sounds", "Log"});
    Pages.back()->setWindowTitle(QStringLiteral(" \t"));
    Dialog = std::make_unique<TDlgSettings>();
    Dialog->PrepareToShow();
    EXPECT_EQ(Dialog->SettingsPageLabel->text(), " General") << "the caption as it is";
    Choose("Sounds");
    EXPECT_FALSE(Dialog->PanelSettingsTop->isHidden());
    Choose("Log");
    EXPECT_TRUE(Dialog->PanelSettingsTop->isHidden()) << "a blank caption hides the title";
    Dialog->PrepareToShow();
    EXPECT_EQ(Log, QStringList({"show General", "show Sounds", "hide General", "hide Sounds", "show Log",
                                "hide Log", "show General"}));
    EXPECT_EQ(Shown(), "PageSettingsGeneral");
}

TEST_F(SettingsDialog, ShowsTheGeneralPageWhole)
{
    TPageSettingsGeneral general;
    Dialog = std::make_unique<TDlgSettings>();
    Dialog->PrepareToShow();
    Dialog->show();
    QCoreApplication::processEvents();
    for (QWidget* control : {static_cast<QWidget*>(general.RadioButtonOverwriteFile),
                             static_cast<QWidget*>(general.CheckBoxDeleteSourceFile)}) {
        EXPECT_GE(control->height(), control->minimumSizeHint().height())
            << control->objectName().toStdString();
        for (QWidget* holder = control->parentWidget(); holder; holder = holder->parentWidget())
            EXPECT_TRUE(holder->rect().contains(QRect(control->mapTo(holder, QPoint()), control->size())))
                << control->objectName().toStdString() << " cut by " << holder->objectName().toStdString();
    }
}

using PageFramework = SettingsDialog;

TEST_F(PageFramework, CallsPageShowAndHideOncePerChangeOfState)
{
    const std::pair<std::vector<bool>, QStringList> cases[] = {
        {{false}, {}},
        {{true, true}, {"show P"}},
        {{true, false, false}, {"show P", "hide P"}},
        {{true, false, true}, {"show P", "hide P", "show P"}},
    };
    for (const auto& [calls, shown] : cases) {
        Log.clear();
        LoggingPage page("P", Log);
        for (bool value : calls)
            page.SetActive(value);
        EXPECT_EQ(Log, shown);
        EXPECT_EQ(page.IsInactive(), !calls.back());
    }
}

TEST_F(PageFramework, FloatsOutOfItsHostAndEmbedsBackIntoTheSameOne)
{
    QWidget window;
    window.setObjectName(QStringLiteral("Window"));
    auto* host = new TEmbeddedFormControl(&window);
    (new QVBoxLayout(&window))->addWidget(host);
    LoggingPage page("P", Log);

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
