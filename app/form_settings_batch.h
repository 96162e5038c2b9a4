#pragma once

#include "app/form_settings_general.h"

class QCheckBox;
class QRadioButton;

// What a batch does after a failed file, whether adding a folder scans its sub-folders, and whether
// converted files leave the batch list at once.
class TPageSettingsBatch : public TBrindlowTabbedForm {
    Q_OBJECT

public:
    explicit TPageSettingsBatch(QWidget* parent = nullptr);

    QGroupBox* LabelOnBatchError;
    QRadioButton* RadioButtonStopBatchOnError;
    QRadioButton* RadioButtonAskOnError;
    QRadioButton* RadioButtonContinueOnError;
    QGroupBox* LabelMiscellaneousForBatch;
    QCheckBox* CheckBoxScanSubfolders;
    QCheckBox* CheckboxRemoveFilesDone;

    void Translate() override;
    void DefineDefaults() override;
    void LoadSettings() override;
    void SaveSettings() override;

    void CheckBoxScanSubfoldersClick();

private:
    QList<TButtonSetting> ButtonSettings() const;
};
