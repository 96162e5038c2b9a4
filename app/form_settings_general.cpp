#include "app/form_settings_general.h"

#include "components/list_strings.h"
#include "foundation/browse_for_folder.h"
#include "foundation/file_tools.h"
#include "foundation/global_events.h"
#include "foundation/language.h"
#include "foundation/settings.h"
#include "foundation/useful_files.h"
#include "platform/paths.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

const QString tempFolderKey = QStringLiteral("LastTempFolder");

bool IsUsableTempFolder(const QString& folder)
{
    return FolderExists(folder) && !IsFolderReadOnly(folder) && !IsSystemFolder(folder) &&
           !plat::IsRootFolder(folder);
}

// Everything up to the last "/", which stays.
QString FolderPartOf(const QString& name)
{
    return name.left(name.lastIndexOf(u'/') + 1);
}

} // namespace

void DefineButtonSettings(TSettings* store, const QList<TButtonSetting>& settings)
{
    for (const TButtonSetting& setting : settings)
        store->SetDefaultValue(setting.Key, setting.Default);
}

void LoadButtonSettings(const TSettings* store, const QList<TButtonSetting>& settings)
{
    for (const TButtonSetting& setting : settings) {
        const bool value = store->GetValue(setting.Key).toBool();
        if (value || !setting.Button->autoExclusive())
            setting.Button->setChecked(value);
    }
}

void SaveButtonSettings(TSettings* store, const QList<TButtonSetting>& settings)
{
    for (const TButtonSetting& setting : settings)
        store->SetValue(setting.Key, setting.Button->isChecked());
}

TAdvGroupBox* AddSettingsGroup(QWidget* page, const QString& name, const QString& caption)
{
    auto* group = new TAdvGroupBox(page);
    group->setObjectName(name);
    group->SetCaption(caption);
    new QVBoxLayout(group);
    page->layout()->addWidget(group);
    return group;
}

QString UsableTempFolder(const QString& text)
{
    const QString folder = text.trimmed();
    if (IsUsableTempFolder(folder))
        return folder;
    const QString system = GetSystemTempPath();
    return IsUsableTempFolder(system) ? system : QString();
}

TPageSettingsGeneral::TPageSettingsGeneral(QWidget* parent) : TBrindlowTabbedForm(parent)
{
    setObjectName(QStringLiteral("PageSettingsGeneral"));
    ListStringsToTranslate->SetProperties(
        {QStringLiteral("ButtonBrowseTempFolder"), QStringLiteral("LabelTempFolder"),
         QStringLiteral("CheckBoxAddFormatToFilename"), QStringLiteral("LabelMiscellaneous"),
         QStringLiteral("LabelDestinationExists"), QStringLiteral("RadioButtonGenerateNewFilename"),
         QStringLiteral("RadioButtonGenerateError"), QStringLiteral("RadioButtonOverwriteFile"),
         QStringLiteral("CheckBoxDeleteSourceFile")});
    auto* layout = new QVBoxLayout(this);

    LabelTempFolder =
        AddSettingsGroup(this, QStringLiteral("LabelTempFolder"), QStringLiteral(" Temp folder "));
    auto* tempFolderRow = new QHBoxLayout;
    EditTempFolder = new QLineEdit(LabelTempFolder);
    EditTempFolder->setObjectName(QStringLiteral("EditTempFolder"));
    EditTempFolder->setReadOnly(true);
    ButtonBrowseTempFolder = new QPushButton(QStringLiteral("Browse"), LabelTempFolder);
    ButtonBrowseTempFolder->setObjectName(QStringLiteral("ButtonBrowseTempFolder"));
    tempFolderRow->addWidget(EditTempFolder, 1);
    tempFolderRow->addWidget(ButtonBrowseTempFolder);
    static_cast<QVBoxLayout*>(LabelTempFolder->layout())->addLayout(tempFolderRow);

    LabelDestinationExists = AddSettingsGroup(this, QStringLiteral("LabelDestinationExists"),
                                              QStringLiteral(" If Destination file exists... "));
    RadioButtonGenerateNewFilename = AddGroupControl<QRadioButton>(
        LabelDestinationExists, QStringLiteral("RadioButtonGenerateNewFilename"),
        QStringLiteral("Generate new file name"));
    RadioButtonGenerateNewFilename->setChecked(true);
    RadioButtonGenerateError =
        AddGroupControl<QRadioButton>(LabelDestinationExists, QStringLiteral("RadioButtonGenerateError"),
                                      QStringLiteral("Generate an error"));
    RadioButtonOverwriteFile =
        AddGroupControl<QRadioButton>(LabelDestinationExists, QStringLiteral("RadioButtonOverwriteFile"),
                                      QStringLiteral("Overwrite existing file"));

    LabelMiscellaneous =
        AddSettingsGroup(this, QStringLiteral("LabelMiscellaneous"), QStringLiteral(" Miscellaneous "));
    CheckBoxAddFormatToFilename =
        AddGroupControl<QCheckBox>(LabelMiscellaneous, QStringLiteral("CheckBoxAddFormatToFilename"),
                                   QStringLiteral("Add the encoding information to the output file name"));
    CheckBoxDeleteSourceFile =
        AddGroupControl<QCheckBox>(LabelMiscellaneous, QStringLiteral("CheckBoxDeleteSourceFile"),
                                   QStringLiteral("Delete source file when converted (if possible)"));
    layout->addStretch(1);

    connect(EditTempFolder, &QLineEdit::textChanged, this, &TPageSettingsGeneral::EditTempFolderChange);
    connect(ButtonBrowseTempFolder, &QPushButton::clicked, this,
            &TPageSettingsGeneral::ButtonBrowseTempFolderClick);
    FormCreate();
}

QList<TButtonSetting> TPageSettingsGeneral::ButtonSettings() const
{
    return {{QStringLiteral("AddFormatToFilename"), CheckBoxAddFormatToFilename, true},
            {QStringLiteral("OverwriteFile"), RadioButtonOverwriteFile, false},
            {QStringLiteral("GenerateError"), RadioButtonGenerateError, false},
            {QStringLiteral("GenerateNewFilename"), RadioButtonGenerateNewFilename, true},
            {QStringLiteral("DeleteSourceFile"), CheckBoxDeleteSourceFile, false}};
}

void TPageSettingsGeneral::Translate()
{
    TBrindlowTabbedForm::Translate();
    setWindowTitle(u' ' + TranslateMsg(QStringLiteral("General")));
}

void TPageSettingsGeneral::DefineDefaults()
{
    if (!SettingsStore())
        return;
    SettingsStore()->SetDefaultValue(tempFolderKey, QString());
    DefineButtonSettings(SettingsStore(), ButtonSettings());
}

void TPageSettingsGeneral::LoadSettings()
{
    if (!SettingsStore())
        return;
    const QString stored = SettingsStore()->GetValue(tempFolderKey).toString().trimmed();
    // A folder stored without its final "/" is that folder, not its parent.
    const QString folder = FolderExists(stored) ? stored : FolderPartOf(stored);
    EditTempFolder->setText(GetTempFolder(folder));
    LoadButtonSettings(SettingsStore(), ButtonSettings());
}

void TPageSettingsGeneral::SaveSettings()
{
    if (!SettingsStore())
        return;
    SettingsStore()->SetValue(tempFolderKey, FolderPartOf(EditTempFolder->text()));
    SaveButtonSettings(SettingsStore(), ButtonSettings());
}

void TPageSettingsGeneral::EditTempFolderChange()
{
    const QString folder = UsableTempFolder(EditTempFolder->text());
    if (folder != EditTempFolder->text())
        EditTempFolder->setText(folder);
    FireTempFolderChanged(this);
}

void TPageSettingsGeneral::ButtonBrowseTempFolderClick()
{
    QString folder = EditTempFolder->text();
    if (!BrowseForFolder(TranslateMsg(QStringLiteral("Temp Directory")), QString(), folder))
        return;
    EditTempFolder->setText(plat::WithTrailingSlash(folder));
}
