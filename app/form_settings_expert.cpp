#include "app/form_settings_expert.h"

#include "app/form_settings_general.h"
#include "components/list_strings.h"
#include "foundation/language.h"

#include <QCheckBox>
#include <QVBoxLayout>

TPageSettingsExpert::TPageSettingsExpert(QWidget* parent) : TBrindlowTabbedForm(parent)
{
    setObjectName(QStringLiteral("PageSettingsExpert"));
    ListStringsToTranslate->SetProperties(
        {QStringLiteral("GroupBoxTemporaryFiles"), QStringLiteral("CheckBoxErase"),
         QStringLiteral("CheckBoxEraseXml"), QStringLiteral("GroupBoxMiscellaneous"),
         QStringLiteral("CheckBoxInsertXmlComments")});
    auto* layout = new QVBoxLayout(this);
    GroupBoxTemporaryFiles =
        AddSettingsGroup(this, QStringLiteral("GroupBoxTemporaryFiles"), QStringLiteral(" Temporary Files "));
    CheckBoxErase = AddGroupControl<QCheckBox>(GroupBoxTemporaryFiles, QStringLiteral("CheckBoxErase"),
                                               QStringLiteral("Delete CD image files if burn successful"));
    CheckBoxEraseXml = AddGroupControl<QCheckBox>(GroupBoxTemporaryFiles, QStringLiteral("CheckBoxEraseXml"),
                                                  QStringLiteral("Delete XML file if burn successful"));
    GroupBoxMiscellaneous =
        AddSettingsGroup(this, QStringLiteral("GroupBoxMiscellaneous"), QStringLiteral(" Miscellaneous "));
    CheckBoxInsertXmlComments =
        AddGroupControl<QCheckBox>(GroupBoxMiscellaneous, QStringLiteral("CheckBoxInsertXmlComments"),
                                   QStringLiteral("Insert Comments into the generated XML files"));
    layout->addStretch(1);

    connect(CheckBoxEraseXml, &QCheckBox::toggled, this, &TPageSettingsExpert::CheckBoxEraseXml1Click);
    FormCreate();
}

void TPageSettingsExpert::Translate()
{
    TBrindlowTabbedForm::Translate();
    setWindowTitle(TranslateMsg(QStringLiteral("Options for experts")).trimmed());
}

void TPageSettingsExpert::CheckBoxEraseXml1Click()
{
    CheckBoxInsertXmlComments->setEnabled(!CheckBoxEraseXml->isChecked());
}
