#include "app/form_settings_batch.h"

#include "components/list_strings.h"
#include "foundation/global_events.h"
#include "foundation/language.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QVBoxLayout>

TPageSettingsBatch::TPageSettingsBatch(QWidget* parent) : TBrindlowTabbedForm(parent)
{
    setObjectName(QStringLiteral("PageSettingsBatch"));
    ListStringsToTranslate->SetProperties(
        {QStringLiteral("CheckBoxScanSubfolders"), QStringLiteral("CheckBoxRemoveFilesDone"),
         QStringLiteral("LabelMiscellaneousForBatch"), QStringLiteral("LabelOnBatchError"),
         QStringLiteral("RadioButtonStopBatchOnError"), QStringLiteral("RadioButtonAskOnError"),
         QStringLiteral("RadioButtonContinueOnError")});
    auto* layout = new QVBoxLayout(this);

    LabelOnBatchError =
        AddSettingsGroup(this, QStringLiteral("LabelOnBatchError"), QStringLiteral("On error..."));
    RadioButtonStopBatchOnError = AddGroupControl<QRadioButton>(
        LabelOnBatchError, QStringLiteral("RadioButtonStopBatchOnError"), QStringLiteral("Stop batch"));
    RadioButtonAskOnError = AddGroupControl<QRadioButton>(
        LabelOnBatchError, QStringLiteral("RadioButtonAskOnError"), QStringLiteral("Ask"));
    RadioButtonContinueOnError = AddGroupControl<QRadioButton>(
        LabelOnBatchError, QStringLiteral("RadioButtonContinueOnError"), QStringLiteral("Continue"));
    RadioButtonContinueOnError->setChecked(true);

    LabelMiscellaneousForBatch = AddSettingsGroup(this, QStringLiteral("LabelMiscellaneousForBatch"),
                                                  QStringLiteral(" Miscellaneous "));
    CheckBoxScanSubfolders =
        AddGroupControl<QCheckBox>(LabelMiscellaneousForBatch, QStringLiteral("CheckBoxScanSubfolders"),
                                   QStringLiteral("Scan all subfolders when adding folder to batch queue"));
    CheckboxRemoveFilesDone = AddGroupControl<QCheckBox>(
        LabelMiscellaneousForBatch, QStringLiteral("CheckboxRemoveFilesDone"),
        QStringLiteral("Immediately remove successfully processed files from batch queue"));
    layout->addStretch(1);

    connect(CheckBoxScanSubfolders, &QCheckBox::toggled, this,
            &TPageSettingsBatch::CheckBoxScanSubfoldersClick);
    FormCreate();
}

QList<TButtonSetting> TPageSettingsBatch::ButtonSettings() const
{
    return {{QStringLiteral("StopBatchOnError"), RadioButtonStopBatchOnError, false},
            {QStringLiteral("AskOnError"), RadioButtonAskOnError, false},
            {QStringLiteral("ContinueOnError"), RadioButtonContinueOnError, true},
            {QStringLiteral("ScanSubfolders"), CheckBoxScanSubfolders, true},
            {QStringLiteral("RemoveFilesDone"), CheckboxRemoveFilesDone, false}};
}

void TPageSettingsBatch::Translate()
{
    TBrindlowTabbedForm::Translate();
    setWindowTitle(TranslateMsg(QStringLiteral("Batch Queue")).trimmed());
}

void TPageSettingsBatch::DefineDefaults()
{
    if (SettingsStore())
        DefineButtonSettings(SettingsStore(), ButtonSettings());
}

void TPageSettingsBatch::LoadSettings()
{
    if (SettingsStore())
        LoadButtonSettings(SettingsStore(), ButtonSettings());
}

void TPageSettingsBatch::SaveSettings()
{
    if (SettingsStore())
        SaveButtonSettings(SettingsStore(), ButtonSettings());
}

void TPageSettingsBatch::CheckBoxScanSubfoldersClick()
{
    FireScanSubfoldersChanged(this);
}
