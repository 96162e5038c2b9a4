#include "app/form_log.h"
#include "app/form_settings_log.h"
#include "foundation/log_procedures.h"
#include "foundation/settings.h"
#include "platform/ini_file.h"
#include "tests/support/qt_printers.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_world.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <memory>

namespace {

class LogSettings : public TempWorld {
protected:
    static std::unique_ptr<TSettings> Attach(TPageSettingsLog& page)
    {
        auto store = std::make_unique<TSettings>();
        page.SetSettingsStore(store.get());
        page.DefineDefaults();
        store->Load();
        page.LoadSettings();
        return store;
    }
    // The state a user sees: the file edit, and whether the save box is checked and enabled.
    static QString Shown(const TPageSettingsLog& page)
    {
        return QString("%1 saving %2 enabled %3 clean %4")
            .arg(page.EditSaveLogFilename->text())
            .arg(page.CheckBoxSaveLog->isChecked())
            .arg(page.CheckBoxSaveLog->isEnabled())
            .arg(page.ButtonCleanLog->isEnabled());
    }
    QString Browse(TPageSettingsLog& page, const QString& choice) const
    {
        Dialogs().QueueChoice(choice);
        page.ButtonBrowseLogFile->click();
        return page.EditSaveLogFilename->text();
    }
};

TEST_F(LogSettings, KeysSurviveTheSettingsFileAndTheMirrorFileReopensAtLoad)
{
    const QString logFile = Root() + "session.txt";
    {
        TPageLog log;
        TPageSettingsLog page;
        auto store = Attach(page);
        EXPECT_TRUE(page.RadioButtonNormal->isChecked());
        EXPECT_TRUE(page.CheckBoxShowWarnings->isChecked());
        EXPECT_EQ(Shown(page), " saving 0 enabled 0 clean 0");

        Browse(page, logFile);
        EXPECT_EQ(Shown(page), logFile + " saving 0 enabled 1 clean 0");
        page.CheckBoxSaveLog->click();
        LogInformation("first run");
        page.RadioButtonVerbose->setChecked(true);
        page.CheckBoxShowWarnings->setChecked(false);
        page.SaveSettings();
        ASSERT_TRUE(store->Save());
        const auto file = plat::IniText::Load(store->IniFileName());
        ASSERT_TRUE(file);
        const std::pair<QString, QString> expected[] = {
            {"Log", "Detailed"}, {"LogWarnings", "0"}, {"SaveLogFilename", logFile}, {"SaveLog", "1"}};
        for (const auto& [key, text] : expected)
            EXPECT_EQ(file->ReadString("Application", key, "-"), text) << key.toStdString();
    }
    TPageLog log;
    TPageSettingsLog page;
    auto store = Attach(page);
    EXPECT_TRUE(page.RadioButtonVerbose->isChecked());
    EXPECT_FALSE(page.CheckBoxShowWarnings->isChecked());
    EXPECT_EQ(Shown(page), logFile + " saving 1 enabled 1 clean 1");
    LogInformation("second run");
    EXPECT_EQ(ReadFile(logFile), "first run\nsecond run\n");

    page.ButtonCleanLog->click();
    LogInformation("after cleaning");
    EXPECT_EQ(ReadFile(logFile), "after cleaning\n");
    page.CheckBoxSaveLog->click();
    LogInformation("not saved");
    EXPECT_EQ(ReadFile(logFile), "after cleaning\n");
}

TEST_F(LogSettings, TheChosenFileIsAlwaysATextFile)
{
    TPageLog log;
    TPageSettingsLog page;
    const std::pair<QString, QString> cases[] = {
        {"a.log", "a.log.txt"}, {"b.TXT", "b.TXT"}, {"c", "c.txt"}, {"d.txt", "d.txt"}};
    for (const auto& [chosen, kept] : cases)
        EXPECT_EQ(Browse(page, Root() + chosen), Root() + kept);
    EXPECT_EQ(Dialogs().FileRequests().last().Title, "Save Log file to");
    EXPECT_EQ(Dialogs().FileRequests().last().Filter, "Text file (*.txt)|*.txt");
    EXPECT_EQ(Browse(page, QString()), Root() + "d.txt") << "a cancelled choice changes nothing";
}

TEST_F(LogSettings, AFileThatCannotBeOpenedTurnsSavingOff)
{
    TPageSettingsLog page;
    Browse(page, Root() + "no-view.txt");
    page.CheckBoxSaveLog->click();
    EXPECT_EQ(Shown(page), " saving 0 enabled 0 clean 0") << "no log view to mirror";

    TPageLog log;
    Browse(page, Root() + "missing-folder/log.txt");
    page.CheckBoxSaveLog->click();
    EXPECT_EQ(Shown(page), " saving 0 enabled 0 clean 0");
}

} // namespace
