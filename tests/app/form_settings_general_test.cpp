#include "app/form_settings_batch.h"
#include "app/form_settings_expert.h"
#include "app/form_settings_general.h"
#include "app/form_settings_themes.h"
#include "app/korvane_main.h"
#include "app/program_main.h"
#include "components/dropper.h"
#include "components/themes.h"
#include "foundation/global_events.h"
#include "foundation/program_globals.h"
#include "foundation/settings.h"
#include "tests/support/program_world.h"
#include "tests/support/qt_printers.h"
#include "tests/support/temp_world.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>

#include <memory>

namespace {

class SettingsPages : public TempWorld {
protected:
    void SetUp() override
    {
        TempWorld::SetUp();
        GlobalEvents().OnTempFolderChanged = [this](QObject*) { ++TempFolderChanges; };
        GlobalEvents().OnScanSubfoldersChanged = [this](QObject* sender) { ScanSenders.push_back(sender); };
        GlobalEvents().OnThemeChanged = [this](QObject*, QString name, bool) { Themes.append(name); };
    }
    void TearDown() override
    {
        GlobalEvents() = {};
        plat::SetVisualStyles(true);
        plat::UseTheme(plat::DefaultThemeName);
        TempWorld::TearDown();
    }

    // One store for the pages, read from the settings file in the main window's order.
    static std::unique_ptr<TSettings> Attach(std::initializer_list<TBrindlowTabbedForm*> pages)
    {
        auto store = std::make_unique<TSettings>();
        DefineGuiSettings(*store);
        for (TBrindlowTabbedForm* page : pages) {
            page->SetSettingsStore(store.get());
            page->DefineDefaults();
        }
        store->Load();
        for (TBrindlowTabbedForm* page : pages)
            page->LoadSettings();
        return store;
    }
    // The boxes as "1" and "0", in the order of the pages' keys.
    static QString States(const TPageSettingsGeneral& general, const TPageSettingsBatch& batch)
    {
        QString states;
        for (const QAbstractButton* button : std::initializer_list<const QAbstractButton*>{
                 general.CheckBoxAddFormatToFilename, general.RadioButtonOverwriteFile,
                 general.RadioButtonGenerateError, general.RadioButtonGenerateNewFilename,
                 general.CheckBoxDeleteSourceFile, batch.RadioButtonStopBatchOnError,
                 batch.RadioButtonAskOnError, batch.RadioButtonContinueOnError, batch.CheckBoxScanSubfolders,
                 batch.CheckboxRemoveFilesDone})
            states += button->isChecked() ? u'1' : u'0';
        return states;
    }
    QString Folder(const QString& name) const
    {
        QDir().mkpath(Root() + name);
        return Root() + name + u'/';
    }

    int TempFolderChanges = 0;
    std::vector<QObject*> ScanSenders;
    QStringList Themes;
};

TEST_F(SettingsPages, GeneralAndBatchKeysStartAtTheirDefaultsAndSurviveTheSettingsFile)
{
    const QString work = Folder("work");
    {
        TPageSettingsGeneral general;
        TPageSettingsBatch batch;
        auto store = Attach({&general, &batch});
        EXPECT_EQ(general.EditTempFolder->text(), Temp());
        EXPECT_EQ(States(general, batch), "10010"
                                          "00110");

        general.EditTempFolder->setText(work);
        general.CheckBoxAddFormatToFilename->setChecked(false);
        general.RadioButtonOverwriteFile->setChecked(true);
        general.CheckBoxDeleteSourceFile->setChecked(true);
        batch.RadioButtonAskOnError->setChecked(true);
        ScanSenders.clear();
        batch.CheckBoxScanSubfolders->setChecked(false);
        EXPECT_EQ(ScanSenders, std::vector<QObject*>{&batch}) << "the drop handler follows the box";
        batch.CheckboxRemoveFilesDone->setChecked(true);
        general.SaveSettings();
        batch.SaveSettings();
        ASSERT_TRUE(store->Save());
    }
    TPageSettingsGeneral general;
    TPageSettingsBatch batch;
    auto store = Attach({&general, &batch});
    EXPECT_EQ(general.EditTempFolder->text(), work);
    EXPECT_EQ(States(general, batch), "01001"
                                      "01001");

    store->SetValue("StopBatchOnError", true);
    store->SetValue("ContinueOnError", true);
    batch.LoadSettings();
    EXPECT_TRUE(batch.RadioButtonContinueOnError->isChecked()) << "the last true key of a group wins";
}

TEST_F(SettingsPages, AnUnusableTempFolderFallsBackToTheSystemOne)
{
    const QString work = Folder("work");
    const QString readOnly = Folder("read-only");
    QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ExeOwner);
    const std::pair<QString, QString> cases[] = {
        {work, work},       {Root() + "missing/", Temp()},      {readOnly, Temp()},
        {"/proc/", Temp()}, {WriteFile("a-file", "x"), Temp()}, {"/", Temp()},
    };
    for (const auto& [chosen, shown] : cases) {
        TPageSettingsGeneral page;
        TempFolderChanges = 0;
        page.EditTempFolder->setText(chosen);
        EXPECT_EQ(page.EditTempFolder->text(), shown) << chosen.toStdString();
        EXPECT_GT(TempFolderChanges, 0);
    }

    // Stored by an earlier run.
    TPageSettingsGeneral page;
    TPageSettingsBatch batch;
    auto store = Attach({&page, &batch});
    for (const QString& stored : {Root() + "gone/", Root() + "work", Root() + "work/old.tmp"}) {
        store->SetValue("LastTempFolder", stored);
        page.LoadSettings();
        EXPECT_EQ(page.EditTempFolder->text(), stored.contains("gone") ? Temp() : work)
            << stored.toStdString();
    }

    qputenv("TMPDIR", (Root() + "no-such-temp").toUtf8());
    page.EditTempFolder->setText(Root() + "missing/");
    EXPECT_EQ(page.EditTempFolder->text(), "/tmp/") << "a missing TMPDIR is the system's default";
    qputenv("TMPDIR", readOnly.toUtf8());
    page.EditTempFolder->setText(Root() + "missing/");
    EXPECT_TRUE(page.EditTempFolder->text().isEmpty()) << "no usable folder at all";
}

TEST_F(SettingsPages, AClickedThemeIsAppliedAndToldAndAnUnknownOneReadsAsDefault)
{
    TPageSettingsThemes page;
    auto store = Attach({&page});
    EXPECT_EQ(page.ListBoxThemes->currentItem()->text(), "Default");
    EXPECT_TRUE(page.CheckBoxStylesXP->isChecked());
    Themes.clear();
    page.show();
    QListWidget& list = *page.ListBoxThemes;
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                      list.visualItemRect(list.item(plat::ThemeNames().indexOf("Dark"))).center());
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), QColor(0x35, 0x35, 0x35));
    EXPECT_EQ(Themes, QStringList({"Dark"}));
    page.CheckBoxStylesXP->setChecked(false);
    // The theme's style sheet stands in as the application's style: a button shows which one it draws on.
    const auto button = [](QStyle* style) {
        QPushButton shown(QStringLiteral("Ok"));
        if (style)
            shown.setStyle(style);
        shown.resize(80, 30);
        return shown.grab().toImage();
    };
    const std::unique_ptr<QStyle> classic(QStyleFactory::create(QStringLiteral("Windows")));
    EXPECT_EQ(button(nullptr), button(classic.get()))
        << "without visual styles the colours stay, the controls turn classic";
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), QColor(0x35, 0x35, 0x35));

    for (const QString stored : {"high CONTRAST", "Office XP", ""}) {
        store->SetValue("Themes", stored);
        page.LoadSettings();
        const QString expected = stored.isEmpty() || stored == "Office XP" ? "Default" : "High Contrast";
        EXPECT_EQ(page.ListBoxThemes->currentItem()->text(), expected);
        EXPECT_EQ(plat::CurrentTheme(), expected);
        page.SaveSettings();
        EXPECT_EQ(store->GetValue("Themes").toString(), expected);
    }
}

TEST_F(SettingsPages, DeletingTheXmlFileTakesAwayItsCommentsAndNothingIsStored)
{
    TPageSettingsExpert page;
    auto store = Attach({&page});
    for (const bool erase : {true, false, true}) {
        page.CheckBoxEraseXml->setChecked(erase);
        EXPECT_EQ(page.CheckBoxInsertXmlComments->isEnabled(), !erase);
    }
    const auto values = [&store] {
        QVariantList values;
        for (int i = 0; i < store->Settings().Count(); ++i)
            values.append(store->Settings().Items(i)->Value());
        return values;
    };
    const QVariantList before = values();
    page.SaveSettings();
    EXPECT_EQ(values(), before) << "the expert page keeps nothing";
}

class SettingsAtStart : public ProgramWorld {
protected:
    void TearDown() override
    {
        plat::SetVisualStyles(true);
        ProgramWorld::TearDown();
    }
};

// A box loaded from the settings file drives what its handler drives, as a click on it would.
TEST_F(SettingsAtStart, StoredChoicesReachWhatTheirBoxesDrive)
{
    ASSERT_TRUE(InitializeUnits());
    const QString out = WriteFile("out/keep", "").section('/', 0, -2) + "/";
    for (const bool stored : {true, false}) {
        WriteFile(GlobalSettingsFileName(), QString("[Korvane]\nScanSubfolders=%1\nXpStyles=%1\n"
                                                    "AudioOutFolderSameAsSource=%2\nAudioOutFolder=%3\n")
                                                .arg(stored)
                                                .arg(!stored)
                                                .arg(out)
                                                .toUtf8());
        Start();
        EXPECT_EQ(Control<TDropper>("InvisibleDropper")->Recursive(), stored)
            << "a dropped folder's subfolders";
        EXPECT_EQ(plat::VisualStyles(), stored);
        EXPECT_EQ(Control<QLineEdit>("EditOutputFolder")->isEnabled(), stored)
            << "an output folder of one's own";
        Stop();
    }
}

} // namespace
