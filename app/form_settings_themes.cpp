#include "app/form_settings_themes.h"

#include "app/form_settings_general.h"
#include "components/list_strings.h"
#include "components/themes.h"
#include "foundation/global_events.h"
#include "foundation/language.h"
#include "foundation/settings.h"

#include <QCheckBox>
#include <QListWidget>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

const QString themeKey = QStringLiteral("Themes");
const QString stylesKey = QStringLiteral("XpStyles");
// Each line shows its theme's name in the user's language and keeps the registered one.
constexpr int kThemeNameRole = Qt::UserRole;

QListWidgetItem* FindLine(const QListWidget* list, const QString& name)
{
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->data(kThemeNameRole).toString().compare(name, Qt::CaseInsensitive) == 0)
            return list->item(i);
    return nullptr;
}

} // namespace

TPageSettingsThemes::TPageSettingsThemes(QWidget* parent) : TBrindlowTabbedForm(parent)
{
    setObjectName(QStringLiteral("PageSettingsThemes"));
    ListStringsToTranslate->SetProperties({QStringLiteral("CheckBoxStylesXP")});
    auto* layout = new QVBoxLayout(this);
    ListBoxThemes = new QListWidget(this);
    ListBoxThemes->setObjectName(QStringLiteral("ListBoxThemes"));
    for (const QString& name : plat::ThemeNames()) {
        auto* line = new QListWidgetItem(name, ListBoxThemes);
        line->setData(kThemeNameRole, name);
    }
    layout->addWidget(ListBoxThemes, 1);
    CheckBoxStylesXP = new QCheckBox(QStringLiteral("Enable WindowsXP Visual Styles"), this);
    CheckBoxStylesXP->setObjectName(QStringLiteral("CheckBoxStylesXP"));
    CheckBoxStylesXP->setChecked(plat::VisualStyles());
    layout->addWidget(CheckBoxStylesXP);

    // A click makes a line current before it selects it, so the theme follows the selection.
    connect(ListBoxThemes, &QListWidget::itemSelectionChanged, this,
            &TPageSettingsThemes::ListBoxThemesClick);
    connect(CheckBoxStylesXP, &QCheckBox::toggled, this, &TPageSettingsThemes::CheckBoxStylesXPClick);
    FormCreate();
}

void TPageSettingsThemes::Translate()
{
    TBrindlowTabbedForm::Translate();
    setWindowTitle(TranslateMsg(QStringLiteral("Themes")).trimmed());
    for (int i = 0; i < ListBoxThemes->count(); ++i)
        ListBoxThemes->item(i)->setText(
            TranslateMsg(ListBoxThemes->item(i)->data(kThemeNameRole).toString()));
}

void TPageSettingsThemes::DefineDefaults()
{
    if (!SettingsStore())
        return;
    SettingsStore()->SetDefaultValue(themeKey, plat::DefaultThemeName);
    SettingsStore()->SetDefaultValue(stylesKey, true);
}

void TPageSettingsThemes::LoadSettings()
{
    if (!SettingsStore())
        return;
    const QString stored = SettingsStore()->GetValue(themeKey).toString();
    QListWidgetItem* found = FindLine(ListBoxThemes, stored);
    {
        const QSignalBlocker quiet(ListBoxThemes);
        ListBoxThemes->setCurrentItem(found ? found : FindLine(ListBoxThemes, plat::DefaultThemeName));
    }
    ListBoxThemesClick();
    CheckBoxStylesXP->setChecked(SettingsStore()->GetValue(stylesKey).toBool());
    FireThemeChanged(this, plat::CurrentTheme(), true);
}

void TPageSettingsThemes::SaveSettings()
{
    if (!SettingsStore())
        return;
    SettingsStore()->SetValue(themeKey, SelectedTheme());
    SettingsStore()->SetValue(stylesKey, CheckBoxStylesXP->isChecked());
}

QString TPageSettingsThemes::SelectedTheme() const
{
    const QListWidgetItem* line = ListBoxThemes->currentItem();
    return line && line->isSelected() ? line->data(kThemeNameRole).toString() : plat::DefaultThemeName;
}

void TPageSettingsThemes::ListBoxThemesClick()
{
    plat::UseTheme(SelectedTheme());
    TBXSwitcherThemeChange();
}

void TPageSettingsThemes::CheckBoxStylesXPClick()
{
    plat::SetVisualStyles(CheckBoxStylesXP->isChecked() && CheckBoxStylesXP->isEnabled());
}

void TPageSettingsThemes::TBXSwitcherThemeChange()
{
    const QString theme = plat::CurrentTheme();
    if (theme == lastReportedTheme_)
        return;
    lastReportedTheme_ = theme;
    FireThemeChanged(this, theme, true);
}
