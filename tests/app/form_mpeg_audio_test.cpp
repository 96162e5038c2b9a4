#include "app/audio_mp2_settings_dialog.h"
#include "app/form_mpeg_audio.h"
#include "app/form_settings_batch.h"
#include "app/form_settings_general.h"
#include "app/korvane_main.h"
#include "audio/preview_player.h"
#include "components/audio_files_list_view.h"
#include "components/themes.h"
#include "engine/commands_manager.h"
#include "foundation/brindlow_sounds.h"
#include "foundation/file_tools.h"
#include "foundation/global_events.h"
#include "foundation/program_globals.h"
#include "foundation/settings.h"
#include "foundation/sounds_manager.h"
#include "tests/support/child_tool.h"
#include "tests/support/fake_audio_output.h"
#include "tests/support/irregular_sources.h"
#include "tests/support/patience.h"
#include "tests/support/qt_printers.h"
#include "tests/support/recording_sound_player.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_world.h"
#include "tests/support/wav_image.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>

#include <cstdio>

namespace {

// The conversion page with the program's queue, the built encoder and multiplexer, and the end-of-batch
// sound recorded.
class ConversionPage : public TempWorld {
protected:
    void SetUp() override
    {
        TempWorld::SetUp();
        TooLameFolder = BuiltFolder("TooLame");
        MplexFolder = BuiltFolder("Mplex");
        TooLameFound = MplexFound = true;
        GlobalEvents().CommandsManager = &queue;
        GlobalEvents().OnCommandLog = [this](QObject*, QString line) { log << line; };
        auto player = std::make_unique<RecordingSoundPlayer>();
        player_ = player.get();
        plat::InstallSoundPlayer(std::move(player));
        SetSoundsEnabled(true);
        InitSoundEvents();
        endSound = MakeWavImage(8000, 1, 16, RampSamples(100, 7));
        WriteFile(GetSoundFolder() + "done.wav", endSound);
        ReloadSounds();
        page = std::make_unique<TPageMpegAudio>();
        page->Translate();
        page->SettingsLoaded();
    }
    void TearDown() override
    {
        page.reset();
        queue.Reset();
        GlobalEvents() = {};
        InitSoundEvents();
        plat::InstallSoundPlayer(nullptr);
        TooLameFolder = MplexFolder = QString();
        TooLameFound = MplexFound = false;
        TempWorld::TearDown();
    }

    template <typename Widget> Widget* Control(const char* name) const
    {
        auto* widget = page->findChild<Widget*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QString Source(const QString& name, const char* fixture = "dec-source.wav") const
    {
        return WriteFile("music/" + name, ReadFile(SourceFolder() + "tests/data/" + fixture));
    }
    void Browse(const QString& file)
    {
        Dialogs().QueueChoice(file);
        Control<QPushButton>("ButtonBrowseOneFile")->click();
    }
    // Clicks Convert and waits for the end of the batch.
    void Convert()
    {
        Control<QPushButton>("ButtonConvertCancel")->click();
        ASSERT_TRUE(Reaches([this] { return !queue.IsRunning(); }, "the batch's end"));
    }
    QStringList TempLeft() const
    {
        return QDir(Temp()).entryList({"Tmp*.tmp"}, QDir::Files | QDir::CaseSensitive);
    }
    TAudioFilesListView* List() const { return Control<TAudioFilesListView>("AudioFilesListView"); }
    std::vector<std::shared_ptr<TAudioFile>> Files() const { return List()->GetAudioFiles(); }
    // The batch settings page with its on-error choice.
    void OnError(const char* choice)
    {
        if (!batchPage)
            batchPage = std::make_unique<TPageSettingsBatch>();
        for (QRadioButton* radio : {batchPage->RadioButtonStopBatchOnError, batchPage->RadioButtonAskOnError,
                                    batchPage->RadioButtonContinueOnError})
            if (radio->objectName().contains(choice))
                radio->setChecked(true);
    }
    QString ScriptTool(const QString& name, const QString& body) const
    {
        const QString script = WriteFile("tools/" + name, ("#!/bin/sh\n" + body + "\n").toUtf8());
        QFile::setPermissions(script, QFile::ReadOwner | QFile::ExeOwner);
        return Root() + "tools/";
    }

    TCommandsManager queue{nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
    std::unique_ptr<TPageMpegAudio> page;
    std::unique_ptr<TPageSettingsBatch> batchPage;
    RecordingSoundPlayer* player_ = nullptr;
    QByteArray endSound;
    QStringList log;
};

TEST_F(ConversionPage, ConvertsTheChosenFileToAVideoCdFileAndToAWav)
{
    const struct {
        const char *format, *fixture;
        QString output;
    } cases[] = {
        {"MPEG-1 Audio Layer II", "dec-tone.mp3", "Song - mp2 224 kbps Stereo.vcd.mpg"},
        {"WAV", "dec-tone.ogg", "Song - WAV (Raw PCM) 16bits 44100 Hz Stereo.wav"},
    };
    const QString usersFile = WriteFile(Temp() + "tmp.tmp", "keep me");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        const QString source = Source(QString("Song.") + QString(c.fixture).section('.', -1), c.fixture);
        Browse(source);
        Control<QComboBox>("ComboBoxAudioFormatOutput")->setCurrentText(c.format);
        player_->Clear();
        const int messages = Dialogs().Messages().size();
        Convert();

        EXPECT_TRUE(QFileInfo(Root() + "music/" + c.output).size() > 0) << log.join('\n').toStdString();
        EXPECT_EQ(ReadFile(source), ReadFile(SourceFolder() + "tests/data/" + c.fixture));
        EXPECT_EQ(TempLeft(), QStringList());
        ASSERT_EQ(Files().size(), 1u);
        EXPECT_EQ(Files()[0]->GetStatus(), afsConverted);
        EXPECT_EQ(Dialogs().Messages().size(), messages + 1);
        EXPECT_EQ(Dialogs().LastText(), "\rAudio file creation succeeded      \r");
        EXPECT_EQ(player_->Played(), QList<QByteArray>{endSound});
    }
    EXPECT_EQ(ReadFile(usersFile), "keep me") << "the temporary folder's probe never meets a user's file";

    // A temporary folder in the memory file system below the devices' folder serves as any other (a root
    // of the test's own stands for the machine's).
    SetSystemFoldersRoot(Root() + "machine/");
    const QString memory = Root() + "machine/dev/shm/x/";
    QDir().mkpath(memory);
    qputenv("TMPDIR", memory.toUtf8());
    Control<QComboBox>("ComboBoxAudioFormatOutput")->setCurrentText("MPEG-1 Audio Layer II");
    Browse(Source("Memory.mp3", "dec-tone.mp3"));
    Convert();
    EXPECT_EQ(Files()[0]->GetStatus(), afsConverted) << log.join('\n').toStdString();
    EXPECT_TRUE(QFileInfo(Root() + "music/Memory - mp2 224 kbps Stereo.vcd.mpg").size() > 0);
    EXPECT_EQ(QDir(memory).entryList(QDir::Files | QDir::Hidden), QStringList());
}

TEST_F(ConversionPage, TheStatusTheFileRowsAndTheOutputFolderTakeTheirColoursFromTheThemeInUse)
{
    Browse(Source("Song.wav"));
    Convert();
    const QLabel* status = Control<QLabel>("LabelConversionStatus");
    EXPECT_EQ(status->palette().color(QPalette::WindowText), QColor(Qt::blue));
    for (const QString& theme : plat::ThemeNames()) {
        plat::UseTheme(theme);
        QCoreApplication::processEvents();
        const QPalette colours = page->palette();
        const int text = qGray(status->palette().color(QPalette::WindowText).rgb());
        EXPECT_GT(std::abs(text - qGray(colours.color(QPalette::Window).rgb())), 90) << theme.toStdString();
        EXPECT_EQ(Control<QLineEdit>("EditOutputFolder")->palette().color(QPalette::Base),
                  colours.color(QPalette::Button))
            << theme.toStdString();
        EXPECT_EQ(List()->ItemOf(*Files().at(0))->foreground(TAudioFilesListView::InformationColumn).color(),
                  plat::ReadableOn(Qt::blue, colours.color(QPalette::Base)))
            << theme.toStdString();
    }
    plat::UseTheme(plat::DefaultThemeName);
}

TEST_F(ConversionPage, AFailingStepFollowsTheOnErrorChoice)
{
    // The multiplexer fails for one file only.
    MplexFolder =
        ScriptTool("mplex", "case \"$*\" in *Bad*) echo '**ERROR: cannot multiplex'; exit 1;; esac\n"
                            "exec '" +
                                BuiltProgramFolder() + "Mplex/mplex' \"$@\"");
    const struct {
        const char* choice;
        std::vector<int> answers; // to the boxes before the summary
        int boxes;
        QString summary;
    } cases[] = {
        {"Continue", {}, 0, "   Succeeded: 2      \r   Failed: 1      \r"},
        {"Stop", {}, 0, "   Succeeded: 1      \r   Failed: 1      \r   Skipped: 1      \r"},
        {"Ask",
         {plat::mrOk, plat::mrNo},
         2,
         "   Succeeded: 1      \r   Failed: 1      \r   Skipped: 1      \r"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.choice);
        OnError(c.choice);
        QDir(Root() + "music").removeRecursively();
        List()->ClearFiles();
        List()->AddFiles({Source("A.wav"), Source("Bad.wav"), Source("C.wav")});
        ASSERT_EQ(Files().size(), 3u);
        for (int answer : c.answers)
            Dialogs().QueueAnswer(answer);
        const int messages = Dialogs().Messages().size();
        Convert();

        ASSERT_EQ(Dialogs().Messages().size(), messages + c.boxes + 1);
        if (c.boxes) {
            EXPECT_EQ(Dialogs().Messages()[messages + 1].Text, "Do you want to continue ?       ");
        }
        EXPECT_EQ(Dialogs().LastText(),
                  "Audio files creation finished\r\rNumber of files: 3      \r" + c.summary);
        EXPECT_EQ(Files()[1]->GetStatus(), afsError);
        EXPECT_TRUE(page->ResultLines()[1].startsWith("[ERROR]   \t" + Root() + "music/Bad.wav  -  "));
        EXPECT_EQ(TempLeft(), QStringList());
    }
}

TEST_F(ConversionPage, CancelEndsTheRunningProgramAndLeavesNoTemporaryFile)
{
    TooLameFolder = ScriptTool("toolame", "exec '" + ChildToolPath() + "' out '[1]\\n' pid forever");
    const QString source = Source("Song.wav");
    Browse(source);
    auto* button = Control<QPushButton>("ButtonConvertCancel");
    button->click();
    ASSERT_TRUE(Reaches([this] { return !log.filter("pid ").isEmpty(); }, "the encoder's start"));
    const pid_t pid = log.filter("pid ").first().section(' ', 1, 1).toInt();
    button->click();
    button->click();
    ASSERT_TRUE(Reaches([this] { return !queue.IsRunning(); }, "the batch's end"));

    EXPECT_FALSE(IsProcessAlive(pid));
    EXPECT_EQ(Files()[0]->GetStatus(), afsCancelled);
    EXPECT_EQ(Dialogs().LastText(), "\rAudio file creation skipped      \r");
    EXPECT_EQ(TempLeft(), QStringList());
    EXPECT_EQ(ReadFile(source), ReadFile(SourceFolder() + "tests/data/dec-source.wav"));
    EXPECT_EQ(QDir(Root() + "music").entryList(QDir::Files), QStringList{"Song.wav"});
}

TEST_F(ConversionPage, ABatchThatCannotBeBuiltRunsNothingAndSaysWhy)
{
    int finished = 0;
    GlobalEvents().OnCommandsFinished = [&finished](QObject*) { ++finished; };
    const QString gone = Source("Gone.wav");
    List()->AddFiles({Source("A.wav"), gone});
    QFile::remove(gone);
    Convert();
    EXPECT_EQ(Dialogs().LastText(), "\rUnable to find the audio source file \"" + gone + "\"");
    EXPECT_TRUE(queue.IsEmpty()) << "nothing is left to run with the next batch";
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(TempLeft(), QStringList());
    EXPECT_EQ(QDir(Root() + "music").entryList(QDir::Files), QStringList{"A.wav"});

    // A mistyped output folder: nothing is written, next to the sources or anywhere else.
    List()->ClearFiles();
    List()->AddFiles({Source("A.wav")});
    Control<QRadioButton>("RadioButtonOutputBrowse")->setChecked(true);
    const QString typed = " " + Root() + "Musik ";
    Control<QLineEdit>("EditOutputFolder")->setText(typed);
    Convert();
    EXPECT_EQ(Dialogs().LastText(), "\rAn output folder is required:\r\r  " + typed.trimmed());
    EXPECT_TRUE(queue.IsEmpty());
    EXPECT_EQ(finished, 2);
    EXPECT_EQ(Control<QLineEdit>("EditOutputFolder")->text(), typed) << "the user mends what was typed";
    EXPECT_TRUE(Control<QRadioButton>("RadioButtonOutputBrowse")->isChecked());
    EXPECT_EQ(QDir(Root() + "music").entryList(QDir::Files), QStringList{"A.wav"});

    // Outputs beside a source whose folder takes no file: refused before the work, not after it.
    const QString locked = Root() + "locked/";
    const QString beside = WriteFile("locked/B.wav", ReadFile(Source("A.wav")));
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
    List()->ClearFiles();
    List()->AddFiles({beside});
    Control<QRadioButton>("RadioButtonOutputSame")->setChecked(true);
    Convert();
    EXPECT_EQ(Dialogs().LastText(),
              "\rUnable to write in the output folder:\r\r  " + locked + "\r\rPermission denied");
    EXPECT_TRUE(queue.IsEmpty());
    EXPECT_EQ(finished, 3);
    EXPECT_EQ(TempLeft(), QStringList());
    EXPECT_EQ(QDir(locked).entryList(QDir::Files | QDir::Hidden), QStringList{"B.wav"});

    // A bare name, taken from the current folder, gives no folder to put the output in.
    const QString current = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(Root() + "music"));
    page->RunConversions({"A.wav"}, {}, false);
    QDir::setCurrent(current);
    EXPECT_EQ(Dialogs().LastText(), "\rAn output folder is required");
    EXPECT_TRUE(queue.IsEmpty());
    EXPECT_EQ(finished, 4);

    // A folder typed without its full path would be taken from the working folder, which the user never
    // sees: it is refused as a missing one, even where the working folder holds it.
    QDir().mkpath(Root() + "out");
    ASSERT_TRUE(QDir::setCurrent(Root()));
    List()->ClearFiles();
    List()->AddFiles({Source("A.wav")});
    Control<QRadioButton>("RadioButtonOutputBrowse")->setChecked(true);
    Control<QLineEdit>("EditOutputFolder")->setText("out");
    Convert();
    QDir::setCurrent(current);
    EXPECT_EQ(Dialogs().LastText(), "\rAn output folder is required:\r\r  out");
    EXPECT_TRUE(queue.IsEmpty());
    EXPECT_EQ(finished, 5);
    EXPECT_EQ(QDir(Root() + "out").entryList(QDir::Files | QDir::Hidden), QStringList());

    // A temporary folder that takes no file, or a system folder the encoder would refuse after the
    // decoding, is refused before any work, named, with the reason (a root of the test's own stands for
    // the machine's).
    Control<QRadioButton>("RadioButtonOutputSame")->setChecked(true);
    const QString readOnlyTemp = Root() + "read-only tmp/";
    QDir().mkpath(readOnlyTemp);
    QFile::setPermissions(readOnlyTemp, QFile::ReadOwner | QFile::ExeOwner);
    SetSystemFoldersRoot(Root() + "machine/");
    const QString devices = Root() + "machine/dev/x/";
    QDir().mkpath(devices);
    const struct {
        QString folder, reason;
    } temporary[] = {{readOnlyTemp, "Permission denied"}, {devices, "Read only folder"}};
    for (const auto& t : temporary) {
        qputenv("TMPDIR", t.folder.toUtf8());
        Convert();
        EXPECT_EQ(Dialogs().LastText(),
                  "\rUnable to write in the temporary folder:\r\r  " + t.folder + "\r\r" + t.reason);
        EXPECT_TRUE(queue.IsEmpty());
        EXPECT_EQ(Files()[0]->GetStatus(), afsWaiting) << "the source is not to blame";
        EXPECT_EQ(QDir(t.folder).entryList(QDir::Files | QDir::Hidden), QStringList());
    }
    EXPECT_EQ(finished, 7);
    EXPECT_EQ(QDir(Root() + "music").entryList(QDir::Files), QStringList{"A.wav"});
}

using ConversionPageAsUser = AsOrdinaryUser<ConversionPage>;

TEST_F(ConversionPageAsUser, AnOutputFolderThatRefusesTheFileIsBlamedNotTheSource)
{
    const auto open = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                      QFile::ReadOther | QFile::ExeOther;
    QFile::setPermissions(Root(), open | QFile::WriteOwner);
    QFile::setPermissions(Temp(), open | QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther);
    const QString readOnly = Root() + "out/";
    QDir().mkpath(readOnly);
    QFile::setPermissions(readOnly, open);
    Browse(Source("Song.wav"));
    Control<QRadioButton>("RadioButtonOutputBrowse")->setChecked(true);
    Control<QLineEdit>("EditOutputFolder")->setText(readOnly);
    int finished = 0;
    GlobalEvents().OnCommandsFinished = [&finished](QObject*) { ++finished; };
    {
        const OrdinaryUserFiles user;
        Convert();
    }
    // Found while the batch is built, with the system's reason, before any step has worked.
    EXPECT_EQ(Dialogs().LastText(),
              "\rUnable to write in the output folder:\r\r  " + readOnly + "\r\rPermission denied");
    EXPECT_TRUE(queue.IsEmpty());
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(Files()[0]->GetStatus(), afsWaiting) << "the source is not to blame";
    EXPECT_EQ(Control<QLineEdit>("EditOutputFolder")->text(), readOnly) << "the user mends the folder";
    EXPECT_EQ(TempLeft(), QStringList());
    EXPECT_EQ(QDir(readOnly).entryList(QDir::Files | QDir::Hidden), QStringList());
}

TEST_F(ConversionPage, APipeOrADeviceGivenAsTheSourceIsRefusedAtOnce)
{
    PlayerSetOutputFactory([] { return std::make_unique<FakeAudioOutput>(); });
    const PipeSource pipe(Root() + "pipe.mp3", SourceFolder() + "tests/data/dec-tone.mp3");
    for (const QString& source : {pipe.Name, ZeroDeviceSource(Root() + "zeros.mp3")}) {
        SCOPED_TRACE(source.toStdString());
        Browse(source);
        Control<QPushButton>("ButtonPlay")->click();
        EXPECT_EQ(Dialogs().LastText(), "\rCan't play the file " + source);
        EXPECT_TRUE(PlayerIsStopped());
        Convert();
        EXPECT_EQ(Dialogs().LastText(), "\rThe audio source \"" + source + "\" is not a regular file");
        EXPECT_TRUE(queue.IsEmpty());
    }
    EXPECT_EQ(TempLeft(), QStringList());
    PlayerSetOutputFactory({});
}

TEST_F(ConversionPage, SettingsKeysLoadWithTheirRulesAndSaveFromTheControls)
{
    TSettings store;
    DefineGuiSettings(store);
    page->SetSettingsStore(&store);
    page->DefineDefaults();
    const struct {
        QString folder, encoding;
        bool same;
        int format;
    } cases[] = {
        {Root() + "missing/", " wAv ", true, 1},
        {Root(), "Layer III", false, 1},
        {Root(), "mpeg-1 audio layer ii", false, 0},
        // Taken from the working folder, a relative one would change with where the program started.
        {"out/", "wav", true, 1},
    };
    QDir().mkpath(Root() + "out");
    const QString current = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(Root()));
    for (const auto& c : cases) {
        store.SetValue("AudioOutFolderSameAsSource", false);
        store.SetValue("AudioOutFolder", c.folder);
        store.SetValue("EncodingType", c.encoding);
        page->LoadSettings();
        EXPECT_EQ(Control<QRadioButton>("RadioButtonOutputSame")->isChecked(), c.same)
            << c.folder.toStdString();
        EXPECT_EQ(page->OutputFormatIndex(), c.format) << c.encoding.toStdString();
        page->SaveSettings();
        EXPECT_EQ(store.GetValue("EncodingType").toString(), c.format ? "WAV" : "MPEG-1 Audio Layer II");
        EXPECT_EQ(store.GetValue("AudioOutFolder").toString(), c.same ? "" : c.folder);
    }
    QDir::setCurrent(current);
    page->SetSettingsStore(nullptr);
}

TEST_F(ConversionPage, TheVideoCdBoxesFollowTheBitRateAndModeAndCannotBeChanged)
{
    TAudioMp2SettingsDialog dialog;
    const struct {
        const char *rate, *mode;
        bool vcd;
    } cases[] = {{"224", "Stereo", true}, {"96", "Stereo", false}, {"192", "Mono", true}};
    for (const auto& c : cases) {
        dialog.findChild<QComboBox*>("ChannelsModeComboBox")->setCurrentText(c.mode);
        dialog.findChild<QComboBox*>("BitRateComboBox")->setCurrentText(c.rate);
        ASSERT_EQ(dialog.GetBitRate(), QString(c.rate).toInt());
        page->OnEncodingPrefsChanged();
        auto* vcd = Control<QCheckBox>("CheckBoxVCD");
        EXPECT_EQ(vcd->isChecked(), c.vcd) << c.rate << " " << c.mode;
        vcd->click();
        EXPECT_EQ(vcd->isChecked(), c.vcd) << "a click changes nothing";
    }
    Control<QComboBox>("ComboBoxAudioFormatOutput")->setCurrentText("WAV");
    for (const char* name : {"CheckBoxVCD", "CheckBoxXVCD", "CheckBoxSVCD", "CheckBoxXSVCD"})
        EXPECT_FALSE(Control<QCheckBox>(name)->isChecked());
}

TEST_F(ConversionPage, TheChoosersRefuseAFileThatIsNotAudioAndSystemOrReadOnlyFolders)
{
    Browse(Source("Song.wav"));
    Browse(WriteFile("music/notes.txt", "text"));
    EXPECT_TRUE(Control<QLineEdit>("EditOneAudioFile")->text().isEmpty()) << "nothing is left to convert";
    EXPECT_TRUE(Files().empty());

    // A name in bytes that are not UTF-8 no longer leads to its file once Qt holds it: the name is blamed.
    const QByteArray latin1 = QFile::encodeName(Root() + "music/") + "caf\xe9.wav";
    QFile file;
    ASSERT_TRUE(
        file.open(std::fopen(latin1.constData(), "wb"), QIODevice::WriteOnly, QFile::AutoCloseHandle));
    file.write(ReadFile(Source("Song.wav")));
    file.close();
    const QString held = QFile::decodeName(latin1);
    Browse(Source("Song.wav"));
    Browse(held);
    EXPECT_EQ(Dialogs().LastText(),
              "\rThe name of the audio source file \"" + held + "\" is not valid UTF-8: rename the file");
    EXPECT_TRUE(Control<QLineEdit>("EditOneAudioFile")->text().isEmpty());
    EXPECT_TRUE(Files().empty());

    Control<QRadioButton>("RadioButtonOutputBrowse")->setChecked(true);
    const QString readOnly = Root() + "locked";
    QDir().mkpath(readOnly);
    QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ExeOwner);
    auto* edit = Control<QLineEdit>("EditOutputFolder");
    for (const auto& [chosen, expected] : {std::pair(Root() + "music", Root() + "music/"),
                                           {readOnly, QString()},
                                           {QString("/proc"), QString()}}) {
        QDir().mkpath(Root() + "music");
        const int messages = Dialogs().Messages().size();
        Dialogs().QueueChoice(chosen);
        Control<QPushButton>("ButtonBrowseOutputFolder")->click();
        EXPECT_EQ(edit->text(), expected) << chosen.toStdString();
        // A folder that takes no file says why; one that does says nothing.
        EXPECT_EQ(Dialogs().Messages().size(), messages + (chosen != Root() + "music"));
        if (chosen == readOnly) {
            EXPECT_EQ(Dialogs().LastText(),
                      "\rUnable to write in the output folder:\r\r  " + readOnly + "/\r\rPermission denied");
        }
    }
}

TEST_F(ConversionPage, DecodingAWavKeepsTheSourceAndRenamesTheOutput)
{
    const QString source = Source("Song.wav", "dec-source.wav");
    Control<QLineEdit>("EditAudioToWav")->setText(source);
    Control<QPushButton>("ButtonAudioToWavDecode")->click();
    ASSERT_TRUE(Reaches([this] { return !queue.IsRunning(); }, "the batch's end"));
    EXPECT_EQ(ReadFile(source), ReadFile(SourceFolder() + "tests/data/dec-source.wav"));
    EXPECT_GT(QFileInfo(Root() + "music/Song-1.wav").size(), 44);

    // Through a link to their folder, the WAV output of one source is another source: under "Overwrite"
    // the first is refused before any work, its line naming that output, and the other source stays.
    TPageSettingsGeneral general;
    general.RadioButtonOverwriteFile->setChecked(true);
    ASSERT_TRUE(QFile::link(Root() + "music", Root() + "link"));
    const QString mp3 = Source("a.mp3", "dec-tone.mp3"), pcm = Source("a.wav");
    List()->AddFiles({mp3, Root() + "link/a.wav"});
    ASSERT_EQ(Files().size(), 2u);
    Control<QComboBox>("ComboBoxAudioFormatOutput")->setCurrentText("WAV");
    Convert();
    const QStringList errors = page->ResultLines().filter("[ERROR]");
    ASSERT_EQ(errors.size(), 1) << page->ResultLines().join('\n').toStdString();
    EXPECT_TRUE(errors[0].startsWith("[ERROR]   \t" + mp3 + "  -  "));
    EXPECT_TRUE(errors[0].contains("Unable to create/write the output file: " + pcm +
                                   " (already a source file of this batch)"))
        << errors[0].toStdString();
    EXPECT_EQ(ReadFile(pcm), ReadFile(SourceFolder() + "tests/data/dec-source.wav"));
}

TEST_F(ConversionPage, ThePreviewPlaysTheChosenFileWithItsPositionAndVolume)
{
    FakeAudioOutput* output = nullptr;
    PlayerSetOutputFactory([&output] {
        auto made = std::make_unique<FakeAudioOutput>();
        output = made.get();
        return made;
    });
    Browse(Source("Song.mp3", "dec-tone.mp3"));
    auto* slider = Control<QSlider>("VolumeSlider");
    slider->setValue(slider->maximum());
    Control<QPushButton>("ButtonPlay")->click();
    ASSERT_NE(output, nullptr);
    EXPECT_FALSE(PlayerIsStopped());
    EXPECT_DOUBLE_EQ(output->volume(), 1.0);
    page->PositionTimerOnTimer();
    EXPECT_EQ(Control<QLabel>("TimePositionLabel")->text(), "00:00:00 / 00:00:01");

    Control<QPushButton>("ButtonStop")->click();
    EXPECT_TRUE(PlayerIsStopped());
    page->PositionTimerOnTimer();
    EXPECT_EQ(Control<QLabel>("TimePositionLabel")->text(), "00:00:00");
    PlayerSetOutputFactory({});

    // A wider window lengthens the position bar; the volume keeps its length.
    page->resize(700, 500);
    page->show();
    auto* bar = Control<QScrollBar>("PosScrollBar");
    const int barWidth = bar->width(), volumeWidth = slider->width();
    page->resize(1300, 500);
    EXPECT_GE(bar->width(), barWidth + 550);
    EXPECT_EQ(slider->width(), volumeWidth);
}

} // namespace
