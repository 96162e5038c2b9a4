#pragma once

#include "foundation/const_dlg_m_lang.h"

#include <QString>

// Selects the row of dialog captions for a language code (compared ignoring case); an empty or
// unknown code selects English.
void ApplyDialogLanguage(const QString& code);
// Selects English again.
void RestoreDialogStrings();

// A caption of the selected row.
QString DlgCaption(TDlgCaption caption);
