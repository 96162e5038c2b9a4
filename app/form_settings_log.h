#pragma once

#include "app/form_settings_general.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

// How much the log page shows, and whether the log is mirrored into a text file.
class TPageSettingsLog : public TBrindlowTabbedForm {
    Q_OBJECT

public:
    explicit TPageSettingsLog(QWidget* parent = nullptr);

    QGroupBox* LabelLogDisplaySettings;
    QRadioButton* RadioButtonNormal;
    QRadioButton* RadioButtonVerbose;
    QCheckBox* CheckBoxShowWarnings;
    QGroupBox* LabelLogSavingSettings;
    QLineEdit* EditSaveLogFilename;
    QPushButton* ButtonBrowseLogFile;
    QCheckBox* CheckBoxSaveLog;
    QPushButton* ButtonCleanLog;

    void Translate() override;
    void DefineDefaults() override;
    void LoadSettings() override;
    void SaveSettings() override;

    // Opens the log's mirror file named in the edit, or closes it; the edit then shows the file in use.
    void SetSaveLog(bool value);

    void CheckBoxSaveLogClick();
    void EditSaveLogFilenameChange();
    void ButtonBrowseLogFileClick();
    void ButtonCleanLogClick();

private:
    bool SaveLogWanted() const;
};
