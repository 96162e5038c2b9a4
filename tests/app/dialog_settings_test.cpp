#include "app/brindlow_form_tabbed.h"
#include "app/dialog_settings.h"
#include "components/embedded_form_control.h"
#include "tests/support/qt_printers.h"
#include "tests/support/temp_world.h"

#include <QLabel>
#include <QTreeWidget>

namespace {

// A settings page that writes its showing and hiding into a log shared with the other pages.
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

} // namespace
