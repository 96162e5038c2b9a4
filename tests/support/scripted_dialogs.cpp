#include "tests/support/scripted_dialogs.h"

using namespace plat;

namespace {

int firstButtonResult(TMsgDlgButtons buttons)
{
    if (buttons.testFlag(mbOK))
        return mrOk;
    if (buttons.testFlag(mbYes))
        return mrYes;
    if (buttons.testFlag(mbRetry))
        return mrRetry;
    return mrCancel;
}

} // namespace

MessageAnswer ScriptedDialogs::ShowMessage(const MessageRequest& request)
{
    messages_.append(request);
    if (answers_.empty())
        return {firstButtonResult(request.Buttons), request.Checked};
    const MessageAnswer answer = answers_.front();
    answers_.pop_front();
    return answer;
}

QString ScriptedDialogs::nextChoice()
{
    if (choices_.empty())
        return QString();
    const QString choice = choices_.front();
    choices_.pop_front();
    return choice;
}

QString ScriptedDialogs::ChooseOpenFile(const FileRequest& request)
{
    fileRequests_.append(request);
    return nextChoice();
}

QStringList ScriptedDialogs::ChooseOpenFiles(const FileRequest& request)
{
    fileRequests_.append(request);
    const QString choice = nextChoice();
    return choice.isEmpty() ? QStringList() : choice.split(u'\n');
}

QString ScriptedDialogs::ChooseSaveFile(const FileRequest& request)
{
    fileRequests_.append(request);
    return nextChoice();
}

QString ScriptedDialogs::ChooseFolder(const QString& title, const QString& folder)
{
    fileRequests_.append({title, folder, QString(), QString()});
    return nextChoice();
}
