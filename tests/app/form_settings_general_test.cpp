#include "app/form_settings_batch.h"
#include "app/form_settings_general.h"
#include "foundation/global_events.h"
#include "foundation/settings.h"
#include "platform/ini_file.h"
#include "tests/support/qt_printers.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_world.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <memory>

namespace {

class SettingsPages : public TempWorld {
protected:
    void SetUp() override
    {
        TempWorld::SetUp();
        GlobalEvents().OnTempFolderChanged = [this](QObject*) { ++TempFolderChanges; };
    }
    void TearDown() override
    {
        GlobalEvents().OnTempFolderChanged = nullptr;
        TempWorld::TearDown();
    }

    // A store of the page's keys only, read from the settings file as the main window reads it.
    static std::unique_ptr<TSettings> Attach(TBrindlowTabbedForm& page)
    {
        auto store = std::make_unique<TSettings>();
        page.SetSettingsStore(store.get());
        page.DefineDefaults();
        store->Load();
        page.LoadSettings();
        return store;
    }
    static QString Stored(TSettings& store, const QString& key)
    {
        const auto file = plat::IniText::Load(store.IniFileName());
        return file ? file->ReadString("Application", key, "-") : "-";
    }
    QString Folder(const QString& name) const
    {
        QDir().mkpath(Root() + name);
        return Root() + name + u'/';
    }

    int TempFolderChanges = 0;
};

TEST_F(SettingsPages, GeneralKeysStartAtTheirDefaultsAndSurviveTheSettingsFile)
{
    const QString work = Folder("work");
    {
        TPageSettingsGeneral page;
        auto store = Attach(page);
        EXPECT_EQ(page.EditTempFolder->text(), Temp());
        EXPECT_TRUE(page.CheckBoxAddFormatToFilename->isChecked());
        EXPECT_TRUE(page.RadioButtonGenerateNewFilename->isChecked());
        EXPECT_FALSE(page.CheckBoxDeleteSourceFile->isChecked());

        page.EditTempFolder->setText(work);
        page.CheckBoxAddFormatToFilename->setChecked(false);
        page.RadioButtonOverwriteFile->setChecked(true);
        page.CheckBoxDeleteSourceFile->setChecked(true);
        page.SaveSettings();
        ASSERT_TRUE(store->Save());
        const std::pair<QString, QString> expected[] = {
            {"LastTempFolder", work}, {"AddFormatToFilename", "0"}, {"OverwriteFile", "1"},
            {"GenerateError", "0"},   {"GenerateNewFilename", "0"}, {"DeleteSourceFile", "1"},
        };
        for (const auto& [key, text] : expected)
            EXPECT_EQ(Stored(*store, key), text) << key.toStdString();
    }
    TPageSettingsGeneral page;
    auto store = Attach(page);
    EXPECT_EQ(page.EditTempFolder->text(), work);
    EXPECT_FALSE(page.CheckBoxAddFormatToFilename->isChecked());
    EXPECT_TRUE(page.RadioButtonOverwriteFile->isChecked());
    EXPECT_TRUE(page.CheckBoxDeleteSourceFile->isChecked());
}

TEST_F(SettingsPages, BatchKeysSurviveTheSettingsFileAndTheLastTrueRadioWins)
{
    {
        TPageSettingsBatch page;
        auto store = Attach(page);
        EXPECT_TRUE(page.RadioButtonContinueOnError->isChecked());
        EXPECT_TRUE(page.CheckBoxScanSubfolders->isChecked());
        EXPECT_FALSE(page.CheckboxRemoveFilesDone->isChecked());
        page.RadioButtonAskOnError->setChecked(true);
        page.CheckBoxScanSubfolders->setChecked(false);
        page.CheckboxRemoveFilesDone->setChecked(true);
        page.SaveSettings();
        ASSERT_TRUE(store->Save());
        const std::pair<QString, QString> expected[] = {
            {"StopBatchOnError", "0"}, {"AskOnError", "1"},      {"ContinueOnError", "0"},
            {"ScanSubfolders", "0"},   {"RemoveFilesDone", "1"},
        };
        for (const auto& [key, text] : expected)
            EXPECT_EQ(Stored(*store, key), text) << key.toStdString();
    }
    TPageSettingsBatch page;
    auto store = Attach(page);
    EXPECT_TRUE(page.RadioButtonAskOnError->isChecked());
    EXPECT_FALSE(page.CheckBoxScanSubfolders->isChecked());
    EXPECT_TRUE(page.CheckboxRemoveFilesDone->isChecked());

    store->SetValue("StopBatchOnError", true);
    store->SetValue("AskOnError", false);
    store->SetValue("ContinueOnError", true);
    page.LoadSettings();
    EXPECT_TRUE(page.RadioButtonContinueOnError->isChecked());
}

TEST_F(SettingsPages, WithoutAStoreThePagesTouchNothing)
{
    TPageSettingsGeneral general;
    TPageSettingsBatch batch;
    for (TBrindlowTabbedForm* page : std::initializer_list<TBrindlowTabbedForm*>{&general, &batch}) {
        page->DefineDefaults();
        page->LoadSettings();
        page->SaveSettings();
    }
    EXPECT_TRUE(general.EditTempFolder->text().isEmpty());
    EXPECT_TRUE(batch.RadioButtonContinueOnError->isChecked());
}

TEST_F(SettingsPages, AnUnusableTempFolderFallsBackToTheSystemOne)
{
    const QString work = Folder("work");
    const QString readOnly = Folder("read-only");
    QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ExeOwner);
    const QString file = WriteFile("a-file", "x");
    struct Case {
        QString chosen, shown;
    };
    const Case cases[] = {
        {work, work}, {Root() + "missing/", Temp()}, {readOnly, Temp()}, {file, Temp()}, {"/proc/", Temp()},
    };
    for (const Case& c : cases) {
        TPageSettingsGeneral page;
        TempFolderChanges = 0;
        page.EditTempFolder->setText(c.chosen);
        EXPECT_EQ(page.EditTempFolder->text(), c.shown) << c.chosen.toStdString();
        EXPECT_GT(TempFolderChanges, 0);
    }

    // Chosen in the folder browser, or stored by an earlier run.
    TPageSettingsGeneral page;
    Dialogs().QueueChoice(Root() + "read-only");
    page.ButtonBrowseTempFolder->click();
    EXPECT_EQ(page.EditTempFolder->text(), Temp());
    Dialogs().QueueChoice(Root() + "work");
    page.ButtonBrowseTempFolder->click();
    EXPECT_EQ(page.EditTempFolder->text(), work);
    page.ButtonBrowseTempFolder->click();
    EXPECT_EQ(page.EditTempFolder->text(), work) << "a cancelled browse changes nothing";

    auto store = Attach(page);
    for (const QString& stored : {Root() + "gone/", Root() + "work", Root() + "work/old.tmp"}) {
        store->SetValue("LastTempFolder", stored);
        page.LoadSettings();
        EXPECT_EQ(page.EditTempFolder->text(), stored.contains("gone") ? Temp() : work)
            << stored.toStdString();
    }
}

TEST_F(SettingsPages, NoTempFolderAtAllLeavesTheEditEmpty)
{
    qputenv("TMPDIR", (Root() + "no-such-temp").toUtf8());
    TPageSettingsGeneral page;
    page.EditTempFolder->setText(Root() + "missing/");
    EXPECT_TRUE(page.EditTempFolder->text().isEmpty());
}

} // namespace
