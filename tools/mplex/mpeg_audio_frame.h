#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <vector>

namespace mplex {

// The fields of an MPEG-1 Layer II frame header.
struct MpegAudioHeader {
    bool crc = false;
    int bitrateKbps = 0;
    int sampleRate = 0;
    bool padding = false;
    int mode = 0; // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
    bool copyright = false;
    bool original = false;
    int frameBytes = 0;
};

inline constexpr int kSamplesPerFrame = 1152;

// Reads the four header bytes of an MPEG-1 Layer II frame; nothing for any other data, other MPEG
// audio layers and versions, and free-format frames.
std::optional<MpegAudioHeader> ParseLayerTwoHeader(const unsigned char* bytes);

const char* ModeName(int mode);

// A file made of MPEG-1 Layer II frames from its first byte on.
struct AudioStreamScan {
    MpegAudioHeader first;
    std::vector<int> frameBytes;
    std::int64_t audioBytes = 0;
    // Bytes after the last whole frame that fits the stream.
    std::int64_t ignoredBytes = 0;
};

// Reads the frames of a whole file; nothing when it does not hold MPEG-1 Layer II audio.
std::optional<AudioStreamScan> ScanLayerTwoStream(std::FILE* file);

} // namespace mplex
