#pragma once

#include "components/adv_message_dlg.h"
#include "platform/dialogs.h"

#include <memory>

class QDialog;
class QWidget;

namespace plat {

// The program's dialogs: the program's message dialog and non-native file choosers.
class QtDialogs : public Dialogs {
public:
    MessageAnswer ShowMessage(const MessageRequest& request) override;
    QString ChooseOpenFile(const FileRequest& request) override;
    QStringList ChooseOpenFiles(const FileRequest& request) override;
    QString ChooseSaveFile(const FileRequest& request) override;
    QString ChooseFolder(const QString& title, const QString& folder) override;
};

// The dialog ShowMessage shows, with the selected language's title and button captions.
std::unique_ptr<TAdvancedMessageForm> MakeMessageBox(const MessageRequest& request, QWidget* parent);

// The window a box or chooser belongs to: the modal dialog in front, else the active window, else the
// program's visible main window. None while no window of the program is shown (start-up, a second copy).
QWidget* DialogOwner();
// Runs the dialog modally as a window of the owner's that the window manager keeps above it: above an
// owner that stays on top, and above every window when there is no owner, so nothing can hide it.
int ExecOwned(QDialog& dialog, QWidget* owner);

// "Audio|*.mp3;*.wav|All|*" becomes Qt's "Audio (*.mp3 *.wav);;All (*)".
QString QtFileFilter(const QString& filter);

} // namespace plat
