#pragma once

#include "app/brindlow_form_tabbed.h"

class QCheckBox;
class QGroupBox;

// Options for experts. They are kept only while the program runs.
class TPageSettingsExpert : public TBrindlowTabbedForm {
    Q_OBJECT

public:
    explicit TPageSettingsExpert(QWidget* parent = nullptr);

    QGroupBox* GroupBoxTemporaryFiles;
    QCheckBox* CheckBoxErase;
    QCheckBox* CheckBoxEraseXml;
    QGroupBox* GroupBoxMiscellaneous;
    QCheckBox* CheckBoxInsertXmlComments;

    void Translate() override;

    // Comments go only into XML files that are kept.
    void CheckBoxEraseXml1Click();
};
