#include "app/program_main.h"

#include "components/qt_dialogs.h"
#include "engine/run_journal.h"
#include "foundation/program_globals.h"
#include "platform/sound_player.h"
#include "tests/support/child_tool.h"
#include "tests/support/qt_printers.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_world.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <csignal>

namespace {

using ProgramStart = TempWorld;

TEST_F(ProgramStart, EventSoundsPlayInEveryEncodingTheWavReaderKnows)
{
    ASSERT_TRUE(InitializeUnits());
    plat::InstallSoundPlayer(nullptr);
    for (const char* fixture : {"wav-ima-mono.wav", "wav-ms-stereo.wav", "wav-mp3.wav"}) {
        plat::CurrentSoundPlayer().play(ReadFile(SourceFolder() + "tests/data/" + fixture));
        EXPECT_TRUE(plat::CurrentSoundPlayer().isPlaying()) << fixture;
        plat::CurrentSoundPlayer().stop();
    }
    plat::InstallSoundDecoder(nullptr);
}

TEST_F(ProgramStart, EndsBeforeAnyWindowWhenTheMultiplexerReportsARuntimeConflictAndItsBoxesSpeakTheLanguage)
{
    QFile::link(BuiltProgramFolder() + "TooLame", ProgramFolder() + "TooLame");
    QFile::link(BuiltFolder("Lng"), ProgramFolder() + "Lng");
    WriteFile(GlobalSettingsFileName(), "[Korvane]\nLanguage=Fran\xc3\xa7"
                                        "ais\n");
    EXPECT_TRUE(PrepareStart()) << "without the multiplexer the program only warns";
    const QString mplex = WriteFile(ProgramFolder() + "Mplex/mplex",
                                    "#!/bin/sh\necho '1 [main] shared version mismatch detected'\n");
    QFile::setPermissions(mplex, QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_FALSE(PrepareStart());
    EXPECT_TRUE(Dialogs().LastText().contains("cygwin1.dll")) << Dialogs().LastText().toStdString();
    // No form has been translated yet: the boxes take their titles from the language loaded at start.
    QStringList titles;
    for (const plat::MessageRequest& box : Dialogs().Messages())
        titles << plat::MakeMessageBox(box, nullptr)->windowTitle();
    EXPECT_EQ(titles, QStringList({"Avertissement", "Erreur"}));
}

// The program in a process of its own, over the built tools, ended by the system.
class EndedBySignal : public TempWorld {
protected:
    void SetUp() override
    {
        TempWorld::SetUp();
        LinkBuiltProgramFolders();
    }
    void TearDown() override
    {
        program.kill();
        program.waitForFinished();
        KillLeftTool();
        TempWorld::TearDown();
    }
    // A tool the program failed to stop must not outlive the test.
    void KillLeftTool() const
    {
        if (const pid_t tool = ReadFile(PidFile()).trimmed().toInt(); tool > 0 && IsProcessAlive(tool))
            ::kill(tool, SIGKILL);
        QFile::remove(PidFile());
    }
    void Start(const QStringList& arguments = {})
    {
        program.start(TestProgramsFolder() + "ending_probe", QStringList{ProgramFolder()} + arguments);
    }
    // Sends the signal and returns the code the program exited with; -1 when the signal killed it.
    int EndWith(int signal)
    {
        ::kill(pid_t(program.processId()), signal);
        EXPECT_TRUE(program.waitForFinished(60000));
        return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    }
    // Where the slow multiplexer writes its process id.
    QString PidFile() const { return Root() + "mplex.pid"; }
    // Everything the program printed so far.
    QString Output() { return printed += QString::fromLocal8Bit(program.readAllStandardOutput()); }

    QProcess program;
    QString printed;
};

// Each state of a batch that a signal may find, with the multiplexer that makes it last.
struct BatchState {
    const char* Name;
    QByteArray Mplex;      // the multiplexer's script; empty: the built one
    const char* ProbeMode; // what the probe does after Convert
    const char* Box;       // what the box the program shows says; empty: none
    bool WaitsForTheTool;  // the multiplexer still runs
};

TEST_F(EndedBySignal, AConversionEndsAsACancelDoesAndTheProgramExitsWhateverBoxIsOpen)
{
    const QString source =
        WriteFile("music/Song.wav", ReadFile(SourceFolder() + "tests/data/dec-source.wav"));
    const QString output = Root() + "music/Song - mp2 224 kbps Stereo.vcd.mpg";
    // The multiplexer, the last step, never ends by itself, or fails at once.
    const QByteArray slow = "#!/bin/sh\necho $$ > '" + PidFile().toUtf8() + "'\nexec sleep 600\n";
    const BatchState states[] = {
        {"no box", slow, "", "", true},
        {"asking to quit", slow, "quit", "Please confirm that you want to quit", true},
        {"a step error", "#!/bin/sh\nexit 1\n", "ask", "MPEG multiplexing failed", false},
        {"the batch summary", {}, "", "Audio file creation succeeded", false},
    };
    for (const BatchState& state : states)
        for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
            SCOPED_TRACE(std::string(state.Name) + ' ' + std::to_string(signal));
            KillLeftTool();
            printed.clear();
            WriteFile(output, "older output");
            QString mplexFolder = BuiltProgramFolder() + "Mplex/";
            if (!state.Mplex.isEmpty()) {
                mplexFolder = Root() + "mplex/";
                QFile::remove(mplexFolder + "mplex");
                QFile::setPermissions(WriteFile("mplex/mplex", state.Mplex),
                                      QFile::ReadOwner | QFile::ExeOwner);
            }
            Start({source, mplexFolder, state.ProbeMode});
            ASSERT_TRUE(QTest::qWaitFor(
                [&] {
                    return (!state.WaitsForTheTool || ReadFile(PidFile()).endsWith('\n')) &&
                           Output().contains("message") == (*state.Box != 0);
                },
                60000))
                << Output().toStdString();
            if (state.WaitsForTheTool) {
                EXPECT_FALSE(QDir(Temp()).entryList({"Tmp*.tmp"}, QDir::Files).isEmpty()) << "mid-batch";
            }
            EXPECT_EQ(EndWith(signal), 128 + signal);
            const QStringList boxes = Output().split('\n').filter(QRegularExpression("^message"));
            EXPECT_EQ(boxes.size(), *state.Box ? 1 : 0) << "nothing more is asked";
            EXPECT_TRUE(boxes.join("").contains(state.Box)) << Output().toStdString();
            if (state.WaitsForTheTool) {
                EXPECT_FALSE(IsProcessAlive(ReadFile(PidFile()).trimmed().toInt())) << "the tool is stopped";
            }
            EXPECT_EQ(QDir(Temp()).entryList({"Tmp*.tmp"}, QDir::Files), QStringList());
            EXPECT_EQ(ReadFile(output) == "older output", !state.Mplex.isEmpty());
            EXPECT_EQ(QDir(Root() + "music").entryList(QDir::Files | QDir::Hidden),
                      QStringList({"Song - mp2 224 kbps Stereo.vcd.mpg", "Song.wav"}));
            // The run dealt with every file it made: the next start has nothing to put right.
            EXPECT_EQ(QDir(RunJournalFolder()).entryList(QDir::Files), QStringList());
            EXPECT_EQ(RecoverKilledRuns(), QStringList());
        }
}

// A kill that no program can catch (SIGKILL, the out-of-memory killer, a power cut) leaves the run's
// files as they are; the next start puts right what that run left, and nothing else.
TEST_F(EndedBySignal, WhatAKilledConversionLeftIsPutRightByTheNextStartAndOnlyThat)
{
    const QString source =
        WriteFile("music/Song.wav", ReadFile(SourceFolder() + "tests/data/dec-source.wav"));
    const QString output = WriteFile("music/Song - mp2 224 kbps Stereo.vcd.mpg", "older output");
    const QString mine = WriteFile("tmp/TmpQ1R23.tmp", "the user's");
    // The multiplexer writes part of the output, then never ends.
    QFile::setPermissions(WriteFile("mplex/mplex", "#!/bin/sh\nwhile [ \"$1\" != -o ]; do shift; done\n"
                                                   "echo half > \"$2\"\necho $$ > '" +
                                                       PidFile().toUtf8() + "'\nexec sleep 600\n"),
                          QFile::ReadOwner | QFile::ExeOwner);
    // Another run still going, with an intermediate of its own in the same folder.
    QProcess other;
    other.start(TestProgramsFolder() + "journal_probe", {"hold", "temp:" + Temp() + "TmpL4M56.tmp"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return other.readAllStandardOutput().contains("holding"); }, 60000));

    Start({source, Root() + "mplex/", ""});
    ASSERT_TRUE(QTest::qWaitFor([&] { return ReadFile(PidFile()).endsWith('\n'); }, 60000))
        << "waiting for the multiplexer to start: " << Output().toStdString();
    EXPECT_EQ(EndWith(SIGKILL), -1);
    KillLeftTool();
    ASSERT_EQ(QDir(Temp()).entryList({"Tmp*.tmp"}, QDir::Files).size(), 3)
        << "the run's encoded audio is left";
    ASSERT_EQ(ReadFile(output), "half\n");
    ASSERT_EQ(QDir(Root() + "music").entryList(QDir::Files | QDir::Hidden).size(), 3)
        << "and the older output";

    printed.clear();
    Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Output().contains("running"); }, 60000))
        << "waiting for the next start: " << Output().toStdString();
    EXPECT_EQ(ReadFile(output), "older output");
    EXPECT_EQ(QDir(Root() + "music").entryList(QDir::Files | QDir::Hidden),
              QStringList({"Song - mp2 224 kbps Stereo.vcd.mpg", "Song.wav"}));
    EXPECT_EQ(QDir(Temp()).entryList(QDir::Files | QDir::Hidden),
              QStringList({"TmpL4M56.tmp", "TmpQ1R23.tmp"}));
    EXPECT_EQ(ReadFile(mine), "the user's");
    EXPECT_EQ(QDir(RunJournalFolder()).entryList(QDir::Files).size(), 1) << "the other run's journal stays";
    EXPECT_EQ(EndWith(SIGTERM), 128 + SIGTERM);
    other.kill();
    other.waitForFinished();
}

// Start-up boxes come before the main window, which keeps the "don't show again" choices as it closes.
TEST_F(EndedBySignal, TheProgramClosesAndSavesItsSettingsWhateverBoxOrDialogIsOpen)
{
    const QString mplex = ProgramFolder() + "Mplex";
    const QString conflict =
        WriteFile("conflict/mplex", "#!/bin/sh\necho '1 [main] shared version mismatch detected'\n");
    QFile::setPermissions(conflict, QFile::ReadOwner | QFile::ExeOwner);
    struct {
        const char* Waiting;
        QString Mplex;      // where the program's multiplexer folder leads
        const char* Stored; // the "don't show again" choice kept
    } const states[] = {
        {"running", BuiltProgramFolder() + "Mplex", nullptr},
        {"settings", BuiltProgramFolder() + "Mplex", nullptr},
        {"not found", Root() + "nowhere", "DoNotShowNoMplexAgain=1"},
        {"cygwin1.dll", Root() + "conflict", nullptr},
    };
    for (const auto& state : states)
        for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
            SCOPED_TRACE(std::string(state.Waiting) + ' ' + std::to_string(signal));
            QFile::remove(GlobalSettingsFileName());
            QFile::remove(mplex);
            QFile::link(state.Mplex, mplex);
            printed.clear();
            Start(state.Waiting == std::string("settings") ? QStringList{state.Waiting} : QStringList());
            ASSERT_TRUE(QTest::qWaitFor([&] { return Output().contains(state.Waiting); }, 60000));
            EXPECT_EQ(EndWith(signal), 128 + signal);
            EXPECT_TRUE(QFile::exists(GlobalSettingsFileName()));
            if (state.Stored) {
                EXPECT_TRUE(ReadFile(GlobalSettingsFileName()).contains(state.Stored));
            }
        }
}

} // namespace
