#pragma once

#include "platform/dialogs.h"

namespace plat {

// The program's dialogs: Qt message boxes and non-native file choosers.
class QtDialogs : public Dialogs {
public:
    MessageAnswer ShowMessage(const MessageRequest& request) override;
    QString ChooseOpenFile(const FileRequest& request) override;
    QStringList ChooseOpenFiles(const FileRequest& request) override;
    QString ChooseSaveFile(const FileRequest& request) override;
    QString ChooseFolder(const QString& title, const QString& folder) override;
};

// "Audio|*.mp3;*.wav|All|*" becomes Qt's "Audio (*.mp3 *.wav);;All (*)".
QString QtFileFilter(const QString& filter);

} // namespace plat
