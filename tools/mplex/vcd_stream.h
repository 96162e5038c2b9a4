#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// An audio-only MPEG-1 system stream laid out for Video CD: sectors of 2324 bytes, each a pack of its
// own closed by 20 zero bytes; the first holds the system header, the last the end code.
namespace mplex {

inline constexpr int kSectorBytes = 2324;
// Mux rates count in units of 50 bytes a second; the Video CD rate is 1411200 bit/s.
inline constexpr int kVideoCdMuxRate = 3528;

using Sector = std::array<unsigned char, kSectorBytes>;

struct AudioPacket {
    std::int64_t scr = 0; // 90 kHz clock
    int payloadBytes = 0;
    std::optional<std::int64_t> pts; // of the first frame that starts in the packet
};

struct MuxPlan {
    std::int64_t firstScr = 0;
    std::vector<AudioPacket> packets;
    std::int64_t endScr = 0;
    int underRuns = 0;
};

// Cuts the audio into one packet per sector and sends each as early as the decoder's audio buffer
// has room for it, so the stream takes no more sectors than the audio needs.
MuxPlan PlanAudioPackets(const std::vector<int>& frameBytes, int sampleRate, int muxRate);

Sector SystemHeaderSector(std::int64_t scr, int muxRate);
Sector AudioSector(const AudioPacket& packet, const unsigned char* payload, int muxRate);
Sector EndSector(std::int64_t scr, int muxRate);

} // namespace mplex
