#pragma once

#include "platform/dialogs.h"

#include <QMessageBox>

#include <memory>

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

// The box ShowMessage shows, with the selected language's title and button captions.
std::unique_ptr<QMessageBox> MakeMessageBox(const MessageRequest& request, QWidget* parent);

// "Audio|*.mp3;*.wav|All|*" becomes Qt's "Audio (*.mp3 *.wav);;All (*)".
QString QtFileFilter(const QString& filter);

} // namespace plat
