#pragma once

#include "platform/dialogs.h"

#include <QList>

#include <deque>

// Answers dialogs from a script and remembers what it was asked to show.
class ScriptedDialogs : public plat::Dialogs {
public:
    // Answers used in order; when none is left a message gets its first button's result
    // (OK, Yes, ...) and a chooser is cancelled.
    void QueueAnswer(int modalResult, bool checked = false) { answers_.push_back({modalResult, checked}); }
    void QueueChoice(const QString& choice) { choices_.push_back(choice); }

    const QList<plat::MessageRequest>& Messages() const { return messages_; }
    const QList<plat::FileRequest>& FileRequests() const { return fileRequests_; }
    QString LastText() const { return messages_.isEmpty() ? QString() : messages_.last().Text; }

    plat::MessageAnswer ShowMessage(const plat::MessageRequest& request) override;
    QString ChooseOpenFile(const plat::FileRequest& request) override;
    QStringList ChooseOpenFiles(const plat::FileRequest& request) override;
    QString ChooseSaveFile(const plat::FileRequest& request) override;
    QString ChooseFolder(const QString& title, const QString& folder) override;

private:
    QString nextChoice();

    std::deque<plat::MessageAnswer> answers_;
    std::deque<QString> choices_;
    QList<plat::MessageRequest> messages_;
    QList<plat::FileRequest> fileRequests_;
};
