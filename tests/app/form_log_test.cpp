#include "app/form_log.h"
#include "app/form_settings_log.h"
#include "components/nero_memo.h"
#include "foundation/log_procedures.h"
#include "tests/support/qt_printers.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_world.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

using LogPage = TempWorld;

TEST_F(LogPage, TaggedLinesShowAtTheirLevelAsTheLogSettingsPageSays)
{
    TPageLog page;
    TPageSettingsLog settings;
    const QString mirror = Root() + "log.txt";
    Dialogs().QueueChoice(mirror);
    settings.ButtonBrowseLogFile->click();
    settings.CheckBoxSaveLog->click();

    struct Case {
        QString line;
        bool verbose, warnings;
        QString shown; // "-" when the line is dropped
        int level;
    };
    const Case cases[] = {
        {R"(<log level="information"> Encoding </log>)", false, false, "Encoding", llInformation},
        {R"(<log level="Warning">low rate</log>)", false, true, "low rate", llWarning},
        {R"(<log level="warning">low rate</log>)", true, false, "-", 0},
        {R"(<log level="debug">frame 12</log>)", false, true, "-", 0},
        {R"(<log level="DEBUG">frame 12</log>)", true, false, "frame 12", llDebug},
        {R"(<log level="error"></log>)", false, false, "", llError},
        {R"(<log level="unknown">odd</log>)", false, false, "odd", llUnknown},
        {R"(<log level="assertion">broken</log>)", false, false, "broken", llAssertion},
        {R"(<log level="notice">as is</log>)", false, false, R"(<log level="notice">as is</log>)", llNone},
        {R"(<log>no level</log>)", false, false, "<log>no level</log>", llNone},
    };
    QByteArray mirrored;
    for (const Case& c : cases) {
        (c.verbose ? settings.RadioButtonVerbose : settings.RadioButtonNormal)->setChecked(true);
        settings.CheckBoxShowWarnings->setChecked(c.warnings);
        const int before = page.LogMemo->LineCount();
        page.AddTaggedLogLine(c.line);
        if (c.shown == "-") {
            EXPECT_EQ(page.LogMemo->LineCount(), before) << c.line.toStdString();
            continue;
        }
        ASSERT_EQ(page.LogMemo->LineCount(), before + 1) << c.line.toStdString();
        EXPECT_EQ(page.LogMemo->Lines().last(), c.shown);
        EXPECT_EQ(page.LogMemo->LineLevel(before), c.level) << c.line.toStdString();
        mirrored += c.shown.toUtf8() + '\n';
    }
    EXPECT_EQ(ReadFile(mirror), mirrored);
}

TEST_F(LogPage, ReceivesTheProgramsLogUntilItIsGone)
{
    {
        TPageLog page;
        LogWarning("disk almost full");
        EXPECT_EQ(page.LogMemo->Lines(), QStringList{"disk almost full"});
        EXPECT_EQ(CommandLineMemo(), page.MemoCommandLine);
        EXPECT_TRUE(page.CommandLinePanel->isHidden());
    }
    LogError("nobody listens");
    EXPECT_EQ(LogTarget(), nullptr);
}

} // namespace
