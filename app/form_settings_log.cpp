#include "app/form_settings_log.h"

#include "components/list_strings.h"
#include "foundation/file_tools.h"
#include "foundation/language.h"
#include "foundation/log_procedures.h"
#include "foundation/settings.h"
#include "foundation/useful_string.h"
#include "platform/dialogs.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

const QString logKey = QStringLiteral("Log");
const QString warningsKey = QStringLiteral("LogWarnings");
const QString fileNameKey = QStringLiteral("SaveLogFilename");
const QString saveKey = QStringLiteral("SaveLog");
const QString normalValue = QStringLiteral("Normal");
const QString detailedValue = QStringLiteral("Detailed");
const QString textExtension = QStringLiteral(".txt");

QPushButton* AddButton(QWidget* parent, QHBoxLayout* row, const QString& name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    row->addWidget(button);
    return button;
}

} // namespace

TPageSettingsLog::TPageSettingsLog(QWidget* parent) : TBrindlowTabbedForm(parent)
{
    setObjectName(QStringLiteral("PageSettingsLog"));
    ListStringsToTranslate->SetProperties(
        {QStringLiteral("LabelLogDisplaySettings"), QStringLiteral("LabelLogSavingSettings"),
         QStringLiteral("CheckBoxSaveLog"), QStringLiteral("ButtonCleanLog"),
         QStringLiteral("ButtonBrowseLogFile"), QStringLiteral("RadioButtonNormal"),
         QStringLiteral("RadioButtonVerbose"), QStringLiteral("CheckBoxShowWarnings")});
    auto* layout = new QVBoxLayout(this);

    LabelLogDisplaySettings = AddSettingsGroup(this, QStringLiteral("LabelLogDisplaySettings"),
                                               QStringLiteral(" Information Display "));
    RadioButtonNormal = AddGroupControl<QRadioButton>(LabelLogDisplaySettings,
                                                      QStringLiteral("RadioButtonNormal"), normalValue);
    RadioButtonNormal->setChecked(true);
    RadioButtonVerbose = AddGroupControl<QRadioButton>(
        LabelLogDisplaySettings, QStringLiteral("RadioButtonVerbose"), QStringLiteral("Verbose"));
    CheckBoxShowWarnings = AddGroupControl<QCheckBox>(
        LabelLogDisplaySettings, QStringLiteral("CheckBoxShowWarnings"), QStringLiteral("Show Warnings "));
    CheckBoxShowWarnings->setChecked(true);

    LabelLogSavingSettings =
        AddSettingsGroup(this, QStringLiteral("LabelLogSavingSettings"), QStringLiteral(" Log Saving "));
    auto* fileRow = new QHBoxLayout;
    EditSaveLogFilename = new QLineEdit(LabelLogSavingSettings);
    EditSaveLogFilename->setObjectName(QStringLiteral("EditSaveLogFilename"));
    EditSaveLogFilename->setReadOnly(true);
    fileRow->addWidget(EditSaveLogFilename, 1);
    ButtonBrowseLogFile = AddButton(LabelLogSavingSettings, fileRow, QStringLiteral("ButtonBrowseLogFile"),
                                    QStringLiteral("Browse"));
    auto* saveRow = new QHBoxLayout;
    CheckBoxSaveLog = new QCheckBox(QStringLiteral("Save the Log"), LabelLogSavingSettings);
    CheckBoxSaveLog->setObjectName(QStringLiteral("CheckBoxSaveLog"));
    saveRow->addWidget(CheckBoxSaveLog, 1);
    ButtonCleanLog = AddButton(LabelLogSavingSettings, saveRow, QStringLiteral("ButtonCleanLog"),
                               QStringLiteral("Clean Log"));
    auto* savingLayout = static_cast<QVBoxLayout*>(LabelLogSavingSettings->layout());
    savingLayout->addLayout(fileRow);
    savingLayout->addLayout(saveRow);
    layout->addStretch(1);
    // Nothing to save into or clean while no file is named.
    CheckBoxSaveLog->setEnabled(false);
    ButtonCleanLog->setEnabled(false);

    connect(CheckBoxSaveLog, &QCheckBox::clicked, this, &TPageSettingsLog::CheckBoxSaveLogClick);
    connect(EditSaveLogFilename, &QLineEdit::textChanged, this, &TPageSettingsLog::EditSaveLogFilenameChange);
    connect(ButtonBrowseLogFile, &QPushButton::clicked, this, &TPageSettingsLog::ButtonBrowseLogFileClick);
    connect(ButtonCleanLog, &QPushButton::clicked, this, &TPageSettingsLog::ButtonCleanLogClick);
    FormCreate();
}

void TPageSettingsLog::Translate()
{
    TBrindlowTabbedForm::Translate();
    setWindowTitle(TranslateMsg(QStringLiteral("Log")).trimmed());
}

void TPageSettingsLog::DefineDefaults()
{
    if (!SettingsStore())
        return;
    SettingsStore()->SetDefaultValue(logKey, normalValue);
    SettingsStore()->SetDefaultValue(warningsKey, true);
    SettingsStore()->SetDefaultValue(fileNameKey, QString());
    SettingsStore()->SetDefaultValue(saveKey, false);
}

void TPageSettingsLog::LoadSettings()
{
    if (!SettingsStore())
        return;
    const bool detailed = SettingsStore()->GetValue(logKey).toString() == detailedValue;
    (detailed ? RadioButtonVerbose : RadioButtonNormal)->setChecked(true);
    CheckBoxShowWarnings->setChecked(SettingsStore()->GetValue(warningsKey).toBool());
    EditSaveLogFilename->setText(SettingsStore()->GetValue(fileNameKey).toString());
    SetSaveLog(SettingsStore()->GetValue(saveKey).toBool());
}

void TPageSettingsLog::SaveSettings()
{
    if (!SettingsStore())
        return;
    SettingsStore()->SetValue(logKey, RadioButtonVerbose->isChecked() ? detailedValue : normalValue);
    SettingsStore()->SetValue(warningsKey, CheckBoxShowWarnings->isChecked());
    SettingsStore()->SetValue(fileNameKey, EditSaveLogFilename->text());
    SettingsStore()->SetValue(saveKey, CheckBoxSaveLog->isChecked());
}

bool TPageSettingsLog::SaveLogWanted() const
{
    return CheckBoxSaveLog->isEnabled() && CheckBoxSaveLog->isChecked();
}

void TPageSettingsLog::SetSaveLog(bool value)
{
    if (value) {
        const QString inUse = LogSetFileName(EditSaveLogFilename->text());
        value = !inUse.isEmpty();
        // Showing the name in use runs the edit's handler, which keeps the file open only when the box
        // is already checked.
        CheckBoxSaveLog->setChecked(value);
        if (inUse != EditSaveLogFilename->text())
            EditSaveLogFilename->setText(inUse);
    }
    ButtonCleanLog->setEnabled(value);
    CheckBoxSaveLog->setChecked(value);
    if (!value)
        LogCloseFile();
}

void TPageSettingsLog::CheckBoxSaveLogClick()
{
    SetSaveLog(SaveLogWanted());
}

void TPageSettingsLog::EditSaveLogFilenameChange()
{
    const bool named = !EditSaveLogFilename->text().isEmpty();
    CheckBoxSaveLog->setEnabled(named);
    ButtonCleanLog->setEnabled(named);
    SetSaveLog(SaveLogWanted());
}

void TPageSettingsLog::ButtonBrowseLogFileClick()
{
    const QString log = TranslateMsg(QStringLiteral("Log"));
    plat::FileRequest request;
    request.Title = Format(TranslateMsg(QStringLiteral("Save %s file to")), log);
    request.Folder = ExtractLongFilePath(EditSaveLogFilename->text());
    request.FileName = EditSaveLogFilename->text();
    request.Filter = Format(TranslateMsg(QStringLiteral("%s file")), TranslateMsg(QStringLiteral("Text"))) +
                     QStringLiteral(" (*.txt)|*.txt");
    QString fileName = plat::CurrentDialogs().ChooseSaveFile(request);
    if (fileName.isEmpty())
        return;
    if (GetLowerExtension(fileName) != textExtension)
        fileName += textExtension;
    EditSaveLogFilename->setText(fileName);
    SetSaveLog(SaveLogWanted());
}

void TPageSettingsLog::ButtonCleanLogClick()
{
    LogClearFile();
}
