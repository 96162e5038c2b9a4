#include "app/program_main.h"

#include "components/qt_dialogs.h"
#include "foundation/program_globals.h"
#include "platform/sound_player.h"
#include "tests/support/child_tool.h"
#include "tests/support/qt_printers.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_world.h"

#include <QDir>
#include <QFile>
#include <QProcess>
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

TEST_F(EndedBySignal, AConversionEndsAsACancelDoesAndTheProgramExits)
{
    const QString source =
        WriteFile("music/Song.wav", ReadFile(SourceFolder() + "tests/data/dec-source.wav"));
    const QString output = WriteFile("music/Song - mp2 224 kbps Stereo.vcd.mpg", "older output");
    // The multiplexer, the last step, never ends by itself.
    const QString pidFile = PidFile();
    const QString mplex =
        WriteFile("slow/mplex", ("#!/bin/sh\necho $$ > '" + pidFile + "'\nexec sleep 600\n").toUtf8());
    QFile::setPermissions(mplex, QFile::ReadOwner | QFile::ExeOwner);
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(signal);
        KillLeftTool();
        printed.clear();
        Start({source, Root() + "slow/"});
        ASSERT_TRUE(QTest::qWaitFor([&] { return ReadFile(pidFile).endsWith('\n'); }, 60000))
            << Output().toStdString();
        EXPECT_FALSE(QDir(Temp()).entryList({"Tmp*.tmp"}, QDir::Files).isEmpty()) << "the batch is under way";
        EXPECT_EQ(EndWith(signal), 128 + signal);
        EXPECT_FALSE(Output().contains("message")) << "nothing is asked";
        EXPECT_FALSE(IsProcessAlive(ReadFile(pidFile).trimmed().toInt())) << "the tool is stopped";
        EXPECT_EQ(QDir(Temp()).entryList({"Tmp*.tmp"}, QDir::Files), QStringList());
        EXPECT_EQ(ReadFile(output), "older output");
        EXPECT_EQ(QDir(Root() + "music").entryList(QDir::Files | QDir::Hidden),
                  QStringList({"Song - mp2 224 kbps Stereo.vcd.mpg", "Song.wav"}));
    }
}

TEST_F(EndedBySignal, WithoutABatchTheProgramClosesAndSavesItsSettingsEvenWithADialogOpen)
{
    for (const QString& waiting : {QStringLiteral("running"), QStringLiteral("settings")})
        for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
            SCOPED_TRACE(waiting.toStdString() + ' ' + std::to_string(signal));
            QFile::remove(GlobalSettingsFileName());
            printed.clear();
            Start(waiting == "settings" ? QStringList{waiting} : QStringList());
            ASSERT_TRUE(QTest::qWaitFor([&] { return Output().contains(waiting); }, 60000));
            EXPECT_EQ(EndWith(signal), 128 + signal);
            EXPECT_TRUE(QFile::exists(GlobalSettingsFileName()));
        }
}

} // namespace
