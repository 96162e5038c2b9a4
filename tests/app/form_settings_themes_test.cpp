#include "app/form_settings_themes.h"
#include "foundation/global_events.h"
#include "foundation/settings.h"
#include "platform/themes.h"
#include "tests/support/qt_printers.h"
#include "tests/support/temp_world.h"

#include <QApplication>
#include <QCheckBox>
#include <QListWidget>
#include <QStyle>

namespace {

class ThemesPage : public TempWorld {
protected:
    void SetUp() override
    {
        TempWorld::SetUp();
        GlobalEvents().OnThemeChanged = [this](QObject*, QString name, bool) { Fired.append(name); };
    }
    void TearDown() override
    {
        GlobalEvents().OnThemeChanged = nullptr;
        plat::SetVisualStyles(true);
        plat::UseTheme(plat::DefaultThemeName);
        TempWorld::TearDown();
    }
    // Loaded from the settings file the way the main window loads its pages.
    static void Load(TPageSettingsThemes& page, TSettings& store)
    {
        page.SetSettingsStore(&store);
        page.DefineDefaults();
        store.Load();
        page.LoadSettings();
    }
    static QString Shown(const TPageSettingsThemes& page)
    {
        return page.ListBoxThemes->currentItem()->text();
    }
    static QString Style() { return QApplication::style()->name().toLower(); }

    QStringList Fired;
};

TEST_F(ThemesPage, AClickedThemeIsAppliedAndToldAndAnUnknownOneReadsAsDefault)
{
    TSettings store;
    TPageSettingsThemes page;
    Load(page, store);
    EXPECT_EQ(Shown(page), "Default");
    EXPECT_TRUE(page.CheckBoxStylesXP->isChecked());
    Fired.clear();
    page.ListBoxThemes->setCurrentRow(plat::ThemeNames().indexOf("Dark"));
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), QColor(0x35, 0x35, 0x35));
    EXPECT_EQ(Fired, QStringList({"Dark"}));
    page.CheckBoxStylesXP->setChecked(false);
    EXPECT_EQ(Style(), "windows") << "without visual styles the colours stay, the controls turn classic";

    for (const QString stored : {"high CONTRAST", "Office XP", ""}) {
        store.SetValue("Themes", stored);
        page.LoadSettings();
        const QString expected = stored.isEmpty() || stored == "Office XP" ? "Default" : "High Contrast";
        EXPECT_EQ(Shown(page), expected);
        EXPECT_EQ(plat::CurrentTheme(), expected);
        page.SaveSettings();
        EXPECT_EQ(store.GetValue("Themes").toString(), expected);
    }
}

} // namespace
