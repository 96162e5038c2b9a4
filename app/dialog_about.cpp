#include "app/dialog_about.h"

#include "components/embedded_form_control.h"

TDlgAbout::TDlgAbout(QWidget* parent)
    : TPageDialog(QStringLiteral("DlgAbout"), QStringLiteral("PageAbout"), parent)
{
    EmbeddedFormControlAbout =
        AddPagePanel(QStringLiteral("AboutPanel"), QStringLiteral("EmbeddedFormControlAbout"));
    AboutPanel = EmbeddedFormControlAbout->parentWidget();
    FormCreate(MinimumWidth, 0);
    setMaximumWidth(MinimumWidth);
    adjustSize();
}

void ShowAboutDialog(TDlgAbout* dialog)
{
    if (dialog)
        dialog->ShowPage(QString());
}
