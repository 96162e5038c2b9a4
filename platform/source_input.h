#pragma once

#include <QString>

#include <chrono>
#include <cstdint>

struct AVIOContext;

namespace plat {

// A source file as FFmpeg reads it, through a descriptor of our own and within bounds, so that any
// source costs at most what a song costs: only a regular file is opened, no stretch of the file that
// gives no packet may read more than MaxBytesWithoutPacket (a demuxer hunting for a frame in a file
// of zeros would otherwise keep all of it in memory) beyond the ID3v2 tag a file may start with, and
// the opening ends after MaxOpeningTime.
class SourceInput {
public:
    static constexpr std::int64_t MaxBytesWithoutPacket = 16 << 20;
    static constexpr std::chrono::seconds MaxOpeningTime{10};

    SourceInput() = default;
    ~SourceInput();
    SourceInput(const SourceInput&) = delete;
    SourceInput& operator=(const SourceInput&) = delete;

    // False, with the reason in error, when the file is not a regular file or cannot be read.
    bool Open(const QString& fileName, QString& error);
    AVIOContext* Context() const { return context_; }

    // The opening is over: from now on only the bytes between packets are bounded.
    void Opened() { opening_ = false; }
    // A packet came out: the next stretch starts afresh. Called by whichever thread reads the container.
    void PacketRead() { sincePacket_ = 0; }

private:
    static int Read(void* opaque, std::uint8_t* buffer, int size);
    static std::int64_t Seek(void* opaque, std::int64_t offset, int whence);
    bool WithinBounds() const;

    int descriptor_ = -1;
    AVIOContext* context_ = nullptr;
    std::int64_t sincePacket_ = 0; // starts below 0 by the size of a leading tag
    bool opening_ = true;
    std::chrono::steady_clock::time_point openingEnd_;
};

} // namespace plat
