#include "foundation/dlg_m_lang.h"

namespace {

int selectedRow = DlgEnglishRow;

} // namespace

void ApplyDialogLanguage(const QString& code)
{
    selectedRow = DlgEnglishRow;
    for (int row = 0; row < DlgLanguageCount; ++row) {
        if (code.compare(QLatin1String(DlgLanguageCodes[row]), Qt::CaseInsensitive) == 0) {
            selectedRow = row;
            return;
        }
    }
}

void RestoreDialogStrings()
{
    selectedRow = DlgEnglishRow;
}

QString DlgCaption(TDlgCaption caption)
{
    return QString::fromUtf8(DlgCaptionRows[selectedRow][caption]);
}
