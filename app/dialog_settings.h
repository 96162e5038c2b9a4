#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class TEmbeddedFormControl;
class TFormResizer;
class TListStrings;

// The modal dialog in which the user edits the settings pages: a tree of the pages on the left, the
// chosen page on the right under its title. The pages keep their values; the dialog keeps none.
class TDlgSettings : public QDialog {
    Q_OBJECT

public:
    explicit TDlgSettings(QWidget* parent = nullptr);

    QWidget* PanelSettingsBack;
    QWidget* PanelSettingsTree;
    QTreeWidget* TreeViewSettings = nullptr;
    QWidget* PanelSettingsPages;
    QWidget* PanelSettingsTop;
    QFrame* BevelSettingsTop;
    QLabel* SettingsPageLabel;
    QWidget* TBXAlignmentPanelCenter;
    TEmbeddedFormControl* EmbeddedFormControlSettings;
    QWidget* PanelSettingsBottom;
    QFrame* BevelSettingsBottom;
    QPushButton* SettingsButtonOk;
    TFormResizer* FormResizer1;
    TListStrings* ListStringsToTranslate;

    // Whether the tree offers the expert page; the main window clears it when it leaves expert mode.
    // Read at each opening.
    bool ShowExpertPage = true;

    // Rebuilds the tree on the general page and sets the caption: everything an opening does before
    // the dialog shows.
    void PrepareToShow();
    // Opens the dialog modally, centred on the screen, and returns when the user closes it.
    void Execute();
    void Translate();

    void TreeViewSettingsChange(QTreeWidgetItem* node);

protected:
    void changeEvent(QEvent* event) override;

private:
    void FormCreate();
    void BuildTree();
    void ActivateEmbeddedPage() const;
    void UpdateTitleStrip();
    void FitPages();
    QSize RoomFor(QWidget* page) const;

    // The size the dialog was made with, and the one the last fit gave it.
    QSize designSize_;
    QSize fittedSize_;
    bool fitPending_ = false;
    QWidget* measuringPlace_ = nullptr;
};

// Opens the program's settings dialog, when it has been created.
void ShowSettingsDialog();
