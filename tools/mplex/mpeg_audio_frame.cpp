#include "tools/mplex/mpeg_audio_frame.h"

#include <array>

namespace mplex {

namespace {

constexpr std::array<int, 15> kBitrates{0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384};
constexpr std::array<int, 3> kSampleRates{44100, 48000, 32000};
constexpr int kLargestFrame = 144 * 384000 / 32000 + 1;

} // namespace

std::optional<MpegAudioHeader> ParseLayerTwoHeader(const unsigned char* bytes)
{
    // 11 sync bits, version 11 (MPEG-1), layer 10 (Layer II).
    if (bytes[0] != 0xFF || (bytes[1] & 0xFE) != 0xFC)
        return std::nullopt;
    const int bitrateIndex = bytes[2] >> 4;
    const int sampleRateIndex = (bytes[2] >> 2) & 3;
    if (bitrateIndex == 0 || bitrateIndex == 15 || sampleRateIndex == 3)
        return std::nullopt;

    MpegAudioHeader header;
    header.crc = (bytes[1] & 1) == 0;
    header.bitrateKbps = kBitrates[static_cast<std::size_t>(bitrateIndex)];
    header.sampleRate = kSampleRates[static_cast<std::size_t>(sampleRateIndex)];
    header.padding = (bytes[2] & 2) != 0;
    header.mode = bytes[3] >> 6;
    header.copyright = (bytes[3] & 8) != 0;
    header.original = (bytes[3] & 4) != 0;
    header.frameBytes = 144 * header.bitrateKbps * 1000 / header.sampleRate + (header.padding ? 1 : 0);
    return header;
}

const char* ModeName(int mode)
{
    static constexpr std::array<const char*, 4> names{"stereo", "joint stereo", "dual channel", "mono"};
    return names[static_cast<std::size_t>(mode & 3)];
}

std::optional<AudioStreamScan> ScanLayerTwoStream(std::FILE* file)
{
    AudioStreamScan scan;
    std::array<unsigned char, kLargestFrame> frame{};
    while (std::fread(frame.data(), 1, 4, file) == 4) {
        const std::optional<MpegAudioHeader> header = ParseLayerTwoHeader(frame.data());
        // A change of sampling frequency ends the stream as much as garbage does.
        if (!header || (!scan.frameBytes.empty() && header->sampleRate != scan.first.sampleRate))
            break;
        const std::size_t rest = static_cast<std::size_t>(header->frameBytes) - 4;
        if (std::fread(frame.data() + 4, 1, rest, file) != rest)
            break;
        if (scan.frameBytes.empty())
            scan.first = *header;
        scan.frameBytes.push_back(header->frameBytes);
        scan.audioBytes += header->frameBytes;
    }
    if (std::ferror(file) || scan.frameBytes.empty() || std::fseek(file, 0, SEEK_END) != 0)
        return std::nullopt;
    scan.ignoredBytes = std::ftell(file) - scan.audioBytes;
    // One frame followed by anything else is more likely chance than audio.
    if (scan.frameBytes.size() == 1 && scan.ignoredBytes > 0)
        return std::nullopt;
    return scan;
}

} // namespace mplex
