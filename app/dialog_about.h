#pragma once

#include "app/page_dialog.h"

class QWidget;

// The about page in a dialog as wide as the page is laid out for, as high as its content.
class TDlgAbout : public TPageDialog {
    Q_OBJECT

public:
    static constexpr int MinimumWidth = 560;

    explicit TDlgAbout(QWidget* parent = nullptr);

    QWidget* AboutPanel;
    TEmbeddedFormControl* EmbeddedFormControlAbout;
};

// Shows the about page modally, without a caption; nothing without a dialog.
void ShowAboutDialog(TDlgAbout* dialog);
