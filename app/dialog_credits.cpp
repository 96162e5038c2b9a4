#include "app/dialog_credits.h"

#include "components/embedded_form_control.h"
#include "components/list_strings.h"
#include "foundation/program_globals.h"

#include <QPushButton>

TDlgCredits::TDlgCredits(QWidget* parent)
    : TPageDialog(QStringLiteral("DlgCredits"), QStringLiteral("PageCredits"), parent)
{
    ListStringsToTranslate->SetProperties({QStringLiteral("CreditsButtonOk")});
    EmbeddedFormControlCredits =
        AddPagePanel(QStringLiteral("CreditsPanel"), QStringLiteral("EmbeddedFormControlCredits"));
    CreditsPanel = EmbeddedFormControlCredits->parentWidget();
    CreditsButtonOk = AddOkBar(QStringLiteral("PanelCreditsBottom"), QStringLiteral("BevelCredits"),
                               QStringLiteral("CreditsButtonOk"));
    PanelCreditsBottom = CreditsButtonOk->parentWidget();
    FormCreate(MinimumWidth, MinimumHeight);
}

void ShowCreditsDialog(TDlgCredits* dialog)
{
    if (dialog)
        dialog->ShowPage(GetProgramTitleVersion());
}
