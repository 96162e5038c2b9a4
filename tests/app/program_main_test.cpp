#include "app/program_main.h"

#include "components/qt_dialogs.h"
#include "engine/run_journal.h"
#include "foundation/program_globals.h"
#include "platform/sound_player.h"
#include "tests/support/child_tool.h"
#include "tests/support/patience.h"
#include "tests/support/qt_printers.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_world.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <csignal>
#include <cstring>
#include <functional>

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

// "SIGTERM" and the like.
std::string SignalName(int signal)
{
    return std::string("SIG") + sigabbrev_np(signal);
}

// The program in a process of its own, over the built tools, ended by the system. Each state and
// signal is a test of its own, with the whole allowance for a loaded machine.
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
    // Waits until the program reaches the state described; a failure shows what it printed.
    ::testing::AssertionResult Reaches(const std::function<bool()>& reached, const std::string& state)
    {
        ::testing::AssertionResult result = ::Reaches(reached, state);
        if (!result)
            result << "; the program printed:\n" << Output().toStdString();
        return result;
    }
    // Sends the signal and returns the code the program exited with; -1 when the signal killed it.
    int EndWith(int signal)
    {
        ::kill(pid_t(program.processId()), signal);
        EXPECT_TRUE(program.waitForFinished(PatienceLeft()))
            << "the program still runs after " << SignalName(signal) << "; it printed:\n"
            << Output().toStdString();
        return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    }
    // Where the slow multiplexer writes its process id.
    QString PidFile() const { return Root() + "mplex/mplex.pid"; }
    // Everything the program printed so far.
    QString Output() { return printed += QString::fromLocal8Bit(program.readAllStandardOutput()); }

    QProcess program;
    QString printed;
};

const int endingSignals[] = {SIGTERM, SIGHUP, SIGINT};

// Each state of a batch that a signal may find, with the multiplexer that makes it last.
struct BatchState {
    const char* Name;
    QByteArray Mplex;      // the multiplexer's script; empty: the built one
    const char* ProbeMode; // what the probe does after Convert
    const char* Box;       // what the box the program shows says; empty: none
    bool WaitsForTheTool;  // the multiplexer still runs
};

void PrintTo(const BatchState& state, std::ostream* out)
{
    *out << state.Name;
}

// The multiplexer, the last step, never ends by itself (it writes its process id beside itself), or
// fails at once.
const QByteArray slowMplex = "#!/bin/sh\necho $$ > \"$0.pid\"\nexec sleep 600\n";
const BatchState batchStates[] = {
    {"NoBox", slowMplex, "", "", true},
    {"AskingToQuit", slowMplex, "quit", "Please confirm that you want to quit", true},
    {"AStepError", "#!/bin/sh\nexit 1\n", "ask", "MPEG multiplexing failed", false},
    {"TheBatchSummary", {}, "", "Audio file creation succeeded", false},
};

class AConversionEndedBySignal : public EndedBySignal,
                                 public ::testing::WithParamInterface<std::tuple<BatchState, int>> {};

TEST_P(AConversionEndedBySignal, EndsAsACancelDoesAndTheProgramExitsWhateverBoxIsOpen)
{
    const auto& [state, signal] = GetParam();
    SCOPED_TRACE(std::string(state.Name) + ", to be ended by " + SignalName(signal));
    const QString source =
        WriteFile("music/Song.wav", ReadFile(SourceFolder() + "tests/data/dec-source.wav"));
    const QString output = Root() + "music/Song - mp2 224 kbps Stereo.vcd.mpg";
    WriteFile(output, "older output");
    QString mplexFolder = BuiltProgramFolder() + "Mplex/";
    if (!state.Mplex.isEmpty()) {
        mplexFolder = Root() + "mplex/";
        QFile::setPermissions(WriteFile("mplex/mplex", state.Mplex), QFile::ReadOwner | QFile::ExeOwner);
    }
    Start({source, mplexFolder, state.ProbeMode});
    if (state.WaitsForTheTool) {
        ASSERT_TRUE(Reaches([&] { return ReadFile(PidFile()).endsWith('\n'); }, "the multiplexer's start"));
        EXPECT_FALSE(QDir(Temp()).entryList({"Tmp*.tmp"}, QDir::Files).isEmpty()) << "mid-batch";
    }
    if (*state.Box) {
        ASSERT_TRUE(Reaches([&] { return Output().contains("message"); },
                            std::string("the box \"") + state.Box + '"'));
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

INSTANTIATE_TEST_SUITE_P(States, AConversionEndedBySignal,
                         ::testing::Combine(::testing::ValuesIn(batchStates),
                                            ::testing::ValuesIn(endingSignals)),
                         [](const ::testing::TestParamInfo<std::tuple<BatchState, int>>& info) {
                             return std::get<0>(info.param).Name +
                                    ('_' + SignalName(std::get<1>(info.param)));
                         });

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
    ASSERT_TRUE(::Reaches([&] { return other.readAllStandardOutput().contains("holding"); },
                          "the other run to hold its journal"));

    Start({source, Root() + "mplex/", ""});
    ASSERT_TRUE(Reaches([&] { return ReadFile(PidFile()).endsWith('\n'); }, "the multiplexer's start"));
    const pid_t tool = ReadFile(PidFile()).trimmed().toInt();
    EXPECT_EQ(EndWith(SIGKILL), -1);
    EXPECT_TRUE(Reaches([&] { return !IsProcessAlive(tool); }, "the multiplexer's end with the program"));
    ASSERT_EQ(QDir(Temp()).entryList({"Tmp*.tmp"}, QDir::Files).size(), 3)
        << "the run's encoded audio is left";
    ASSERT_EQ(ReadFile(output), "older output") << "the new data never took its place";
    const QStringList music = QDir(Root() + "music").entryList(QDir::Files | QDir::Hidden);
    ASSERT_EQ(music.size(), 3) << "the new data is left under the run's own name";
    ASSERT_EQ(ReadFile(Root() + "music/" + music[0]), "half\n");
    // The user puts a file of their own at the output's name meanwhile.
    WriteFile(output, "the user's own");

    printed.clear();
    Start();
    ASSERT_TRUE(Reaches([&] { return Output().contains("running"); }, "the next start"));
    EXPECT_EQ(ReadFile(output), "the user's own");
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
struct StartState {
    const char* Name;
    const char* Waiting; // what the probe prints once there
    // Where the program's multiplexer folder leads: the built one, nowhere or to one that conflicts.
    const char* Mplex;
    const char* Stored; // the "don't show again" choice kept
};

void PrintTo(const StartState& state, std::ostream* out)
{
    *out << state.Name;
}

const StartState startStates[] = {
    {"Running", "running", "built", nullptr},
    {"TheSettingsDialog", "settings", "built", nullptr},
    {"NoMultiplexer", "not found", "nowhere", "DoNotShowNoMplexAgain=1"},
    {"AConflictingMultiplexer", "cygwin1.dll", "conflict", nullptr},
};

class TheProgramEndedBySignal : public EndedBySignal,
                                public ::testing::WithParamInterface<std::tuple<StartState, int>> {};

TEST_P(TheProgramEndedBySignal, ClosesAndSavesItsSettingsWhateverBoxOrDialogIsOpen)
{
    const auto& [state, signal] = GetParam();
    SCOPED_TRACE(std::string(state.Name) + ", to be ended by " + SignalName(signal));
    const QString conflict =
        WriteFile("conflict/mplex", "#!/bin/sh\necho '1 [main] shared version mismatch detected'\n");
    QFile::setPermissions(conflict, QFile::ReadOwner | QFile::ExeOwner);
    const QString mplex = ProgramFolder() + "Mplex";
    QFile::remove(mplex);
    QFile::link(state.Mplex == std::string("built") ? BuiltProgramFolder() + "Mplex" : Root() + state.Mplex,
                mplex);
    Start(state.Waiting == std::string("settings") ? QStringList{state.Waiting} : QStringList());
    ASSERT_TRUE(
        Reaches([&] { return Output().contains(state.Waiting); }, std::string("\"") + state.Waiting + '"'));
    EXPECT_EQ(EndWith(signal), 128 + signal);
    EXPECT_TRUE(QFile::exists(GlobalSettingsFileName()));
    if (state.Stored) {
        EXPECT_TRUE(ReadFile(GlobalSettingsFileName()).contains(state.Stored));
    }
}

INSTANTIATE_TEST_SUITE_P(States, TheProgramEndedBySignal,
                         ::testing::Combine(::testing::ValuesIn(startStates),
                                            ::testing::ValuesIn(endingSignals)),
                         [](const ::testing::TestParamInfo<std::tuple<StartState, int>>& info) {
                             return std::get<0>(info.param).Name +
                                    ('_' + SignalName(std::get<1>(info.param)));
                         });

} // namespace
