#pragma once

#include "tools/common/files.h"
#include "tools/toolame/toolame_options.h"
#include "tools/toolame/wav_input.h"

#include <cstdint>
#include <cstdio>
#include <functional>

namespace toolame {

struct EncodeResult {
    std::int64_t frames = 0;
    std::int64_t bytes = 0;
};

// Encodes the samples of a WAV file, found where ReadWavHeader said, into MPEG-1 Layer II frames. Without
// padding the file is encoded in segments on every core the process may use, into the bytes a single
// pass writes. Progress reports the number of audio frames written so far, in order. Throws
// tools::Failure.
EncodeResult EncodeWav(const Options& options, const WavFormat& format, std::FILE* input,
                       tools::OutputFile& output, const std::function<void(std::int64_t)>& progress);

} // namespace toolame
