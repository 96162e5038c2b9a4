#include "app/form_settings_themes.h"
#include "foundation/global_events.h"
#include "foundation/settings.h"
#include "platform/ini_file.h"
#include "platform/themes.h"
#include "tests/support/qt_printers.h"
#include "tests/support/temp_world.h"

#include <QApplication>
#include <QCheckBox>
#include <QListWidget>
#include <QStyle>

#include <memory>

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
    // A page on the settings file, loaded the way the main window loads it.
    static std::unique_ptr<TSettings> Attach(TPageSettingsThemes& page)
    {
        auto store = std::make_unique<TSettings>();
        page.SetSettingsStore(store.get());
        page.DefineDefaults();
        store->Load();
        page.LoadSettings();
        return store;
    }
    static void Click(TPageSettingsThemes& page, const QString& theme)
    {
        for (int i = 0; i < page.ListBoxThemes->count(); ++i)
            if (page.ListBoxThemes->item(i)->text() == theme)
                page.ListBoxThemes->setCurrentRow(i);
    }

    QStringList Fired;
};

TEST_F(ThemesPage, AClickedThemeIsAppliedToldAndKeptInTheSettingsFile)
{
    {
        TPageSettingsThemes page;
        auto store = Attach(page);
        EXPECT_EQ(page.ListBoxThemes->currentItem()->text(), "Default");
        EXPECT_TRUE(page.CheckBoxStylesXP->isChecked());
        Fired.clear();
        Click(page, "Dark");
        EXPECT_EQ(QApplication::palette().color(QPalette::Window), QColor(0x35, 0x35, 0x35));
        EXPECT_EQ(QApplication::style()->name().toLower(), "fusion");
        EXPECT_EQ(Fired, QStringList({"Dark"}));
        page.CheckBoxStylesXP->setChecked(false);
        EXPECT_EQ(QApplication::style()->name().toLower(), "windows");
        page.SaveSettings();
        ASSERT_TRUE(store->Save());
        const auto file = plat::IniText::Load(store->IniFileName());
        ASSERT_TRUE(file);
        EXPECT_EQ(file->ReadString("Application", "Themes", "-"), "Dark");
    }
    plat::SetVisualStyles(true);
    plat::UseTheme(plat::DefaultThemeName);
    Fired.clear();
    TPageSettingsThemes page;
    auto store = Attach(page);
    EXPECT_EQ(page.ListBoxThemes->currentItem()->text(), "Dark");
    EXPECT_FALSE(page.CheckBoxStylesXP->isChecked());
    EXPECT_EQ(plat::CurrentTheme(), "Dark");
    EXPECT_EQ(QApplication::style()->name().toLower(), "windows");
    EXPECT_EQ(Fired.last(), "Dark") << "loading tells the main window";
}

TEST_F(ThemesPage, AStoredThemeThatIsNotRegisteredReadsAsDefault)
{
    for (const QString stored : {"Office XP", "", "dark"}) {
        TPageSettingsThemes page;
        TSettings store;
        page.SetSettingsStore(&store);
        page.DefineDefaults();
        store.SetValue("Themes", stored);
        page.LoadSettings();
        const QString expected = stored == "dark" ? "Dark" : "Default";
        EXPECT_EQ(page.ListBoxThemes->currentItem()->text(), expected);
        EXPECT_EQ(plat::CurrentTheme(), expected);
        page.SaveSettings();
        EXPECT_EQ(store.GetValue("Themes").toString(), expected);
    }
}

} // namespace
