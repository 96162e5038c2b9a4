#include "platform/dialogs.h"

#include "platform/qt_dialogs.h"

namespace plat {

namespace {

std::unique_ptr<Dialogs>& installedDialogs()
{
    static std::unique_ptr<Dialogs> dialogs;
    return dialogs;
}

} // namespace

Dialogs& CurrentDialogs()
{
    auto& dialogs = installedDialogs();
    if (!dialogs)
        dialogs = std::make_unique<QtDialogs>();
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

QString ForDisplay(const QString& text)
{
    QString display = text;
    display.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    display.replace(u'\r', u'\n');
    return display;
}

} // namespace plat
