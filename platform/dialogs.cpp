#include "platform/dialogs.h"

#include <QtGlobal>

namespace plat {

namespace {

std::unique_ptr<Dialogs>& installedDialogs()
{
    static std::unique_ptr<Dialogs> dialogs;
    return dialogs;
}

class EndedDialogs : public Dialogs {
public:
    explicit EndedDialogs(std::unique_ptr<Dialogs> before) : before_(std::move(before)) {}
    MessageAnswer ShowMessage(const MessageRequest& request) override
    {
        return {ClosedWithoutAnswer(request.Buttons), request.Checked};
    }
    QString ChooseOpenFile(const FileRequest&) override { return {}; }
    QStringList ChooseOpenFiles(const FileRequest&) override { return {}; }
    QString ChooseSaveFile(const FileRequest&) override { return {}; }
    QString ChooseFolder(const QString&, const QString&) override { return {}; }

private:
    // A box it showed may still be on its way out.
    std::unique_ptr<Dialogs> before_;
};

} // namespace

int ClosedWithoutAnswer(TMsgDlgButtons buttons)
{
    return buttons.testFlag(mbCancel) ? mrCancel : mrNone;
}

void EndDialogs()
{
    std::unique_ptr<Dialogs>& dialogs = installedDialogs();
    if (!dynamic_cast<EndedDialogs*>(dialogs.get()))
        dialogs = std::make_unique<EndedDialogs>(std::move(dialogs));
}

Dialogs& CurrentDialogs()
{
    const auto& dialogs = installedDialogs();
    if (!dialogs)
        qFatal("A box was to be shown before any dialogs service was installed");
    return *dialogs;
}

void InstallDialogs(std::unique_ptr<Dialogs> dialogs)
{
    installedDialogs() = std::move(dialogs);
}

int MessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext)
{
    MessageRequest request;
    request.Text = text;
    request.Type = type;
    request.Buttons = buttons;
    request.HelpContext = helpContext;
    return CurrentDialogs().ShowMessage(request).ModalResult;
}

void ShowError(const QString& text)
{
    MessageDlg(text, TMsgDlgType::mtError, mbOK);
}

int ShowCheckedMessage(MessageRequest request, int defaultResult, bool& dontShowAgain)
{
    if (dontShowAgain)
        return defaultResult;
    if (request.CheckCaption.trimmed().isEmpty())
        request.CheckCaption.clear();
    const MessageAnswer answer = CurrentDialogs().ShowMessage(request);
    if (!request.CheckCaption.isEmpty())
        dontShowAgain = answer.Checked;
    return answer.ModalResult;
}

QString ForDisplay(const QString& text)
{
    QString display = text;
    display.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    display.replace(u'\r', u'\n');
    return display;
}

} // namespace plat
