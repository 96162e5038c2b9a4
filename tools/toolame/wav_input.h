#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace toolame {

struct WavFormat {
    int formatTag = 0;
    int channels = 0;
    int sampleRate = 0;
    int bitsPerSample = 0;
    int blockAlign = 0;
    // Where the samples start, how many bytes the header says they take (-1: up to the end), and how
    // many the file holds from there.
    std::int64_t dataOffset = 0;
    std::int64_t dataSize = -1;
    std::int64_t bytesInFile = 0;
};

// The bytes of samples to encode: what the header gives, as far as the file holds them.
std::int64_t AudioBytes(const WavFormat& format);

// Walks the RIFF chunks up to "data" and leaves the file there. Throws tools::Failure when the file
// is no RIFF WAVE file.
WavFormat ReadWavHeader(std::FILE* file);

// Why the encoder cannot take this file (16-bit PCM, one or two channels, an MPEG-1 rate, some audio),
// or "".
std::string UnsupportedReason(const WavFormat& format);

} // namespace toolame
