#include "app/form_log.h"
#include "app/form_settings_log.h"
#include "app/korvane_main.h"
#include "components/log_target.h"
#include "components/nero_memo.h"
#include "foundation/log_procedures.h"
#include "foundation/settings.h"
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
        DefineGuiSettings(*store);
        page.SetSettingsStore(store.get());
        page.DefineDefaults();
        store->Load();
        page.LoadSettings();
        return store;
    }
    // What the user sees of the mirror file: its name, and the save box checked, enabled, the clean button.
    static QString Shown(const TPageSettingsLog& page)
    {
        return QString("%1 %2%3%4")
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
        EXPECT_TRUE(page.RadioButtonNormal->isChecked() && page.CheckBoxShowWarnings->isChecked());
        EXPECT_EQ(Shown(page), " 000");
        Browse(page, logFile);
        EXPECT_EQ(Shown(page), logFile + " 010");
        page.CheckBoxSaveLog->click();
        LogInformation("first run");
        page.RadioButtonVerbose->setChecked(true);
        page.CheckBoxShowWarnings->setChecked(false);
        page.SaveSettings();
        ASSERT_TRUE(store->Save());
    }
    TPageLog log;
    TPageSettingsLog page;
    auto store = Attach(page);
    EXPECT_TRUE(page.RadioButtonVerbose->isChecked() && !page.CheckBoxShowWarnings->isChecked());
    EXPECT_EQ(Shown(page), logFile + " 111");
    LogInformation("second run");
    EXPECT_EQ(ReadFile(logFile), "first run\nsecond run\n");

    page.ButtonCleanLog->click();
    LogInformation("after cleaning");
    page.CheckBoxSaveLog->click();
    LogInformation("not saved");
    EXPECT_EQ(ReadFile(logFile), "after cleaning\n");
}

TEST_F(LogSettings, TheChosenFileIsATextFileThatCanBeOpened)
{
    TPageSettingsLog page;
    Browse(page, Root() + "no-view.txt");
    page.CheckBoxSaveLog->click();
    EXPECT_EQ(Shown(page), " 000") << "no log view to mirror";

    TPageLog log;
    const std::pair<QString, QString> names[] = {
        {"a.log", "a.log.txt"}, {"b.TXT", "b.TXT"}, {"c", "c.txt"}, {"", "c.txt"}};
    for (const auto& [chosen, kept] : names)
        EXPECT_EQ(Browse(page, chosen.isEmpty() ? chosen : Root() + chosen), Root() + kept);

    Browse(page, Root() + "missing-folder/log.txt");
    page.CheckBoxSaveLog->click();
    EXPECT_EQ(Shown(page), " 000");
}

TEST_F(LogSettings, TheLogPageReceivesTheProgramsLogAndTaggedLinesShowAsTheLogSettingsPageSays)
{
    TPageLog page;
    LogWarning("disk almost full");
    EXPECT_EQ(page.LogMemo->Lines(), QStringList{"disk almost full"});
    EXPECT_TRUE(page.LogMemo->IconShow() && !page.LogMemo->NumShow()) << "the margin shows the levels' icons";
    EXPECT_TRUE(CommandLineMemo() == page.MemoCommandLine && page.CommandLinePanel->isHidden());
    TPageSettingsLog settings;
    Browse(settings, Root() + "log.txt");
    settings.CheckBoxSaveLog->click();

    const struct {
        QString line;
        bool verbose, warnings;
        QString shown; // "-" when the line is dropped
        int level;
    } cases[] = {
        {R"(<log level="information"> Encoding </log>)", false, false, "Encoding", llInformation},
        {R"(<log level="Warning">low rate</log>)", false, true, "low rate", llWarning},
        {R"(<log level="warning">low rate</log>)", true, false, "-", 0},
        {R"(<log level="debug">frame 12</log>)", false, true, "-", 0},
        {R"(<log level="DEBUG">frame 12</log>)", true, false, "frame 12", llDebug},
        {R"(<log level="error"></log>)", false, false, "", llError},
        {R"(<log level="notice">as is</log>)", false, false, R"(<log level="notice">as is</log>)", llNone},
        {"<log>no level</log>", false, false, "<log>no level</log>", llNone},
    };
    QByteArray mirrored;
    for (const auto& c : cases) {
        (c.verbose ? settings.RadioButtonVerbose : settings.RadioButtonNormal)->setChecked(true);
        settings.CheckBoxShowWarnings->setChecked(c.warnings);
        const int before = page.LogMemo->LineCount();
        page.AddTaggedLogLine(c.line);
        const bool shown = c.shown != "-";
        ASSERT_EQ(page.LogMemo->LineCount(), before + shown) << c.line.toStdString();
        if (!shown)
            continue;
        EXPECT_EQ(page.LogMemo->Lines().last(), c.shown);
        EXPECT_EQ(page.LogMemo->LineLevel(before), c.level) << c.line.toStdString();
        mirrored += c.shown.toUtf8() + '\n';
    }
    EXPECT_EQ(ReadFile(Root() + "log.txt"), mirrored);
}

} // namespace
