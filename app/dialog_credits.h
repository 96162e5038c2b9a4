#pragma once

#include "app/page_dialog.h"

// The scrolling credits page in a dialog with an Ok button.
class TDlgCredits : public TPageDialog {
    Q_OBJECT

public:
    static constexpr int MinimumWidth = 500;
    static constexpr int MinimumHeight = 320;

    explicit TDlgCredits(QWidget* parent = nullptr);

    QWidget* CreditsPanel;
    TEmbeddedFormControl* EmbeddedFormControlCredits;
    QWidget* PanelCreditsBottom;
    QPushButton* CreditsButtonOk;
};

// Shows the credits page modally under the program's name and version; nothing without a dialog.
void ShowCreditsDialog(TDlgCredits* dialog);
