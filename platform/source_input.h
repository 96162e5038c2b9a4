#pragma once

#include "platform/declared_metadata.h"

#include <QString>

#include <chrono>
#include <cstdint>

struct AVIOContext;

namespace plat {

// A source file as FFmpeg reads it, through a descriptor of our own and within bounds, so that any
// source costs at most what a song costs: only a regular file is opened, no stretch of the file that
// gives no packet may read more than MaxBytesWithoutPacket (a demuxer hunting for a frame in a file
// of zeros would otherwise keep all of it in memory) besides the metadata its container declares
// (tags, cover pictures: see DeclaredMetadata), and the opening ends after MaxOpeningTime. The tags at
// the end of an MPEG audio file are left out: read, they would be a stretch without audio, and taken
// for audio in the length the file's size gives.
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
    DeclaredMetadata metadata_;
    std::int64_t position_ = 0;
    std::int64_t sincePacket_ = 0; // metadata left out
    bool opening_ = true;
    std::chrono::steady_clock::time_point openingEnd_;
};

} // namespace plat
