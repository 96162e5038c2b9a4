#pragma once

#include "tools/common/files.h"
#include "tools/mplex/mpeg_audio_frame.h"
#include "tools/mplex/vcd_stream.h"

#include <cstdio>
#include <string>

namespace mplex {

// Writes the Video CD program stream of the scanned frames of `input` and commits the output. Throws
// tools::Failure when the input changed since the scan or the output cannot be written.
MuxPlan WriteProgramStream(std::FILE* input, const std::string& inputName, const AudioStreamScan& scan,
                           int muxRate, tools::OutputFile& output);

} // namespace mplex
