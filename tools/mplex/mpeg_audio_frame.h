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

// Where whole frames lie in a file, one run of frames after another.
struct FrameRun {
    std::int64_t offset = 0;
    std::int64_t bytes = 0;
};

// The MPEG-1 Layer II frames of a file: from its start, after an ID3v2 tag, up to its end or an ID3v1
// tag. Damaged bytes between frames are skipped up to the next frame that another one follows.
struct AudioStreamScan {
    MpegAudioHeader first;
    std::vector<int> frameBytes;
    std::vector<FrameRun> runs;
    std::int64_t audioBytes = 0;
    // Damaged bytes skipped between frames, where each stretch starts.
    std::vector<FrameRun> skipped;
    // Bytes after the last whole frame that fits the stream.
    std::int64_t ignoredBytes = 0;
};

// Reads the frames of a whole file; nothing when it does not start with MPEG-1 Layer II audio.
std::optional<AudioStreamScan> ScanLayerTwoStream(std::FILE* file);

} // namespace mplex
