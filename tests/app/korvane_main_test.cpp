#include "app/form_mpeg_audio.h"
#include "app/form_settings_general.h"
#include "app/form_settings_themes.h"
#include "app/korvane_main.h"
#include "app/program_main.h"
#include "components/text_progress_bar.h"
#include "components/waiting_bar.h"
#include "engine/commands_manager.h"
#include "foundation/global_events.h"
#include "foundation/program_globals.h"
#include "platform/themes.h"
#include "tests/support/program_world.h"
#include "tests/support/scripted_dialogs.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

using MainWindow = TempWorld;

TEST_F(MainWindow, RoutesEachConsoleLineByItsTagOrWordAndClampsTheProgressPosition)
{
    WarningPrefix = QStringLiteral("AVERTISSEMENT");
    ErrorPrefix = QStringLiteral("ERREUR");
    using K = TConsoleLineKind;
    const struct {
        const char* line;
        K kind;
        const char* text = nullptr; // when the line is not shown as it is
    } cases[] = {
        {"", K::Information},
        {"<log level=\"error\">bad</log>", K::TaggedLog},
        {"<brindlowprogress message=\"x\" position=\"5\"/>", K::Progress},
        {"<logbook>", K::Information},
        {"Done SUCCESSFULLY, no syntax error", K::Information},
        {"a Syntax Error here", K::Error},
        {"warning: clipped, WARNING again", K::Warning, "AVERTISSEMENT: clipped, WARNING again"},
        {"Error: no input", K::Error, "ERREUR: no input"},
        {"an ERROR inside", K::Information},
    };
    for (const auto& c : cases) {
        const TRoutedConsoleLine routed = RouteConsoleLine(QString::fromUtf8(c.line));
        EXPECT_EQ(routed.Kind, c.kind) << c.line;
        EXPECT_EQ(routed.Text, QString::fromUtf8(c.text ? c.text : c.line)) << c.line;
    }
    WarningPrefix = QStringLiteral("WARNING");
    ErrorPrefix = QStringLiteral("ERROR");

    const std::pair<const char*, int> positions[] = {
        {"<brindlowprogress position=\"42\">", 42}, {"<brindlowprogress position=\"150\">", 100},
        {"<brindlowprogress position=\"-3\">", 0},  {"<brindlowprogress position=\"abc\">", 0},
        {"<brindlowprogress message=\"m\">", 0},
    };
    for (const auto& [line, position] : positions)
        EXPECT_EQ(ProgressLinePosition(QString::fromLatin1(line)), position) << line;
}

class ProgramWindows : public ProgramWorld {
protected:
    // Starts and waits until the conversion page sits in the main window.
    TPageMpegAudio& StartWithPage()
    {
        Start();
        auto* page = Find<TPageMpegAudio>("PageMpegAudio");
        EXPECT_TRUE(QTest::qWaitFor([&] { return page->parentWidget() == Main().PanelMain; }));
        return *page;
    }
    // Picks a source on the page and clicks Convert.
    QString Convert(TPageMpegAudio& page, const char* fixture)
    {
        const QString source =
            WriteFile(QStringLiteral("music/") + fixture, ReadFile(SourceFolder() + "tests/data/" + fixture));
        Dialogs().QueueChoice(source);
        page.findChild<QPushButton*>("ButtonBrowseOneFile")->click();
        page.findChild<QPushButton*>("ButtonConvertCancel")->click();
        return source;
    }
    QStringList TempLeft() const { return QDir(Temp()).entryList({"Tmp*.tmp"}, QDir::Files); }
};

TEST_F(ProgramWindows, DoNotStartWithoutTheEncoder)
{
    QFile::remove(ProgramFolder() + "TooLame");
    EXPECT_FALSE(PrepareStart());
    EXPECT_TRUE(Dialogs().LastText().contains("toolame")) << Dialogs().LastText().toStdString();
}

TEST_F(ProgramWindows, TranslateLiveAndKeepTheSettingsAcrossARestart)
{
    TKorvaneForm& main = Start();
    QAction* french = nullptr;
    for (QAction* item : main.MenuLanguage->actions())
        if (item->text().startsWith(QString::fromUtf8("Français")))
            french = item;
    ASSERT_NE(french, nullptr);
    french->trigger();
    EXPECT_EQ(main.MenuExit->text(), "&Quitter");
    EXPECT_EQ(Find<TPageSettingsGeneral>("PageSettingsGeneral")->CheckBoxDeleteSourceFile->text(),
              QString::fromUtf8("Supprimer le fichier source une fois converti (si possible)"));
    EXPECT_EQ(WarningPrefix, "AVERTISSEMENT");
    main.MenuRememberPos->setChecked(false);
    Find<TPageSettingsGeneral>("PageSettingsGeneral")->CheckBoxDeleteSourceFile->setChecked(true);
    Find<TPageSettingsThemes>("PageSettingsThemes")
        ->ListBoxThemes->setCurrentRow(plat::ThemeNames().indexOf("Dark"));

    Restart();
    EXPECT_EQ(Main().CurrentLanguageName(), QString::fromUtf8("Français"));
    EXPECT_EQ(Main().MenuExit->text(), "&Quitter");
    EXPECT_FALSE(Main().MenuRememberPos->isChecked());
    EXPECT_TRUE(Find<TPageSettingsGeneral>("PageSettingsGeneral")->CheckBoxDeleteSourceFile->isChecked());
    EXPECT_EQ(plat::CurrentTheme(), "Dark");
    EXPECT_FALSE(Main().MenuExpertMode->isChecked()) << "expert mode always ends off";
}

TEST_F(ProgramWindows, ShowProgressDisableTheirControlsDuringABatchAndOpenTheMenusDialogs)
{
    TKorvaneForm& main = Start();
    FireWaitBegin(&main, "Encoding");
    EXPECT_TRUE(main.WaitingInBar->Waiting());
    GlobalEvents().OnCommandLog(&main, "<brindlowprogress message=\"*Half\" position=\"150\"/>");
    EXPECT_FALSE(main.WaitingInBar->Waiting());
    EXPECT_EQ(main.StatusPanels[3]->text(), " Half");
    EXPECT_EQ(main.RunProgressBar->Position(), 100);
    FireStatusText(&main, "anything", false);
    EXPECT_TRUE(main.StatusPanels[3]->text().isEmpty());

    auto* batchPage = Find<QWidget>("PageSettingsBatch");
    for (const bool enable : {false, true}) {
        FireEnableControls(&main, enable, "test");
        EXPECT_EQ(main.ButtonGoCancel->isEnabled(), enable);
        EXPECT_EQ(main.MenuSettings->isEnabled(), enable);
        EXPECT_EQ(batchPage->isEnabled(), enable);
        EXPECT_EQ(ControlsEnabled, enable);
    }

    const struct {
        QAction* item;
        const char *dialog, *page;
    } cases[] = {
        {main.MenuSettings, "DlgSettings", "PageSettingsGeneral"},
        {main.MenuAbout, "DlgAbout", "PageAbout"},
        {main.MenuCredits, "DlgCredits", "PageCredits"},
        {main.MenuHistory, "DlgHistory", "PageHistory"},
    };
    for (const auto& c : cases) {
        QString opened;
        QTimer::singleShot(0, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                opened = modal->objectName();
                EXPECT_TRUE(modal->isAncestorOf(Find<QWidget>(c.page))) << c.page;
                modal->close();
            }
        });
        c.item->trigger();
        EXPECT_EQ(opened, c.dialog);
    }
}

// The source needs decoding: a refused close and then a click on the page's button arrive while it
// decodes, and neither runs inside the step.
TEST_F(ProgramWindows, KeepDecodingWhenQuitIsRefusedCancelOnTheSecondClickAndThenConvert)
{
    TPageMpegAudio& page = StartWithPage();
    TKorvaneForm& main = Main();
    const QString source = Convert(page, "dec-48k.ogg");
    ASSERT_TRUE(main.CommandsManager()->IsRunning());
    EXPECT_FALSE(main.MenuSettings->isEnabled());
    Dialogs().QueueAnswer(plat::mrCancel);
    main.close();
    EXPECT_TRUE(main.isVisible());
    EXPECT_TRUE(main.CommandsManager()->IsRunning());
    page.findChild<QPushButton*>("ButtonConvertCancel")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !main.CommandsManager()->IsRunning(); }, 60000));
    EXPECT_TRUE(main.MenuSettings->isEnabled());
    EXPECT_TRUE(QDir(Root() + "music").entryList({"*.vcd.mpg"}).isEmpty());
    EXPECT_EQ(ReadFile(source), ReadFile(SourceFolder() + "tests/data/dec-48k.ogg"));
    EXPECT_EQ(TempLeft(), QStringList());

    Convert(page, "dec-source.wav");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !main.CommandsManager()->IsRunning(); }, 60000));
    EXPECT_EQ(QDir(Root() + "music").entryList({"*.vcd.mpg"}).size(), 1);
    EXPECT_EQ(main.ButtonGoCancel->text(), "Go");
    EXPECT_EQ(TempLeft(), QStringList());
}

TEST_F(ProgramWindows, CloseWhileConvertingOnlyOnceTheCancelledBatchHasEnded)
{
    TPageMpegAudio& page = StartWithPage();
    TKorvaneForm& main = Main();
    const QString slow = WriteFile("slow/toolame", "#!/bin/sh\nexec sleep 30\n");
    QFile::setPermissions(slow, QFile::ReadOwner | QFile::ExeOwner);
    TooLameFolder = Root() + "slow/";
    const QString source = Convert(page, "dec-source.wav");
    ASSERT_TRUE(QTest::qWaitFor([&] { return main.Running(); }));
    Dialogs().QueueAnswer(plat::mrOk);
    main.close();
    EXPECT_TRUE(Closing);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !main.isVisible(); }, 20000));
    EXPECT_FALSE(main.CommandsManager()->IsRunning());
    EXPECT_EQ(TempLeft(), QStringList());
    EXPECT_TRUE(QFile::exists(source));
    EXPECT_TRUE(QFile::exists(GlobalSettingsFileName())) << "the settings are saved on close";
}

} // namespace
