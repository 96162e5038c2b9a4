#pragma once

#include "components/adv_message_dlg.h"
#include "platform/dialogs.h"

#include <memory>

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

// "Audio|*.mp3;*.wav|All|*" becomes Qt's "Audio (*.mp3 *.wav);;All (*)".
QString QtFileFilter(const QString& filter);

} // namespace plat
