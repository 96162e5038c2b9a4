#include "components/adv_message_dlg.h"
#include "components/qt_dialogs.h"
#include "foundation/instance_guard.h"
#include "foundation/language.h"
#include "foundation/program_globals.h"
#include "foundation/useful_string.h"
#include "tests/support/qt_printers.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_world.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMainWindow>
#include <QScreen>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

#include <memory>
#include <vector>

using namespace plat;

using MessageDialogs = TempWorld;

// Clicks a button of the next modal dialog, ticking its check box first.
static void clickInNextDialog(TMsgDlgBtn button, bool tick)
{
    QTimer::singleShot(0, [button, tick] {
        auto* form = qobject_cast<TAdvancedMessageForm*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        if (tick && form->CheckBox())
            form->CheckBox()->setChecked(true);
        form->Button(button)->click();
    });
}

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

TEST_F(MessageDialogs, TheQtDialogAnswersEachButtonAndShowsItsCheckBox)
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
    request.CheckCaption = QString();
    EXPECT_EQ(MakeMessageBox(request, nullptr)->CheckBox(), nullptr);
    EXPECT_EQ(QtFileFilter("Audio|*.mp3;*.wav|All files|*"), "Audio (*.mp3 *.wav);;All files (*)");
}

namespace {

using Placement = std::pair<QWidget*, bool>; // the dialog's parent, whether it stays on top

// Notes where the next modal dialog was shown, then closes it.
void noteNextDialog(Placement& placement)
{
    QTimer::singleShot(0, [&placement] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->isVisible());
        placement = {dialog->parentWidget(), dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint)};
        dialog->reject();
    });
}

} // namespace

TEST_F(MessageDialogs, BoxesAndChoosersBelongToTheShownWindowThatCausedThemAndStayAboveIt)
{
    QMainWindow main;
    QDialog settings(&main);
    settings.setModal(true);
    Placement placement;
    const auto box = [&placement] {
        noteNextDialog(placement);
        QtDialogs().ShowMessage({});
        return placement;
    };
    const auto chooser = [&placement] {
        noteNextDialog(placement);
        QtDialogs().ChooseFolder("Output Directory", QString());
        return placement;
    };
    // Nothing is shown yet (start-up, a second copy): nothing may hide the box.
    EXPECT_EQ(box(), Placement(nullptr, true));

    // The user is in another program when the batch ends.
    main.show();
    QApplication::setActiveWindow(nullptr);
    EXPECT_EQ(box(), Placement(&main, false));
    main.setWindowFlag(Qt::WindowStaysOnTopHint);
    main.show();
    QApplication::setActiveWindow(nullptr);
    EXPECT_EQ(box(), Placement(&main, true));
    EXPECT_EQ(chooser(), Placement(&main, true));

    settings.show();
    EXPECT_EQ(box(), Placement(&settings, true)) << "above the dialog in front, itself above the main window";
    EXPECT_EQ(chooser(), Placement(&settings, true));
}

TEST_F(MessageDialogs, TheHelpLinkTakesTheHtmPageElseTheHtmlPage)
{
    const QString htm = WriteFile(ProgramFolder() + "Docs/both.htm", "<html/>");
    WriteFile(ProgramFolder() + "Docs/both.html", "<html/>");
    const QString html = WriteFile(ProgramFolder() + "Docs/long.html", "<html/>");
    EXPECT_EQ(AdvancedMessageHelpPage(" both "), htm);
    EXPECT_EQ(AdvancedMessageHelpPage("long"), html);
    EXPECT_EQ(AdvancedMessageHelpPage("missing"), QString());
    EXPECT_EQ(AdvancedMessageHelpPage("  "), QString());
}

namespace {

// Counts the paints the widgets it watches get.
class PaintCounter : public QObject {
public:
    int Paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        Paints += event->type() == QEvent::Paint;
        return false;
    }
};

} // namespace

TEST_F(MessageDialogs, ALongMessageWrapsWithinTheScreenInEitherLanguageWithoutLosingTextAndRestsOnceShown)
{
    // No word break splits this name: it is broken anywhere.
    const QString longName = "/music/" + QString(300, u'x') + ".mp3";
    PaintCounter counter;
    std::vector<std::unique_ptr<TAdvancedMessageForm>> forms;
    for (const bool french : {false, true}) {
        if (french)
            InitLanguage(true, SourceFolder() + "resources/Lng/korvane_fr.lng", true, QString());
        const QString texts[] = {BuildCygwinConflictText(),
                                 Format(TranslateMsg("Can't create the file %s"), longName),
                                 InstanceGuardMessage};
        for (const QString& text : texts) {
            MessageRequest request;
            request.Text = text;
            request.Type = TMsgDlgType::mtError;
            request.Buttons = mbOK;
            request.CheckCaption = TranslateMsg("Don't show this message again");
            const auto& form = forms.emplace_back(MakeMessageBox(request, nullptr));
            form->show();
            QLabel* message = form->Message();
            const std::string context = (french ? "French: " : "English: ") + text.left(30).toStdString();
            EXPECT_LE(form->frameGeometry().width(), form->screen()->availableGeometry().width()) << context;
            EXPECT_EQ(message->text(), ForDisplay(text)) << context;
            // Every line is drawn whole inside the label.
            message->grab();
            const auto* document = message->findChild<QTextDocument*>();
            ASSERT_NE(document, nullptr);
            EXPECT_LE(document->idealWidth(), message->contentsRect().width()) << context;
            EXPECT_LE(document->size().height(), message->contentsRect().height()) << context;
            message->installEventFilter(&counter);
        }
    }
    // Once shown, a box is painted a few times at most, then does nothing until something changes.
    const int fewPaints = 4 * int(forms.size());
    EXPECT_FALSE(QTest::qWaitFor([&] { return counter.Paints > fewPaints; }, 1000))
        << "a box at rest kept painting its message";
}
