#pragma once

#include "tests/support/reference_tools.h"
#include "tests/support/temp_world.h"
#include "tools/mplex/mpeg_audio_frame.h"

#include <optional>

// A RIFF WAVE file of a 440 Hz tone with PCM samples of 8 or 16 bits.
QByteArray ToneWav(int sampleRate, int channels, int bitsPerSample, double seconds);

// The header of the first frame of an MPEG audio file, when it is one of Layer II.
std::optional<mplex::MpegAudioHeader> FirstFrameHeader(const QString& fileName);

// A test world that knows where the built programs are.
class ToolWorld : public TempWorld {
protected:
    static QString ToolameProgram() { return BuiltProgramFolder() + "TooLame/toolame"; }
    static QString MplexProgram() { return BuiltProgramFolder() + "Mplex/mplex"; }
};
