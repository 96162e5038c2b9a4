#pragma once

#include "app/page_dialog.h"

class QFrame;

// The version history page in a dialog with an Ok button.
class TDlgHistory : public TPageDialog {
    Q_OBJECT

public:
    static constexpr int MinimumWidth = 600;
    static constexpr int MinimumHeight = 360;

    explicit TDlgHistory(QWidget* parent = nullptr);

    QWidget* HistoryPanel;
    TEmbeddedFormControl* EmbeddedFormControlHistory;
    QWidget* PanelHistoryBottom;
    QPushButton* HistoryButtonOk;
};

// Shows the history page modally under the program's name and version; nothing without a dialog.
void ShowHistoryDialog(TDlgHistory* dialog);
