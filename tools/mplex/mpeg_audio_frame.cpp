#include "tools/mplex/mpeg_audio_frame.h"

#include "platform/id3v2_tag.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace mplex {

namespace {

constexpr std::array<int, 15> kBitrates{0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384};
constexpr std::array<int, 3> kSampleRates{44100, 48000, 32000};
constexpr int kLargestFrame = 144 * 384000 / 32000 + 1;
constexpr int kHeaderBytes = 4;
constexpr int kId3v1Bytes = 128;

// Forward-only reading of a file through a buffer that holds a frame and the next header.
class FileWindow {
public:
    explicit FileWindow(std::FILE* file) : file_(file), buffer_(64 * 1024) {}

    // The `count` bytes at `position`, or null when the file ends before them. A position is never
    // before an earlier one.
    const unsigned char* Bytes(std::int64_t position, std::size_t count)
    {
        const auto wanted = position + static_cast<std::int64_t>(count);
        if (wanted > end())
            fill(position);
        return wanted <= end() ? buffer_.data() + (position - start_) : nullptr;
    }

private:
    std::int64_t end() const { return start_ + static_cast<std::int64_t>(filled_); }

    void fill(std::int64_t position)
    {
        const auto kept = static_cast<std::size_t>(std::max<std::int64_t>(0, end() - position));
        std::memmove(buffer_.data(), buffer_.data() + (filled_ - kept), kept);
        if (kept == 0 && position != end() && std::fseek(file_, position, SEEK_SET) != 0)
            return;
        start_ = position;
        filled_ = kept + std::fread(buffer_.data() + kept, 1, buffer_.size() - kept, file_);
    }

    std::FILE* file_;
    std::vector<unsigned char> buffer_;
    std::int64_t start_ = 0;
    std::size_t filled_ = 0;
};

std::int64_t fileSize(std::FILE* file)
{
    if (std::fseek(file, 0, SEEK_END) != 0)
        return -1;
    const std::int64_t size = std::ftell(file);
    return std::fseek(file, 0, SEEK_SET) == 0 ? size : -1;
}

// Where the audio ends: before an ID3v1 tag, when there is one.
std::int64_t audioEnd(std::FILE* file, std::int64_t size)
{
    char tag[3] = {};
    if (size < kId3v1Bytes || std::fseek(file, size - kId3v1Bytes, SEEK_SET) != 0 ||
        std::fread(tag, 1, 3, file) != 3 || std::fseek(file, 0, SEEK_SET) != 0)
        return size;
    return std::memcmp(tag, "TAG", 3) == 0 ? size - kId3v1Bytes : size;
}

class StreamScanner {
public:
    StreamScanner(std::FILE* file, std::int64_t end) : window_(file), end_(end) {}

    std::optional<AudioStreamScan> Scan()
    {
        while (const std::int64_t tag =
                   plat::Id3v2TagBytes(window_.Bytes(position_, plat::kId3v2HeaderBytes)))
            position_ += tag;
        // Audio begins where the file or its tag does: a file that does not is no audio file.
        if (!frameAt(position_, false))
            return std::nullopt;
        while (position_ < end_) {
            if (const std::optional<MpegAudioHeader> header = frameAt(position_, false)) {
                add(*header);
                continue;
            }
            const std::optional<std::int64_t> next = nextConfirmedFrame();
            if (!next)
                break;
            scan_.skipped.push_back({position_, *next - position_});
            position_ = *next;
        }
        scan_.ignoredBytes = end_ - position_;
        // One frame followed by anything else is more likely chance than audio.
        if (scan_.frameBytes.size() == 1 && (scan_.ignoredBytes > 0 || !scan_.skipped.empty()))
            return std::nullopt;
        return scan_;
    }

private:
    // The frame at `position` when its header is sound, it fits the stream and, when `confirmed`, it
    // ends the audio or another frame follows it: a lone header among damaged bytes is likely chance.
    std::optional<MpegAudioHeader> frameAt(std::int64_t position, bool confirmed)
    {
        const std::int64_t room = end_ - position;
        if (room < kHeaderBytes)
            return std::nullopt;
        const auto wanted =
            static_cast<std::size_t>(std::min<std::int64_t>(room, kLargestFrame + kHeaderBytes));
        const unsigned char* bytes = window_.Bytes(position, wanted);
        const std::optional<MpegAudioHeader> header = bytes ? ParseLayerTwoHeader(bytes) : std::nullopt;
        // A change of sampling frequency cannot go on in the same stream.
        if (!header || header->frameBytes > room ||
            (!scan_.frameBytes.empty() && header->sampleRate != scan_.first.sampleRate))
            return std::nullopt;
        if (!confirmed || header->frameBytes == room)
            return header;
        if (room < header->frameBytes + kHeaderBytes)
            return std::nullopt;
        const std::optional<MpegAudioHeader> next = ParseLayerTwoHeader(bytes + header->frameBytes);
        return next && next->sampleRate == header->sampleRate ? header : std::nullopt;
    }

    std::optional<std::int64_t> nextConfirmedFrame()
    {
        for (std::int64_t position = position_ + 1; position + kHeaderBytes <= end_; ++position) {
            if (frameAt(position, true))
                return position;
        }
        return std::nullopt;
    }

    void add(const MpegAudioHeader& header)
    {
        if (scan_.frameBytes.empty())
            scan_.first = header;
        if (scan_.runs.empty() || scan_.runs.back().offset + scan_.runs.back().bytes != position_)
            scan_.runs.push_back({position_, 0});
        scan_.runs.back().bytes += header.frameBytes;
        scan_.frameBytes.push_back(header.frameBytes);
        scan_.audioBytes += header.frameBytes;
        position_ += header.frameBytes;
    }

    FileWindow window_;
    std::int64_t position_ = 0;
    std::int64_t end_;
    AudioStreamScan scan_;
};

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
    const std::int64_t size = fileSize(file);
    if (size < 0)
        return std::nullopt;
    std::optional<AudioStreamScan> scan = StreamScanner(file, audioEnd(file, size)).Scan();
    if (std::ferror(file))
        return std::nullopt;
    return scan;
}

} // namespace mplex
