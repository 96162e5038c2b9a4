#include "app/form_credits.h"
#include "app/form_log.h"
#include "app/form_mpeg_audio.h"
#include "app/form_settings_general.h"
#include "app/form_settings_internet.h"
#include "app/form_settings_themes.h"
#include "app/info_dialog.h"
#include "app/korvane_main.h"
#include "app/program_main.h"
#include "components/adv_group_box.h"
#include "components/am_tr_bmp.h"
#include "components/credits.h"
#include "components/easysize.h"
#include "components/form_magnet.h"
#include "components/form_registry.h"
#include "components/nero_memo.h"
#include "components/text_progress_bar.h"
#include "components/themes.h"
#include "components/waiting_bar.h"
#include "engine/commands_manager.h"
#include "engine/run_journal.h"
#include "foundation/global_events.h"
#include "foundation/language.h"
#include "foundation/program_globals.h"
#include "foundation/settings.h"
#include "foundation/sound_item.h"
#include "foundation/sounds_manager.h"
#include "foundation/useful_files.h"
#include "platform/ini_file.h"
#include "platform/registry.h"
#include "tests/support/patience.h"
#include "tests/support/program_world.h"
#include "tests/support/qt_printers.h"
#include "tests/support/scripted_dialogs.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>

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
        EXPECT_TRUE(Reaches([&] { return page->parentWidget() == Main().PanelMain; },
                            "the conversion page in the main window"));
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

TEST_F(ProgramWindows, TheLogSaysWhatTheStartPutRightAfterARunThatWasKilled)
{
    const QString older = WriteFile("music/Song.vcd.mpg", "older");
    QProcess killed;
    killed.start(TestProgramsFolder() + "journal_probe", {"die", "output:" + older});
    ASSERT_TRUE(killed.waitForFinished(PatienceLeft())) << "the probe never died";
    const QStringList left =
        QDir(Root() + "music").entryList({".Song.vcd.mpg.*"}, QDir::Hidden | QDir::Files);
    ASSERT_EQ(left.size(), 1) << "the new data, under a name of the run's own";
    Start();
    EXPECT_EQ(ReadFile(older), "older");
    EXPECT_EQ(QDir(Root() + "music").entryList(QDir::Hidden | QDir::Files), QStringList("Song.vcd.mpg"));
    const TNeroMemo& log = *Find<TPageLog>("PageLog")->LogMemo;
    EXPECT_EQ(log.Lines(), QStringList("Deleted the temporary file \"" + Root() + "music/" + left[0] +
                                       "\" of a run that was stopped before its end"));
    EXPECT_EQ(log.LineLevel(0), llInformation);
    EXPECT_EQ(Main().StatusPanels[3]->text(),
              " The files that a run stopped before its end left are put right");
    EXPECT_EQ(QDir(RunJournalFolder()).entryList(QDir::Files), QStringList());
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
    QStringList menuKeys;
    for (const QAction* menu : main.menuBar()->actions())
        menuKeys << QKeySequence::mnemonic(menu->text()).toString();
    EXPECT_EQ(menuKeys.removeDuplicates(), 0) << menuKeys.join(' ').toStdString();
    EXPECT_EQ(Find<TPageMpegAudio>("PageMpegAudio")->findChild<QPushButton*>("ButtonPlay")->text(),
              "Lecture");
    EXPECT_TRUE(Find<TPageCredits>("PageCredits")->CreditsScrolling->Credits().contains("_Programmation"));
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"), "Voir dans :") << "Qt's own texts";
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

TEST_F(ProgramWindows, TheConversionPageMovesInAtTheFirstPaintOnceTheMessageLoopRuns)
{
    TKorvaneForm& main = Start(false);
    auto* page = Find<TPageMpegAudio>("PageMpegAudio");
    ASSERT_TRUE(FormShown);
    main.repaint();
    QCoreApplication::processEvents();
    EXPECT_NE(page->parentWidget(), main.PanelMain) << "not before the loop runs";
    AppRunning = true;
    QCoreApplication::processEvents();
    EXPECT_NE(page->parentWidget(), main.PanelMain) << "not before the window paints";
    main.update();
    ASSERT_TRUE(Reaches([&] { return page->parentWidget() == main.PanelMain; },
                        "the conversion page in the main window"));
    EXPECT_TRUE(page->isVisible());
}

// The designed minimum is 700 x 328 and the Go button 17 pixels high.
TEST_F(ProgramWindows, TheMainWindowTakesTheResizersRatioForItsMinimumSizeAndTheGoButton)
{
    TKorvaneForm& main = Start(false);
    // The layout may still owe the button its place: settle it before taking the geometry.
    main.PanelGoButton->layout()->activate();
    QCoreApplication::processEvents();
    const QRect goButton = main.ButtonGoCancel->geometry();
    main.FormResizer1->DoPostResize(main.FormResizer1, main.ButtonGoCancel, 1.0, 1.0);
    QCoreApplication::processEvents();
    EXPECT_EQ(main.minimumSize(), QSize(700, 328));
    EXPECT_EQ(main.ButtonGoCancel->geometry(), goButton) << "a ratio of 1 changes nothing";

    main.FormResizer1->DoPostResize(main.FormResizer1, main.ButtonGoCancel, 1.25, 1.25);
    main.PanelGoButton->layout()->activate();
    EXPECT_EQ(main.minimumSize(), QSize(875, 410));
    EXPECT_EQ(main.ButtonGoCancel->y(), 0);
    EXPECT_EQ(main.ButtonGoCancel->height(), 19) << "round(17 x 1.25) - 1, one less above 1";
}

TEST_F(ProgramWindows, TheMainWindowsMagnetSnapsAloneAndToTheWorkAreaFromTwentyPixels)
{
    const TFormMagnet& magnet = *Start(false).FormMagnet1;
    EXPECT_TRUE(magnet.Active());
    EXPECT_FALSE(magnet.Glue());
    EXPECT_FALSE(magnet.FormDragable);
    EXPECT_EQ(magnet.Power, 20);
    EXPECT_EQ(magnet.ScreenMagnet.Area, saWorkArea);
    EXPECT_EQ(magnet.ScreenMagnet.DesktopPower, 20);
}

TEST_F(ProgramWindows, TheEditActionsFollowTheFocusedEditorAndItsSelection)
{
    TPageMpegAudio& page = StartWithPage();
    TKorvaneForm& main = Main();
    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main, PatienceLeft())) << "the main window never became active";
    const auto focus = [](QWidget* widget) {
        widget->setFocus();
        return Reaches([widget] { return QApplication::focusWidget() == widget; },
                       "the focus on " + widget->objectName().toStdString());
    };
    // Cut, Copy, Paste and Select All, 1 when enabled.
    const auto enabled = [&main] {
        QString states;
        for (const QAction* item : {main.MenuCut, main.MenuCopy, main.MenuPaste, main.MenuSelectAll})
            states += item->isEnabled() ? u'1' : u'0';
        return states;
    };
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText("pasted");
    page.findChild<QRadioButton*>("RadioButtonOutputBrowse")->setChecked(true);
    auto* folder = page.findChild<QLineEdit*>("EditOutputFolder");
    folder->setText("/music/out/");
    ASSERT_TRUE(focus(folder));
    folder->deselect();
    EXPECT_EQ(enabled(), "0011") << "nothing selected";
    folder->setSelection(0, 6);
    EXPECT_EQ(enabled(), "1111");
    auto* editMenu = main.menuBar()->findChild<QMenu*>("MenuEdit");
    editMenu->popup(main.mapToGlobal(QPoint()));
    QTest::keyClick(editMenu, Qt::Key_Down);
    EXPECT_EQ(enabled(), "1111") << "the open menu acts on the editor behind it";
    editMenu->hide();
    main.MenuCut->trigger();
    EXPECT_EQ(clipboard->text(), "/music");
    EXPECT_EQ(enabled(), "0011");
    folder->clear();
    EXPECT_EQ(enabled(), "0010") << "nothing to select";
    clipboard->clear();
    EXPECT_EQ(enabled(), "0000");

    auto* source = page.findChild<QLineEdit*>("EditOneAudioFile");
    source->setText("/music/a.wav");
    ASSERT_TRUE(focus(source));
    source->selectAll();
    clipboard->setText("pasted");
    EXPECT_EQ(enabled(), "0101") << "a read-only editor only copies";
    ASSERT_TRUE(focus(page.findChild<QRadioButton*>("RadioButtonOutputSame")));
    EXPECT_EQ(enabled(), "0000");
}

// Their buttons come from their translation lists, at the start and when the language changes.
TEST_F(ProgramWindows, TheDialogsHostingPagesSpeakTheStoredLanguageAndFollowItsChanges)
{
    QFile::remove(ProgramFolder() + "Lng");
    WriteFile(ProgramFolder() + "Lng/korvane_tt.lng",
              "[Language]\nLanguage=Testish\nLanguageExt=tt\nLanguageVersion=2.0.0\n\n[Translations]\n"
              "SettingsButtonOk=S-Ok\nHistoryButtonOk=H-Ok\nCreditsButtonOk=C-Ok\n");
    WriteFile(GlobalSettingsFileName(), "[Korvane]\nLanguage=Testish\n");
    const auto captions = [] {
        return Control<QPushButton>("SettingsButtonOk")->text() + " " +
               Control<QPushButton>("HistoryButtonOk")->text() + " " +
               Control<QPushButton>("CreditsButtonOk")->text();
    };
    TKorvaneForm& main = Start();
    ASSERT_EQ(main.CurrentLanguageName(), "Testish");
    EXPECT_EQ(captions(), "S-Ok H-Ok C-Ok");
    main.SelectLanguage("English");
    EXPECT_EQ(captions(), "Ok Ok Ok");
}

TEST_F(ProgramWindows, TheSettingsGroupsAreEtchedTheAboutLogoTransparentAndTheNewVersionWindowOne)
{
    Start();
    const std::pair<const char*, const char*> groups[] = {
        {"LabelTempFolder", " Temp folder "},
        {"LabelDestinationExists", " If Destination file exists... "},
        {"LabelMiscellaneous", " Miscellaneous "},
        {"LabelOnBatchError", "On error..."},
        {"LabelMiscellaneousForBatch", " Miscellaneous "},
        {"LabelLogDisplaySettings", " Information Display "},
        {"LabelLogSavingSettings", " Log Saving "},
        {"GroupBoxTemporaryFiles", " Temporary Files "},
        {"GroupBoxMiscellaneous", " Miscellaneous "},
        {"LabelProxyTitle", " Proxy "},
        {"LabelCheck", " Check for new version "},
    };
    for (const auto& [name, caption] : groups) {
        if (const auto* group = Control<TAdvGroupBox>(name)) {
            EXPECT_EQ(group->Caption(), caption) << name;
        }
    }
    const auto* logo = Control<TAMTrBmp>("ImageBrindlow");
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(logo->Picture().size(), logo->size()) << "the logo fills its control";
    // The page shows its results in the one window the program start made.
    EXPECT_EQ(Control<TInfoDlg>("InfoDlg"), Find<TPageSettingsInternet>("PageSettingsInternet")->InfoDlg());
}

TEST_F(ProgramWindows, ShowProgressDisableTheirControlsDuringABatchAndOpenTheMenusDialogs)
{
    TKorvaneForm& main = Start();
    FireWaitBegin(&main, "Encoding");
    EXPECT_TRUE(main.WaitingInBar->Waiting());
    EXPECT_FALSE(main.RunProgressBar->ShowPosText()) << "the full bar of a wait shows no percentage";
    GlobalEvents().OnCommandLog(&main, "<brindlowprogress message=\"*Half\" position=\"150\"/>");
    EXPECT_FALSE(main.WaitingInBar->Waiting());
    EXPECT_EQ(main.StatusPanels[3]->text(), " Half");
    EXPECT_EQ(main.RunProgressBar->Position(), 100);
    EXPECT_TRUE(main.RunProgressBar->ShowPosText());
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
    QCoreApplication::processEvents();
    const auto* field = page.findChild<QLineEdit*>("EditOneAudioFile");
    EXPECT_GE(field->height(), field->minimumSizeHint().height()) << "the progress panel squeezes nothing";
    Dialogs().QueueAnswer(plat::mrCancel);
    main.close();
    EXPECT_TRUE(main.isVisible());
    EXPECT_TRUE(main.CommandsManager()->IsRunning());
    page.findChild<QPushButton*>("ButtonConvertCancel")->click();
    ASSERT_TRUE(Reaches([&] { return !main.CommandsManager()->IsRunning(); }, "the batch's end"));
    EXPECT_TRUE(main.MenuSettings->isEnabled());
    EXPECT_TRUE(QDir(Root() + "music").entryList({"*.vcd.mpg"}).isEmpty());
    EXPECT_EQ(ReadFile(source), ReadFile(SourceFolder() + "tests/data/dec-48k.ogg"));
    EXPECT_EQ(TempLeft(), QStringList());

    Convert(page, "dec-source.wav");
    ASSERT_TRUE(Reaches([&] { return !main.CommandsManager()->IsRunning(); }, "the batch's end"));
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
    ASSERT_TRUE(Reaches([&] { return main.Running(); }, "the batch's start"));
    Dialogs().QueueAnswer(plat::mrOk);
    main.close();
    EXPECT_TRUE(Closing);
    ASSERT_TRUE(Reaches([&] { return !main.isVisible(); }, "the window's close after the cancelled batch"));
    EXPECT_FALSE(main.CommandsManager()->IsRunning());
    EXPECT_EQ(TempLeft(), QStringList());
    EXPECT_TRUE(QFile::exists(source));
    EXPECT_TRUE(QFile::exists(GlobalSettingsFileName())) << "the settings are saved on close";
}

// What a fresh start leaves in the settings file: every item of the store with its default.
TEST_F(ProgramWindows, AFreshStartAndCloseWriteEveryItemOfTheStoreWithItsDefault)
{
    ASSERT_TRUE(InitializeUnits());
    Start();
    Main().close();
    const plat::IniText ini = *plat::IniText::Load(GlobalSettingsFileName());
    const QString sounds = ProgramFolder() + "Sounds/";
    const std::pair<const char*, QString> items[] = {
        {"Log", "Normal"},
        {"LogWarnings", "1"},
        {"SaveLog", "0"},
        {"SaveLogFilename", ""},
        {"PerformComplianceChecks", "0"},
        {"Language", "English"},
        {"Proxy", ""},
        {"ProxyPort", "80"},
        {"AlwaysOnTop", "0"},
        {"RememberSizePosition", "1"},
        {"LastOutputFolder", ""},
        {"LastInputFolder", ""},
        {"ExpertMode", "0"},
        {"SoundsEnabled", "1"},
        {"ShowMruPath", "0"},
        {"NoToolbar", "0"},
        {"LastTempFolder", Temp()},
        {"AddFormatToFilename", "1"},
        {"DeleteSourceFile", "0"},
        {"GenerateNewFilename", "1"},
        {"GenerateError", "0"},
        {"OverwriteFile", "0"},
        {"Themes", "Default"},
        {"XpStyles", "1"},
        {"DoNotShowNoPersonalDataAgain", "0"},
        {"DoNotShowNoTooLameAgain", "0"},
        {"DoNotShowNoMplexAgain", "0"},
        {"DoNotShowBadMplexAgain", "0"},
        {"DoNotShowTooSmallDesktopAgain", "0"},
        {"DoNotShowBadTooLameAgain", "0"},
        {"AudioOutFolder", ""},
        {"AudioOutFolderSameAsSource", "1"},
        {"Volume", "20"},
        {"EncodingType", "MPEG-1 Audio Layer II"},
        {"Mp2EncodingBitRate", "224"},
        {"Mp2EncodingChannelsMode", "Stereo"},
        {"ErrorProtection", "1"},
        {"OriginalFlag", "0"},
        {"CopyrightFlag", "0"},
        {"WavEncodingChannelsMode", "Stereo"},
        {"WavEncodingBitsPerSample", "16"},
        {"WavEncodingMode", "Raw PCM"},
        {"WavEncodingSamplingFrequency", "44100"},
        {"RemoveFilesDone", "0"},
        {"ScanSubfolders", "1"},
        {"StopBatchOnError", "0"},
        {"AskOnError", "0"},
        {"ContinueOnError", "1"},
    };
    for (const auto& [key, value] : items) {
        EXPECT_TRUE(ini.ValueExists("Korvane", key)) << key;
        EXPECT_EQ(ini.ReadString("Korvane", key, "?"), value) << key;
    }
    EXPECT_EQ(ini.ReadString("Korvane", "SndFailureFile", ""), sounds + "failure.wav");
    EXPECT_EQ(ini.ReadString("Korvane", "SndFailureUseIt", ""), "1");
    EXPECT_FALSE(ini.SectionExists("Application"));
    const auto key = plat::RegistryKey::Open(
        plat::RegistryRoot::CurrentUser,
        Main().GuiSettings()->BaseKey() + "\\" + Main().GuiSettings()->ApplicationKey(), false);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->ReadDword("PerformCheck"), 1u);
    EXPECT_EQ(key->ReadDword("Useful"), 0u);
}

// Every setting a user can change, set through its control to a value other than its default.
TEST_F(ProgramWindows, EverySettingOfEveryPageAndPreferenceComesBackAfterARestart)
{
    ASSERT_TRUE(InitializeUnits());
    StartWithPage();
    const QString out = WriteFile("out/keep", "").section('/', 0, -2) + "/";
    const QString temp = WriteFile("work/keep", "").section('/', 0, -2) + "/";
    const QString source = WriteFile("music/a.wav", ReadFile(SourceFolder() + "tests/data/dec-source.wav"));
    const QString log = Root() + "logs/korvane.txt";
    QDir().mkpath(Root() + "logs");
    const auto combo = [](const char* name) { return Control<QComboBox>(name); };
    const auto check = [](const char* name) { return Control<QAbstractButton>(name); };
    const auto edit = [](const char* name) { return Control<QLineEdit>(name); };
    const auto click = [this](QAbstractButton* button, const QString& choice) {
        Dialogs().QueueChoice(choice);
        button->click();
    };

    struct Setting {
        std::function<void()> set;
        std::function<QString()> shown;
        QString expected;
    };
    const std::vector<Setting> settings = {
        {[&] {
             check("RadioButtonOutputBrowse")->setChecked(true);
             click(check("ButtonBrowseOutputFolder"), out);
         },
         [&] {
             return QString("%1 ").arg(check("RadioButtonOutputSame")->isChecked()) +
                    edit("EditOutputFolder")->text() + " " + DefaultOutputFolder;
         },
         "0 " + out + " " + out},
        {[&] { Control<QSlider>("VolumeSlider")->setValue(55); },
         [&] { return QString::number(Control<QSlider>("VolumeSlider")->value()); }, "55"},
        {[&] { combo("ComboBoxAudioFormatOutput")->setCurrentIndex(1); },
         [&] { return combo("ComboBoxAudioFormatOutput")->currentText(); }, "WAV"},
        {[&] { combo("ChannelsModeComboBox")->setCurrentText("Joint Stereo"); },
         // The line's own value: the language chosen below shows it in French.
         [&] { return combo("ChannelsModeComboBox")->currentData().toString(); }, "Joint Stereo"},
        {[&] { combo("BitRateComboBox")->setCurrentText("192"); },
         [&] { return combo("BitRateComboBox")->currentText(); }, "192"},
        {[&] { check("ErrorProtectionCheckBox")->click(); },
         [&] { return QString::number(check("ErrorProtectionCheckBox")->isChecked()); }, "0"},
        {[&] { check("OriginalFlagCheckBox")->click(); },
         [&] { return QString::number(check("OriginalFlagCheckBox")->isChecked()); }, "1"},
        {[&] { check("CopyrightFlagCheckBox")->click(); },
         [&] { return QString::number(check("CopyrightFlagCheckBox")->isChecked()); }, "1"},
        {[&] {
             combo("WavSamplingFrequencyComboBox")->setCurrentText("22050");
             combo("WavChannelsModeComboBox")->setCurrentText("Mono");
             combo("WavBitsPerSampleComboBox")->setCurrentText("8");
         },
         [&] {
             return combo("WavSamplingFrequencyComboBox")->currentText() + " " +
                    combo("WavChannelsModeComboBox")->currentData().toString() + " " +
                    combo("WavBitsPerSampleComboBox")->currentText();
         },
         "22050 Mono 8"},
        {[&] { click(check("ButtonBrowseTempFolder"), temp); },
         [&] { return edit("EditTempFolder")->text(); }, temp},
        {[&] {
             check("CheckBoxAddFormatToFilename")->click();
             check("CheckBoxDeleteSourceFile")->click();
             check("RadioButtonOverwriteFile")->click();
             check("RadioButtonStopBatchOnError")->click();
             check("CheckBoxScanSubfolders")->click();
             check("CheckboxRemoveFilesDone")->click();
             check("RadioButtonVerbose")->click();
             check("CheckBoxShowWarnings")->click();
             check("CheckBoxStylesXP")->click();
         },
         [&] {
             QString states;
             for (const char* name :
                  {"CheckBoxAddFormatToFilename", "CheckBoxDeleteSourceFile", "RadioButtonOverwriteFile",
                   "RadioButtonStopBatchOnError", "CheckBoxScanSubfolders", "CheckboxRemoveFilesDone",
                   "RadioButtonVerbose", "CheckBoxShowWarnings", "CheckBoxStylesXP"})
                 states += QString::number(check(name)->isChecked());
             return states;
         },
         "011101100"},
        {[&] { click(check("ButtonBrowseLogFile"), log); },
         [&] { return edit("EditSaveLogFilename")->text(); }, log},
        {[&] { check("CheckBoxSaveLog")->click(); },
         [&] { return QString::number(check("CheckBoxSaveLog")->isChecked()); }, "1"},
        {[&] {
             edit("EditProxy")->setText("proxy.example");
             edit("NumEditProxyPort")->setText("8080");
         },
         [&] { return edit("EditProxy")->text() + ":" + edit("NumEditProxyPort")->text(); },
         "proxy.example:8080"},
        {[&] { Control<QListWidget>("ListBoxThemes")->setCurrentRow(plat::ThemeNames().indexOf("Dark")); },
         [] { return plat::CurrentTheme(); }, "Dark"},
        {[&] {
             auto* sounds = Control<QTreeWidget>("SoundsVisualList");
             sounds->setCurrentItem(sounds->topLevelItem(0));
             check("ButtonClearSound")->click();
             check("CheckBoxEnableSounds")->click();
         },
         [&] {
             return QString::number(check("CheckBoxEnableSounds")->isChecked()) + " " +
                    GetSoundsList().front()->FileName();
         },
         "0 "},
        {[&] {
             Main().MenuAlwaysOnTop->trigger();
             Main().MenuRememberPos->trigger();
             Main().SelectLanguage(QString::fromUtf8("Français"));
         },
         [&] {
             return QString("%1 %2 ")
                        .arg(Main().MenuAlwaysOnTop->isChecked())
                        .arg(Main().MenuRememberPos->isChecked()) +
                    Main().CurrentLanguageName();
         },
         QString::fromUtf8("1 0 Français")},
    };
    click(check("ButtonBrowseOneFile"), source);
    for (const Setting& setting : settings)
        setting.set();
    for (const Setting& setting : settings)
        EXPECT_EQ(setting.shown().toStdString(), setting.expected.toStdString()) << "before the restart";
    const QString inputFolder = DefaultInputFolder;
    EXPECT_EQ(inputFolder.toStdString(), (Root() + "music/").toStdString());

    Restart();
    for (const Setting& setting : settings)
        EXPECT_EQ(setting.shown().toStdString(), setting.expected.toStdString());
    EXPECT_EQ(DefaultInputFolder.toStdString(), inputFolder.toStdString());
    EXPECT_EQ(Dialogs().Messages().size(), 0) << Dialogs().LastText().toStdString();
}

TEST_F(ProgramWindows, ATickedDoNotShowAgainBoxStaysTickedAfterARestart)
{
    ASSERT_TRUE(InitializeUnits());
    QFile::remove(ProgramFolder() + "Mplex");
    Dialogs().QueueAnswer(plat::mrOk, true);
    Start();
    ASSERT_EQ(Dialogs().Messages().size(), 1);
    EXPECT_TRUE(Dialogs().LastText().contains("mplex")) << Dialogs().LastText().toStdString();
    Restart();
    EXPECT_EQ(Dialogs().Messages().size(), 1) << "the warning is not shown again";
    EXPECT_TRUE(StartupFlags.DoNotShowNoMplexAgain);
}

} // namespace
