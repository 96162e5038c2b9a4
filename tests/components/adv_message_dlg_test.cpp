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
    void TearDown() override
    {
        InitLanguage(false, QString(), true, QString());
        TempWorld::TearDown();
    }
    // Chosen by name, as the language menu does, so that the language code is "fr".
    void UseFrench(bool french)
    {
        QDir().mkpath(ProgramFolder() + "Lng");
        QFile::copy(SourceFolder() + "resources/Lng/korvane_fr.lng", ProgramFolder() + "Lng/korvane_fr.lng");
        InitLanguage(french, QString(), true,
                     QString::fromUtf8("Fran\xc3\xa7"
                                       "ais"));
    }
};

// Clicks a button of the next modal dialog, ticking its check box first.
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

TEST_F(MessageDialogs, DontShowAgainSkipsTheDialogOrTakesTheCheckBoxState)
{
    struct Case {
        bool before;
        const char* caption;
        bool shown, after;
        int result;
    };
    const Case cases[] = {
        {true, "Don't show", false, true, mrNo},
        {false, "Don't show", true, true, mrOk},
        {false, "   ", true, false, mrOk}, // no check box: left as it was
    };
    for (const Case& c : cases) {
        bool dontShow = c.before;
        const qsizetype before = Dialogs().Messages().size();
        Dialogs().QueueAnswer(mrOk, true);
        EXPECT_EQ(AdvancedMessageDlg("x", TMsgDlgType::mtWarning, mbOK, 0, mrNo, dontShow, c.caption, " "),
                  c.result);
        EXPECT_EQ(dontShow, c.after);
        EXPECT_EQ(Dialogs().Messages().size() - before, c.shown ? 1 : 0);
    }
}

TEST_F(MessageDialogs, TheHelpPageIsTheHtmOrHtmlPageAndTheFrenchOneInFrench)
{
    struct Case {
        QStringList files; // in Docs/
        bool french;
        QString expected; // empty for no link
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
        UseFrench(c.french);
        EXPECT_EQ(AdvancedMessageHelpPage(" a "),
                  c.expected.isEmpty() ? "" : ProgramFolder() + "Docs/" + c.expected);
    }
    EXPECT_EQ(AdvancedMessageHelpPage("  "), "");
}

TEST_F(MessageDialogs, TheQtDialogAnswersEachButtonAndShowsCheckBoxAndHelpLink)
{
    const std::pair<TMsgDlgBtn, int> buttons[] = {
        {mbYes, mrYes},           {mbNo, mrNo},         {mbOK, mrOk},
        {mbCancel, mrCancel},     {mbAbort, mrAbort},   {mbRetry, mrRetry},
        {mbAll, mrAll},           {mbIgnore, mrIgnore}, {mbNoToAll, mrNoToAll},
        {mbYesToAll, mrYesToAll},
    };
    MessageRequest request;
    request.Text = "one\r\ntwo\rthree";
    request.Type = TMsgDlgType::mtWarning;
    for (const auto& [button, result] : buttons)
        request.Buttons |= button;
    request.CheckCaption = "Don't show this message again";
    request.HelpPage = WriteFile(ProgramFolder() + "Docs/tools.htm", "<html/>");
    for (const auto& [button, result] : buttons) {
        clickInNextDialog(button, button == mbAll);
        const MessageAnswer answer = QtDialogs().ShowMessage(request);
        EXPECT_EQ(answer.ModalResult, result);
        EXPECT_EQ(answer.Checked, button == mbAll);
    }

    const auto form = MakeMessageBox(request, nullptr);
    EXPECT_NE(form->Button(mbAll), form->Button(mbYesToAll))
        << "Qt's YesAll is YesToAll: All is its own button";
    EXPECT_EQ(form->Message()->text(), "one\ntwo\nthree");
    ASSERT_NE(form->UrlLink(), nullptr);
    EXPECT_EQ(form->UrlLink()->Link(), request.HelpPage);
    request.CheckCaption = request.HelpPage = QString();
    const auto plain = MakeMessageBox(request, nullptr);
    EXPECT_EQ(plain->CheckBox(), nullptr);
    EXPECT_EQ(plain->UrlLink(), nullptr);
}
