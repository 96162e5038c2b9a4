#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QPushButton;
class QVBoxLayout;
class TFormResizer;
class TListStrings;
class TSettings;

// What the settings protocol of the main window and the run of an encoding dialog share.
class TEncodingSettingsDialog : public QDialog {
    Q_OBJECT

public:
    // Without a store, loading, saving and registering the defaults do nothing.
    void SetSettings(TSettings* store) { settings_ = store; }
    virtual void RegisterDefaults() = 0;
    virtual void LoadSettings() = 0;
    virtual void SaveSettings() = 0;
    virtual void Translate() = 0;
    virtual void SetControlsEnabled(bool enabled) = 0;

    // Shows the dialog modally: OK keeps the edits, anything else puts back the values in force
    // when it opened.
    void Execute();
    // The two halves of Execute around the modal loop.
    void BeginExecute();
    void EndExecute(int result);

    // Mutes the change notification while code sets the controls.
    bool Loading = false;

protected:
    TEncodingSettingsDialog(QWidget* mainForm, const QString& name);

    // Starts the form resizer once the controls exist.
    void FinishCreation();
    virtual void ValidateAfterClose() {}
    TSettings* Settings() const { return settings_; }
    // Tells the event hub, unless code is setting the controls.
    void NotifyChanged();

    QLabel* AddHeading(const QString& name, const QString& text);
    // A row: a caption, the box and an optional unit, inside a panel that can show a hint.
    QWidget* AddRow(const QString& panelName, const QString& labelName, const QString& caption,
                    QComboBox* box, const QString& unit = QString());
    // A fixed list with the preset line selected. Each line keeps its English text, the value stored and
    // read back, whatever language shows it.
    QComboBox* AddComboBox(const QString& name, const QStringList& lines, const QString& preset);
    // Shows the lines in the selected language.
    static void TranslateLines(QComboBox* box);
    void AddControl(QWidget* control);
    // Adds the defaults, OK and Cancel buttons; returns the defaults button.
    QPushButton* AddButtons(const QString& prefix);

    TFormResizer* FormResizer1;
    TListStrings* ListStringsToTranslate;

private:
    TSettings* settings_ = nullptr;
    QVBoxLayout* layout_;
};

// The English text of the selected line of a box; empty when none is selected or the text typed no longer
// is that line.
QString SelectedLine(const QComboBox* box);
// Selects the first line whose English text matches the text (ignoring case and framing blanks); false,
// keeping the selection, when none matches.
bool SelectMatchingLine(QComboBox* box, const QString& text);
// Selects the box's first line, then the matching line.
void SelectLine(QComboBox* box, const QString& text);

// The program's one dialog of a kind; none before the program creates it, nor once it is gone.
template <typename Dialog> QPointer<Dialog>& TheDialog()
{
    static QPointer<Dialog> dialog;
    return dialog;
}

// Makes the dialog the program's one of its kind and hands the audio side a source of its values,
// which yields nothing once the dialog is gone.
template <typename Dialog, typename Preference>
void BecomeTheDialog(Dialog* dialog, void (*setSource)(std::function<std::unique_ptr<Preference>()>))
{
    TheDialog<Dialog>() = dialog;
    setSource([]() -> std::unique_ptr<Preference> {
        Dialog* current = TheDialog<Dialog>();
        return current ? current->GetPreference() : nullptr;
    });
}
