#pragma once

#include "tools/common/arguments.h"

#include <string>

namespace mplex {

inline constexpr char kVersion[] = "1.6.2";

struct Options {
    bool help = false;
    bool version = false;
    // In units of 50 bytes a second, as the pack headers carry it.
    int muxRate = 0;
    std::string output;
    std::string input;
};

// Reads the Video CD options: -f 1 (the standard rate) or -f 2 (the rate of -r, in kbit/s), -o and one
// input. Throws tools::Failure with the reason.
Options ParseArguments(tools::ArgumentList arguments);

} // namespace mplex
