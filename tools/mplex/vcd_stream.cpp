#include "tools/mplex/vcd_stream.h"

#include "tools/mplex/mpeg_audio_frame.h"

#include <algorithm>

namespace mplex {

namespace {

constexpr int kPackHeaderBytes = 12;
constexpr int kTrailerBytes = 20;
constexpr int kPacketRoom = kSectorBytes - kPackHeaderBytes - kTrailerBytes;
// Start code, length, buffer size and a time stamp (or stuffing of the same size).
constexpr int kAudioHeaderBytes = 13;
constexpr int kMaxPayload = kPacketRoom - kAudioHeaderBytes;
constexpr int kSmallestPadding = 7;
constexpr int kAudioBufferBytes = 4096;
constexpr unsigned kAudioBufferUnits = kAudioBufferBytes / 128;
constexpr unsigned kAudioStream = 0xC0;
// A sector takes the time of a whole 2352-byte CD sector at the mux rate, in 90 kHz ticks.
constexpr std::int64_t kTicksPerByteNumerator = 90000 / 50;
constexpr std::int64_t kSectorTimeNumerator = 2352 * kTicksPerByteNumerator;

std::int64_t slotTime(std::int64_t slot, int muxRate)
{
    return (slot * kSectorTimeNumerator + muxRate / 2) / muxRate;
}

class SectorWriter {
public:
    SectorWriter(Sector& sector, std::int64_t scr, int muxRate) : sector_(sector)
    {
        sector_.fill(0);
        StartCode(0xBA);
        Timestamp(scr);
        Rate(muxRate);
    }

    void Byte(unsigned value) { sector_[position_++] = static_cast<unsigned char>(value); }
    void Word(unsigned value)
    {
        Byte(value >> 8);
        Byte(value & 0xFF);
    }
    void StartCode(unsigned id)
    {
        Word(0);
        Byte(1);
        Byte(id);
    }
    void Fill(unsigned value, int count)
    {
        for (int i = 0; i < count; ++i)
            Byte(value);
    }
    void Copy(const unsigned char* bytes, int count)
    {
        std::copy(bytes, bytes + count, sector_.begin() + position_);
        position_ += count;
    }
    // 33 bits in five bytes behind the '0010' prefix, with marker bits.
    void Timestamp(std::int64_t ticks)
    {
        Byte(0x21 | ((ticks >> 29) & 0x0E));
        Byte((ticks >> 22) & 0xFF);
        Byte(((ticks >> 14) & 0xFE) | 1);
        Byte((ticks >> 7) & 0xFF);
        Byte(((ticks << 1) & 0xFE) | 1);
    }
    void Rate(int rate)
    {
        Byte(0x80 | ((rate >> 15) & 0x7F));
        Byte((rate >> 7) & 0xFF);
        Byte(((rate & 0x7F) << 1) | 1);
    }
    // A padding packet of `bytes` bytes in all.
    void Padding(int bytes)
    {
        StartCode(0xBE);
        Word(static_cast<unsigned>(bytes - 6));
        Byte(0x0F);
        Fill(0xFF, bytes - kSmallestPadding);
    }
    int Used() const { return position_; }

private:
    Sector& sector_;
    int position_ = 0;
};

void systemHeader(SectorWriter& writer, int muxRate)
{
    writer.StartCode(0xBB);
    writer.Word(9);
    writer.Rate(muxRate);
    writer.Byte(0x05); // one audio stream, constrained parameters
    writer.Byte(0xE0); // audio and video locked to the clock, no video
    writer.Byte(0xFF);
    writer.Byte(kAudioStream);
    writer.Word(0xC000 | kAudioBufferUnits);
}

} // namespace

MuxPlan PlanAudioPackets(const std::vector<int>& frameBytes, int sampleRate, int muxRate)
{
    const std::size_t frames = frameBytes.size();
    std::vector<std::int64_t> frameStart(frames + 1, 0);
    for (std::size_t i = 0; i < frames; ++i)
        frameStart[i + 1] = frameStart[i] + frameBytes[i];
    const std::int64_t total = frameStart[frames];

    MuxPlan plan;
    plan.firstScr = slotTime(0, muxRate);
    // Decoding starts once the first audio sector is in.
    const std::int64_t firstPts = slotTime(2, muxRate);
    const auto pts = [&](std::size_t frame) {
        return firstPts + static_cast<std::int64_t>(frame) * kSamplesPerFrame * 90000 / sampleRate;
    };

    std::int64_t slot = 0;
    std::int64_t offset = 0;
    std::int64_t decodedBytes = 0;
    std::size_t decoded = 0, started = 0, arrived = 0;
    while (offset < total) {
        const int payload = static_cast<int>(std::min<std::int64_t>(kMaxPayload, total - offset));
        // Frames leave the buffer at their presentation time.
        const auto roomAt = [&](std::int64_t time) {
            while (decoded < frames && pts(decoded) <= time)
                decodedBytes += frameBytes[decoded++];
            return kAudioBufferBytes - (offset - decodedBytes);
        };
        ++slot;
        while (roomAt(slotTime(slot, muxRate)) < payload)
            ++slot;
        AudioPacket packet{slotTime(slot, muxRate), payload, std::nullopt};
        while (frameStart[started] < offset)
            ++started;
        if (started < frames && frameStart[started] < offset + payload)
            packet.pts = pts(started);
        // A frame whose last byte comes in after its presentation time plays late.
        for (; arrived < frames && frameStart[arrived + 1] <= offset + payload; ++arrived) {
            const std::int64_t position =
                kPackHeaderBytes + kAudioHeaderBytes + frameStart[arrived + 1] - offset;
            const std::int64_t arrival =
                packet.scr + (position * kTicksPerByteNumerator + muxRate - 1) / muxRate;
            plan.underRuns += arrival > pts(arrived) ? 1 : 0;
        }
        plan.packets.push_back(packet);
        offset += payload;
    }
    plan.endScr = slotTime(slot + 1, muxRate);
    return plan;
}

Sector SystemHeaderSector(std::int64_t scr, int muxRate)
{
    Sector sector;
    SectorWriter writer(sector, scr, muxRate);
    systemHeader(writer, muxRate);
    writer.Padding(kPackHeaderBytes + kPacketRoom - writer.Used());
    return sector;
}

Sector AudioSector(const AudioPacket& packet, const unsigned char* payload, int muxRate)
{
    Sector sector;
    SectorWriter writer(sector, packet.scr, muxRate);
    const int left = kPacketRoom - kAudioHeaderBytes - packet.payloadBytes;
    // What is too small for a padding packet goes into the packet as stuffing.
    const int stuffing = (packet.pts ? 0 : 4) + (left < kSmallestPadding ? left : 0);
    writer.StartCode(kAudioStream);
    writer.Word(static_cast<unsigned>(kAudioHeaderBytes - 6 + (left < kSmallestPadding ? left : 0) +
                                      packet.payloadBytes));
    writer.Fill(0xFF, stuffing);
    writer.Word(0x4000 | kAudioBufferUnits);
    if (packet.pts)
        writer.Timestamp(*packet.pts);
    else
        writer.Byte(0x0F);
    writer.Copy(payload, packet.payloadBytes);
    if (left >= kSmallestPadding)
        writer.Padding(left);
    return sector;
}

Sector EndSector(std::int64_t scr, int muxRate)
{
    Sector sector;
    SectorWriter writer(sector, scr, muxRate);
    writer.Padding(kSectorBytes - kPackHeaderBytes - 4);
    writer.StartCode(0xB9);
    return sector;
}

} // namespace mplex
