#pragma once

#include "app/brindlow_form_tabbed.h"
#include "components/adv_group_box.h"

#include <QGroupBox>
#include <QLayout>
#include <QList>
#include <QString>
#include <QVariant>

class QAbstractButton;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

// A Boolean key of a settings page, kept in a check box or a radio button. The settings pages share
// these: they keep their settings in their controls, which the rest of the program reads live.
struct TButtonSetting {
    QString Key;
    QAbstractButton* Button;
    bool Default;
};

void DefineButtonSettings(TSettings* store, const QList<TButtonSetting>& settings);
// A check box takes its key's value. A radio button is checked when its key is true and left alone
// otherwise, so the last true key of a group wins and with none the group keeps its choice.
void LoadButtonSettings(const TSettings* store, const QList<TButtonSetting>& settings);
void SaveButtonSettings(TSettings* store, const QList<TButtonSetting>& settings);

// A titled group of controls, laid out one under the other, added at the bottom of the page.
TAdvGroupBox* AddSettingsGroup(QWidget* page, const QString& name, const QString& caption);
template <typename Control>
Control* AddGroupControl(QGroupBox* group, const QString& name, const QString& caption)
{
    auto* control = new Control(caption, group);
    control->setObjectName(name);
    group->layout()->addWidget(control);
    return control;
}

// The folder that the temporary folder text names, or "" when that folder is missing, cannot be
// written or is a system folder and the system's temporary folder fails the same tests.
QString UsableTempFolder(const QString& text);

// Where temporary files go, how output files are named, what happens when one exists already, and
// whether a converted source is deleted.
class TPageSettingsGeneral : public TBrindlowTabbedForm {
    Q_OBJECT

public:
    explicit TPageSettingsGeneral(QWidget* parent = nullptr);

    QGroupBox* LabelTempFolder;
    QLineEdit* EditTempFolder;
    QPushButton* ButtonBrowseTempFolder;
    QGroupBox* LabelDestinationExists;
    QRadioButton* RadioButtonGenerateNewFilename;
    QRadioButton* RadioButtonGenerateError;
    QRadioButton* RadioButtonOverwriteFile;
    QGroupBox* LabelMiscellaneous;
    QCheckBox* CheckBoxAddFormatToFilename;
    QCheckBox* CheckBoxDeleteSourceFile;

    void Translate() override;
    void DefineDefaults() override;
    void LoadSettings() override;
    void SaveSettings() override;

    void ButtonBrowseTempFolderClick();
    void EditTempFolderChange();

private:
    QList<TButtonSetting> ButtonSettings() const;
};
