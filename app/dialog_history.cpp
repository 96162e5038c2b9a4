#include "app/dialog_history.h"

#include "components/embedded_form_control.h"
#include "components/list_strings.h"
#include "foundation/program_globals.h"

#include <QPushButton>

TDlgHistory::TDlgHistory(QWidget* parent)
    : TPageDialog(QStringLiteral("DlgHistory"), QStringLiteral("PageHistory"), parent)
{
    ListStringsToTranslate->SetProperties({QStringLiteral("HistoryButtonOk")});
    EmbeddedFormControlHistory =
        AddPagePanel(QStringLiteral("HistoryPanel"), QStringLiteral("EmbeddedFormControlHistory"));
    HistoryPanel = EmbeddedFormControlHistory->parentWidget();
    HistoryButtonOk = AddOkBar(QStringLiteral("PanelHistoryBottom"), QStringLiteral("BevelHistory"),
                               QStringLiteral("HistoryButtonOk"));
    PanelHistoryBottom = HistoryButtonOk->parentWidget();
    FormCreate(MinimumWidth, MinimumHeight);
}

void ShowHistoryDialog(TDlgHistory* dialog)
{
    if (dialog)
        dialog->ShowPage(GetProgramTitleVersion());
}
