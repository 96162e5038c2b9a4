#pragma once

#include <QFlags>
#include <QString>
#include <QStringList>

#include <memory>

// The one service through which the program shows every message box, confirmation and chooser.
namespace plat {

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

enum TMsgDlgBtn {
    mbYes = 0x1,
    mbNo = 0x2,
    mbOK = 0x4,
    mbCancel = 0x8,
    mbAbort = 0x10,
    mbRetry = 0x20,
    mbIgnore = 0x40,
    mbAll = 0x80,
    mbNoToAll = 0x100,
    mbYesToAll = 0x200,
    mbHelp = 0x400,
};
Q_DECLARE_FLAGS(TMsgDlgButtons, TMsgDlgBtn)
Q_DECLARE_OPERATORS_FOR_FLAGS(TMsgDlgButtons)

// Modal results, with the values the rest of the program compares against.
enum TModalResult {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    mrAll = 8,
    mrNoToAll = 9,
    mrYesToAll = 10,
};

struct MessageRequest {
    QString Text;
    TMsgDlgType Type = TMsgDlgType::mtInformation;
    TMsgDlgButtons Buttons = mbOK;
    int HelpContext = 0;
    QString CheckCaption; // a "don't show again" box when not empty
    QString HelpPage;     // a "Help" link to this local page when not empty
    bool Checked = false; // the check box's state when shown
};

struct MessageAnswer {
    int ModalResult = mrNone;
    bool Checked = false;
};

struct FileRequest {
    QString Title;
    QString Folder;
    QString FileName;
    QString Filter; // "Description|*.a;*.b|Other|*.c"
};

class Dialogs {
public:
    virtual ~Dialogs() = default;

    virtual MessageAnswer ShowMessage(const MessageRequest& request) = 0;
    // Each chooser returns the empty text (or list) when the user cancels.
    virtual QString ChooseOpenFile(const FileRequest& request) = 0;
    virtual QStringList ChooseOpenFiles(const FileRequest& request) = 0;
    virtual QString ChooseSaveFile(const FileRequest& request) = 0;
    virtual QString ChooseFolder(const QString& title, const QString& folder) = 0;
};

// The service in use. Program start installs the windows' own; a program that shows a box before it
// installs one is a programming error, and ends.
Dialogs& CurrentDialogs();
// Installs a service (tests install their scripted one); an empty pointer leaves none.
void InstallDialogs(std::unique_ptr<Dialogs> dialogs);

// The modal result of a box closed without an answer: Cancel when it has that button.
int ClosedWithoutAnswer(TMsgDlgButtons buttons);
// For a program that ends: from now on every box and chooser is answered at once as one closed without an
// answer, and none shows.
void EndDialogs();

// Shows a standard message box and returns its modal result.
int MessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext = 0);
// An error box with a single OK button.
void ShowError(const QString& text);
// A box with a "don't show again" check box (none when the request's caption is blank). While
// dontShowAgain is set nothing is shown and defaultResult comes back; otherwise dontShowAgain takes the
// state of the check box, when there is one.
int ShowCheckedMessage(MessageRequest request, int defaultResult, bool& dontShowAgain);

// Texts keep bare carriage returns; widgets want line feeds.
QString ForDisplay(const QString& text);

} // namespace plat
