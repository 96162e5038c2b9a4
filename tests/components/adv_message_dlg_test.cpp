#include "components/adv_message_dlg.h"
#include "components/url_link.h"
#include "foundation/language.h"
#include "platform/qt_dialogs.h"
#include "tests/support/qt_printers.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_world.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QTimer>

using namespace plat;

namespace {

class MessageDialogs : public TempWorld {
protected:
    void SetUp() override
    {
        TempWorld::SetUp();
        QDir().mkpath(ProgramFolder() + "Lng");
    }
    void TearDown() override
    {
        InitLanguage(false, QString(), true, QString());
        TempWorld::TearDown();
    }
    // Chosen by name, as the language menu does, so that the language code is "fr".
    void UseFrench()
    {
        QFile::copy(SourceFolder() + "resources/Lng/korvane_fr.lng", ProgramFolder() + "Lng/korvane_fr.lng");
        InitLanguage(true, QString(), true,
                     QString::fromUtf8("Fran\xc3\xa7"
                                       "ais"));
    }
};

// Clicks the button with this result in the next modal dialog, ticking its check box first.
void clickInNextDialog(TMsgDlgBtn button, bool tick)
{
    QTimer::singleShot(0, [button, tick] {
        auto* form = qobject_cast<TAdvancedMessageForm*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        if (tick && form->CheckBox())
            form->CheckBox()->setChecked(true);
        form->Button(button)->click();
    });
}

} // namespace

TEST_F(MessageDialogs, NothingIsShownWhenTheUserSaidNotToShowItAgain)
{
    bool dontShow = true;
    EXPECT_EQ(AdvancedMessageDlg("x", TMsgDlgType::mtWarning, mbYes | mbNo, 0, mrNo, dontShow, "Don't", ""),
              mrNo);
    EXPECT_TRUE(dontShow);
    EXPECT_TRUE(Dialogs().Messages().isEmpty());
}

TEST_F(MessageDialogs, TheCheckBoxIsWrittenBackOnlyWhenThereIsOne)
{
    for (const auto& [caption, expected] : {std::pair{"Don't show", true}, std::pair{"   ", false}}) {
        bool dontShow = false;
        Dialogs().QueueAnswer(mrOk, true);
        EXPECT_EQ(
            AdvancedMessageDlg("x", TMsgDlgType::mtInformation, mbOK, 0, mrNone, dontShow, caption, " "),
            mrOk);
        EXPECT_EQ(dontShow, expected) << caption;
        EXPECT_EQ(Dialogs().Messages().last().CheckCaption.isEmpty(), !expected);
        EXPECT_TRUE(Dialogs().Messages().last().HelpPage.isEmpty());
    }
}

TEST_F(MessageDialogs, TheHelpPageIsTheHtmOrHtmlPageAndTheFrenchOneInFrench)
{
    struct Case {
        QStringList files; // in Docs/
        bool french;
        QString expected; // in Docs/, empty for no link
    };
    const Case cases[] = {
        {{"a.htm", "a.html"}, false, "a.htm"},     {{"a.html"}, false, "a.html"},
        {{"a.htm", "a_fr.htm"}, true, "a_fr.htm"}, {{"a.htm", "a_fr.html"}, true, "a_fr.html"},
        {{"a.htm", "a_fr.htm"}, false, "a.htm"},   {{"b.htm"}, false, ""},
    };
    for (const Case& c : cases) {
        QDir(ProgramFolder() + "Docs").removeRecursively();
        for (const QString& file : c.files)
            WriteFile(ProgramFolder() + "Docs/" + file, "<html/>");
        if (c.french)
            UseFrench();
        else
            InitLanguage(false, QString(), true, QString());
        EXPECT_EQ(AdvancedMessageHelpPage(" a "),
                  c.expected.isEmpty() ? "" : ProgramFolder() + "Docs/" + c.expected)
            << c.files.join(",").toStdString();
    }
    EXPECT_EQ(AdvancedMessageHelpPage("  "), "");
}

TEST_F(MessageDialogs, ConfirmationsAskOkOrCancel)
{
    Dialogs().QueueAnswer(mrCancel);
    EXPECT_FALSE(ConfirmDialog());
    EXPECT_EQ(Dialogs().LastText(), "\rPlease confirm...       \r");
    EXPECT_EQ(Dialogs().Messages().last().Buttons, mbOK | mbCancel);
    EXPECT_EQ(Dialogs().Messages().last().Type, TMsgDlgType::mtConfirmation);
    UseFrench();
    Dialogs().QueueAnswer(mrOk);
    EXPECT_TRUE(ConfirmQuit());
    EXPECT_EQ(Dialogs().LastText(), "\rVeuillez confirmer que vous voulez quitter...       \r");
}

TEST_F(MessageDialogs, TheQtDialogAnswersEachButtonWithItsResult)
{
    const TMsgDlgButtons all =
        mbYes | mbNo | mbOK | mbCancel | mbAbort | mbRetry | mbIgnore | mbAll | mbNoToAll | mbYesToAll;
    const std::pair<TMsgDlgBtn, int> buttons[] = {
        {mbYes, mrYes},           {mbNo, mrNo},       {mbOK, mrOk},
        {mbCancel, mrCancel},     {mbAbort, mrAbort}, {mbRetry, mrRetry},
        {mbIgnore, mrIgnore},     {mbAll, mrAll},     {mbNoToAll, mrNoToAll},
        {mbYesToAll, mrYesToAll},
    };
    MessageRequest request;
    request.Buttons = all;
    for (const auto& [button, result] : buttons) {
        clickInNextDialog(button, false);
        EXPECT_EQ(QtDialogs().ShowMessage(request).ModalResult, result);
    }
}

TEST_F(MessageDialogs, TheQtDialogShowsTheCheckBoxAndTheHelpLinkBelowTheMessage)
{
    const QString page = WriteFile(ProgramFolder() + "Docs/tools.htm", "<html/>");
    MessageRequest request;
    request.Text = "one\r\ntwo\rthree";
    request.Type = TMsgDlgType::mtWarning;
    request.Buttons = mbOK;
    request.CheckCaption = "Don't show this message again";
    request.HelpPage = page;
    const auto form = MakeMessageBox(request, nullptr);
    EXPECT_EQ(form->Message()->text(), "one\ntwo\nthree");
    ASSERT_NE(form->findChild<QCheckBox*>("_AdvancedMessageDlg_CheckBox"), nullptr);
    const auto* link = form->findChild<TURLLink*>("_AdvancedMessageDlg_UrlLink");
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->text(), "Help");
    EXPECT_EQ(link->Link(), page);
    EXPECT_NE(form->findChild<QLabel*>("Image"), nullptr);

    clickInNextDialog(mbOK, true);
    const MessageAnswer answer = QtDialogs().ShowMessage(request);
    EXPECT_EQ(answer.ModalResult, mrOk);
    EXPECT_TRUE(answer.Checked);

    request.CheckCaption = request.HelpPage = QString();
    request.Type = TMsgDlgType::mtCustom;
    const auto plain = MakeMessageBox(request, nullptr);
    EXPECT_EQ(plain->CheckBox(), nullptr);
    EXPECT_EQ(plain->UrlLink(), nullptr);
    EXPECT_EQ(plain->findChild<QLabel*>("Image"), nullptr);
}
