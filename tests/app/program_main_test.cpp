#include "app/program_main.h"

#include "platform/sound_player.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_world.h"

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

} // namespace
