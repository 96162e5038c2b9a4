#include "app/brindlow_form_tabbed.h"
#include "app/dialog_settings.h"
#include "components/embedded_form_control.h"
#include "tests/support/qt_printers.h"
#include "tests/support/temp_world.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <memory>
#include <vector>

namespace {

// A settings page that writes its showing and hiding into a log shared with the other pages.
class LoggingPage : public TBrindlowTabbedForm {
public:
    LoggingPage(const QString& name, QStringList& log) : log_(log)
    {
        setObjectName(QStringLiteral("PageSettings") + name);
        setWindowTitle(u' ' + name);
        FormCreate();
    }
    void PageShow() override { log_.append(QStringLiteral("show ") + windowTitle().trimmed()); }
    void PageHide() override { log_.append(QStringLiteral("hide ") + windowTitle().trimmed()); }

private:
    QStringList& log_;
};

class SettingsDialog : public TempWorld {
protected:
    void AddPages(const QStringList& names)
    {
        for (const QString& name : names)
            Pages.push_back(std::make_unique<LoggingPage>(name, Log));
    }
    void AddAllPages() { AddPages({"General", "Expert", "Sounds", "Themes", "Internet", "Batch", "Log"}); }
    QStringList Nodes() const
    {
        QStringList nodes;
        for (int i = 0; i < Dialog->TreeViewSettings->topLevelItemCount(); ++i)
            nodes.append(Dialog->TreeViewSettings->topLevelItem(i)->text(0));
        return nodes;
    }
    void Choose(const QString& node) const
    {
        const auto found = Dialog->TreeViewSettings->findItems(node, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << node.toStdString();
        Dialog->TreeViewSettings->setCurrentItem(found.first());
    }
    QString Shown() const
    {
        const QWidget* page = Dialog->EmbeddedFormControlSettings->EmbeddedForm();
        return page ? page->windowTitle().trimmed() : QString();
    }

    QStringList Log;
    std::vector<std::unique_ptr<LoggingPage>> Pages;
    // Made after the pages, so it goes first and hands the page it holds back.
    std::unique_ptr<TDlgSettings> Dialog = std::make_unique<TDlgSettings>();
};

TEST_F(SettingsDialog, TheTreeOffersThePagesThatExistAndTheExpertPageOnlyInExpertMode)
{
    const QStringList all = {"General", "Expert", "Sounds", "Themes", "Internet", "Batch Queue", "Log"};
    struct Case {
        bool expert;
        bool internetPage;
        QStringList nodes;
    };
    const Case cases[] = {
        {true, true, all},
        {false, true, {"General", "Sounds", "Themes", "Internet", "Batch Queue", "Log"}},
        {false, false, {"General", "Sounds", "Themes", "Batch Queue", "Log"}},
    };
    for (const Case& c : cases) {
        Dialog.reset();
        Pages.clear();
        AddPages({"General", "Expert", "Sounds", "Themes", "Batch", "Log"});
        if (c.internetPage)
            AddPages({"Internet"});
        Dialog = std::make_unique<TDlgSettings>();
        Dialog->ShowExpertPage = c.expert;
        Dialog->PrepareToShow();
        EXPECT_EQ(Nodes(), c.nodes);
        EXPECT_EQ(Shown(), "General");
    }
    EXPECT_EQ(Dialog->size(), QSize(650, 360));
    EXPECT_EQ(Dialog->minimumSize(), QSize(650, 360));
    EXPECT_EQ(Dialog->windowTitle(), "Settings");
}

TEST_F(SettingsDialog, OneSwitchShowsAndHidesInTheOrderOfThePageListAndEachOpeningStartsOnGeneral)
{
    AddAllPages();
    Dialog->PrepareToShow();
    Choose("Sounds");
    Choose("Log");
    EXPECT_EQ(Shown(), "Log");
    Dialog->PrepareToShow();
    EXPECT_EQ(Shown(), "General");
    EXPECT_EQ(Log, QStringList({"show General", "show Sounds", "hide General", "hide Sounds", "show Log",
                                "hide Log", "show General"}));
    int active = 0;
    for (const auto& page : Pages)
        active += page->IsInactive() ? 0 : 1;
    EXPECT_EQ(active, 1);
}

TEST_F(SettingsDialog, TheTitleStripShowsTheCaptionAsItIsAndHidesForABlankOne)
{
    AddPages({"General", "Sounds"});
    Pages.back()->setWindowTitle(QStringLiteral(" \t"));
    Dialog->PrepareToShow();
    EXPECT_FALSE(Dialog->PanelSettingsTop->isHidden());
    EXPECT_EQ(Dialog->SettingsPageLabel->text(), " General");
    EXPECT_EQ(Dialog->SettingsButtonOk->text(), "&Ok");
    Dialog->TreeViewSettings->setCurrentItem(Dialog->TreeViewSettings->topLevelItem(1));
    EXPECT_TRUE(Dialog->PanelSettingsTop->isHidden());
}

TEST_F(SettingsDialog, OpensModallyFromTheProgramAndClosesWithOk)
{
    AddAllPages();
    bool seen = false;
    QTimer::singleShot(0, [&] {
        seen = QApplication::activeModalWidget() == Dialog.get();
        EXPECT_EQ(Shown(), "General");
        Dialog->SettingsButtonOk->click();
    });
    ShowSettingsDialog();
    EXPECT_TRUE(seen);
    EXPECT_EQ(Dialog->result(), QDialog::Accepted);
}

} // namespace
