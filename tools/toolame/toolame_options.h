#pragma once

#include "tools/common/arguments.h"

#include <string>

namespace toolame {

enum class ChannelMode { Stereo, JointStereo, DualChannel, Mono };

struct Options {
    bool help = false;
    bool copyright = false;
    bool original = false;
    bool errorProtection = false;
    bool paddingOff = false;
    int psychoacousticModel = 1;
    ChannelMode mode = ChannelMode::Stereo;
    int verbosity = 2;
    int bitrateKbps = 192;
    int sampleRateHz = 44100;
    std::string input;
    std::string output;
};

// Reads and checks every option, so the encoder library never sees a setting it would refuse.
// Throws tools::Failure with the reason.
Options ParseArguments(tools::ArgumentList arguments);

// MPEG-1 Layer II: which bit rates each channel mode may use.
bool BitrateAllowed(int kbps, ChannelMode mode);
const char* ModeName(ChannelMode mode);

} // namespace toolame
