#pragma once

#include "platform/dialogs.h"

#include <QDialog>
#include <QList>

class QAbstractButton;
class QCheckBox;
class QHBoxLayout;
class QLabel;
class TURLLink;

// The program's message dialog: its icon ("Image") and text ("Message"), below them an optional check box
// on the left and an optional "Help" link on the right, then the buttons, all captions from the selected
// language. The Qt dialogs service shows it. Like the standard message box, it wraps a long message to fit
// the screen it is shown on.
class TAdvancedMessageForm : public QDialog {
    Q_OBJECT

public:
    TAdvancedMessageForm(const plat::MessageRequest& request, QWidget* parent);

    QAbstractButton* Button(plat::TMsgDlgBtn button) const;
    const QList<QAbstractButton*>& Buttons() const { return buttons_; }
    QCheckBox* CheckBox() const { return checkBox_; }
    TURLLink* UrlLink() const { return urlLink_; }
    QLabel* Message() const { return message_; }

    // The answer for the modal result the dialog was closed with: Cancel, when it has that button, for a
    // dialog closed without one.
    plat::MessageAnswer Answer(int modalResult) const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void fitMessageToScreen();
    void addButtons(plat::TMsgDlgButtons buttons, QHBoxLayout* row);
    void addExtras(const plat::MessageRequest& request, QHBoxLayout* row);

    QList<QAbstractButton*> buttons_;
    QCheckBox* checkBox_ = nullptr;
    TURLLink* urlLink_ = nullptr;
    QLabel* message_ = nullptr;
    plat::TMsgDlgButtons requested_;
    bool requestedChecked_ = false;
};

// The help page of a document in the program's Docs folder: <DocName>.htm, else .html; the "_fr" page
// instead when the language is "fr" and it exists. Empty when the page does not exist or the name is blank.
QString AdvancedMessageHelpPage(const QString& DocName);

// A message dialog with an optional "don't show again" check box and help link. When DontShowAgain is
// already set nothing is shown and DefaultResult is returned; otherwise DontShowAgain takes the state of
// the check box (when there is one).
int AdvancedMessageDlg(const QString& Msg, plat::TMsgDlgType DlgType, plat::TMsgDlgButtons Buttons,
                       int HelpCtx, int DefaultResult, bool& DontShowAgain, const QString& CheckCaption,
                       const QString& DocName);

// Play the confirmation sound and ask OK or Cancel: true for OK.
bool ConfirmDialog();
bool ConfirmQuit();
