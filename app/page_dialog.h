#pragma once

#include <QDialog>

class QPushButton;
class TBrindlowTabbedForm;
class TEmbeddedFormControl;
class TFormResizer;
class TListStrings;

// A modal tool window that shows one page of the program, embedded by the page's name: the about,
// history and credits dialogs.
class TPageDialog : public QDialog {
    Q_OBJECT

public:
    TListStrings* ListStringsToTranslate;
    TFormResizer* FormResizer1;

    void Translate();
    // The page, SetActive while the dialog is shown modally under this caption.
    int ShowPage(const QString& caption);
    TBrindlowTabbedForm* Page() const;

protected:
    TPageDialog(const QString& name, const QString& pageName, QWidget* parent);

    // The panel holding the embedded page, above any button bar.
    TEmbeddedFormControl* AddPagePanel(const QString& panelName, const QString& controlName);
    // A bottom bar with a line above its "Ok" button, the default button, which closes with OK.
    QPushButton* AddOkBar(const QString& panelName, const QString& bevelName, const QString& buttonName);
    // Sizeable, centred on the screen, at least the given size, then adapted once to the screen.
    void FormCreate(int minimumWidth, int minimumHeight);

private:
    QString pageName_;
};
