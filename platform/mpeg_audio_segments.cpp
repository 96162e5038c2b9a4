#include "platform/mpeg_audio_segments.h"

#include "platform/in_order_workers.h"
#include "platform/source_input.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <cstdint>
#include <cstring>
#include <vector>

namespace plat {

namespace {

constexpr std::size_t PacketsPerSegment = 128;
// A layer III frame takes up to 511 bytes of its data from the frames before it, and every layer's
// filter bank carries one frame's worth of samples into the next: a segment's decoder starts on enough
// of the packets before it to hold both, however small the frames.
constexpr int WarmUpBytes = 2048;
constexpr std::size_t WarmUpPackets = 3;

struct PacketFree {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct FrameFree {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct CodecFree {
    void operator()(AVCodecContext* codec) const { avcodec_free_context(&codec); }
};
using Packet = std::unique_ptr<AVPacket, PacketFree>;
using Frame = std::unique_ptr<AVFrame, FrameFree>;
using Codec = std::unique_ptr<AVCodecContext, CodecFree>;

// A copy, not a reference: no packet's data is shared by two threads.
Packet CopyOf(const AVPacket& packet)
{
    Packet copy(av_packet_alloc());
    if (!copy || av_new_packet(copy.get(), packet.size) < 0 || av_packet_copy_props(copy.get(), &packet) < 0)
        throw std::bad_alloc();
    std::memcpy(copy->data, packet.data, static_cast<std::size_t>(packet.size));
    return copy;
}

struct Segment {
    std::vector<Packet> warmUp; // decoded and thrown away
    std::vector<Packet> packets;
    bool readEnded = false; // no packet follows
    bool readFailed = false;
};

struct Decoded {
    std::vector<Frame> frames;
    bool failed = false; // after the frames
};

// What the segments' decoders share; it outlives the workers.
struct StreamCodec {
    const AVCodec& decoder;
    const AVCodecParameters& parameters;
    AVRational timeBase;

    Codec Open() const
    {
        Codec codec(avcodec_alloc_context3(&decoder));
        if (!codec || avcodec_parameters_to_context(codec.get(), &parameters) < 0)
            return nullptr;
        codec->pkt_timebase = timeBase;
        return avcodec_open2(codec.get(), &decoder, nullptr) < 0 ? nullptr : std::move(codec);
    }
};

// One packet in, its frames out, the way the single decoder goes: a packet the decoder refuses is
// skipped, and only a run of failing frames or a lack of memory is a fault.
bool DecodePacket(AVCodecContext& codec, const AVPacket& packet, std::vector<Frame>* kept)
{
    if (avcodec_send_packet(&codec, &packet) == AVERROR(ENOMEM))
        return false;
    for (int errors = 0;;) {
        Frame frame(av_frame_alloc());
        if (!frame)
            return false;
        const int result = avcodec_receive_frame(&codec, frame.get());
        if (result == 0) {
            errors = 0;
            if (kept)
                kept->push_back(std::move(frame));
        } else if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) {
            return true;
        } else if (result == AVERROR(ENOMEM) || ++errors >= MaxDecodeErrorsInARow) {
            return false;
        }
    }
}

Decoded DecodeSegment(const StreamCodec& stream, const Segment& segment)
{
    Decoded decoded;
    const Codec codec = stream.Open();
    decoded.failed = !codec;
    if (decoded.failed)
        return decoded;
    for (const Packet& packet : segment.warmUp)
        DecodePacket(*codec, *packet, nullptr); // a fault there is the segment before's to report
    for (const Packet& packet : segment.packets)
        if (!DecodePacket(*codec, *packet, &decoded.frames)) {
            decoded.failed = true;
            break;
        }
    return decoded;
}

} // namespace

struct MpegAudioSegments::State {
    State(AVFormatContext& format, int stream, const AVCodec& decoder, int decoders, SourceInput& input)
        : format(format), input(input), stream(stream), codec{decoder, *format.streams[stream]->codecpar,
                                                              format.streams[stream]->time_base},
          ahead(decoders), workers(decoders), reader(1)
    {
    }

    TNext Next(AVFrame& frame)
    {
        while (taken >= current.frames.size()) {
            if (current.failed)
                return TNext::Failed;
            if (!TakeSegment())
                return readFailed ? TNext::Failed : TNext::End;
        }
        av_frame_move_ref(&frame, current.frames[taken++].get());
        return TNext::Frame;
    }

private:
    bool TakeSegment()
    {
        while (!readEnded && workers.Waiting() <= ahead)
            DecodeNextRead();
        if (workers.Waiting() == 0)
            return false;
        current = workers.TakeNext();
        taken = 0;
        return true;
    }

    // The container is read on a thread of its own, a segment ahead of the decoders.
    void DecodeNextRead()
    {
        if (reader.Waiting() == 0)
            reader.Add([this] { return ReadSegment(); });
        const std::shared_ptr<const Segment> segment = reader.TakeNext();
        readEnded = segment->readEnded;
        readFailed = segment->readFailed;
        if (!readEnded)
            reader.Add([this] { return ReadSegment(); });
        if (!segment->packets.empty())
            workers.Add([this, segment] { return DecodeSegment(codec, *segment); });
    }

    // On the reader's thread.
    std::shared_ptr<const Segment> ReadSegment()
    {
        auto segment = std::make_shared<Segment>();
        segment->warmUp = std::move(nextWarmUp);
        while (segment->packets.size() < PacketsPerSegment && ReadPacket(*segment))
            ;
        nextWarmUp = LastPackets(*segment);
        return segment;
    }

    bool ReadPacket(Segment& segment)
    {
        Packet packet(av_packet_alloc());
        if (!packet)
            throw std::bad_alloc();
        if (av_read_frame(&format, packet.get()) < 0) {
            // The end of the file, or damage the demuxer cannot get past: what was decoded stands,
            // unless the file could not be read at all.
            segment.readEnded = true;
            segment.readFailed = format.pb && format.pb->error < 0 && format.pb->error != AVERROR_EOF;
            return false;
        }
        input.PacketRead();
        if (packet->stream_index == stream)
            segment.packets.push_back(std::move(packet));
        return true;
    }

    // The last packets read, enough of them to start the next segment's decoder on.
    static std::vector<Packet> LastPackets(const Segment& segment)
    {
        std::vector<const AVPacket*> newestFirst;
        int bytes = 0;
        for (const std::vector<Packet>* packets : {&segment.packets, &segment.warmUp})
            for (auto packet = packets->rbegin(); packet != packets->rend(); ++packet) {
                if (newestFirst.size() >= WarmUpPackets && bytes >= WarmUpBytes)
                    break;
                newestFirst.push_back(packet->get());
                bytes += (*packet)->size;
            }
        std::vector<Packet> copies;
        for (auto packet = newestFirst.rbegin(); packet != newestFirst.rend(); ++packet)
            copies.push_back(CopyOf(**packet));
        return copies;
    }

    AVFormatContext& format;
    SourceInput& input;
    const int stream;
    const StreamCodec codec;
    const std::int64_t ahead;
    std::vector<Packet> nextWarmUp; // the reader's
    bool readEnded = false;
    bool readFailed = false;
    Decoded current;
    std::size_t taken = 0;
    // Last, so that they are destroyed first: their jobs use the members above.
    InOrderWorkers<Decoded> workers;
    InOrderWorkers<std::shared_ptr<const Segment>> reader;
};

bool MpegAudioSegments::Suits(const AVFormatContext& format, int stream, const AVCodec& decoder)
{
    // The decoders that give integers carry each sample's rounding remainder into the next, from the
    // first sample to the last: only one that gives floating-point samples starts afresh.
    const bool floats = decoder.sample_fmts && decoder.sample_fmts[0] == AV_SAMPLE_FMT_FLTP;
    return format.streams[stream]->codecpar->codec_id == AV_CODEC_ID_MP3 && floats &&
           !(decoder.capabilities & AV_CODEC_CAP_DELAY);
}

MpegAudioSegments::MpegAudioSegments(AVFormatContext& format, int stream, const AVCodec& decoder,
                                     int decoders, SourceInput& input)
    : state_(std::make_unique<State>(format, stream, decoder, decoders, input))
{
}

MpegAudioSegments::~MpegAudioSegments() = default;

MpegAudioSegments::TNext MpegAudioSegments::Next(AVFrame& frame)
{
    return state_->Next(frame);
}

} // namespace plat
