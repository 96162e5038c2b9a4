#include "app/program_main.h"

#include "platform/sound_player.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_world.h"

#include <QFile>

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

TEST_F(ProgramStart, EndsBeforeAnyWindowWhenTheMultiplexerReportsARuntimeConflict)
{
    QFile::link(BuiltProgramFolder() + "TooLame", ProgramFolder() + "TooLame");
    const QString mplex = WriteFile(ProgramFolder() + "Mplex/mplex",
                                    "#!/bin/sh\necho '1 [main] shared version mismatch detected'\n");
    QFile::setPermissions(mplex, QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_FALSE(PrepareStart());
    EXPECT_TRUE(Dialogs().LastText().contains("cygwin1.dll")) << Dialogs().LastText().toStdString();
}

} // namespace
