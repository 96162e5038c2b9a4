#pragma once

#include "app/brindlow_form_tabbed.h"

class QCheckBox;
class QListWidget;

// The look of the whole program: one of the registered themes, drawn with or without visual styles.
class TPageSettingsThemes : public TBrindlowTabbedForm {
    Q_OBJECT

public:
    explicit TPageSettingsThemes(QWidget* parent = nullptr);

    QListWidget* ListBoxThemes;
    QCheckBox* CheckBoxStylesXP;

    void Translate() override;
    void DefineDefaults() override;
    void LoadSettings() override;
    void SaveSettings() override;

    void ListBoxThemesClick();
    void CheckBoxStylesXPClick();
    // Tells the rest of the program about a theme it has not been told about yet.
    void TBXSwitcherThemeChange();

private:
    QString SelectedTheme() const;

    QString lastReportedTheme_;
};
