#include "tools/toolame/twolame_encoder.h"

#include "platform/in_order_workers.h"
#include "tools/common/console.h"

#include <twolame.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <utility>
#include <vector>

namespace toolame {

namespace {

constexpr std::int64_t kSamplesPerFrame = TWOLAME_SAMPLES_PER_FRAME;
constexpr std::int64_t kFramesPerBlock = 50;
constexpr std::int64_t kSamplesPerBlock = kFramesPerBlock * kSamplesPerFrame;
// Room for a block's frames and the flushed last one at the highest bit rate and the lowest frequency.
constexpr int kOutputBytes = kFramesPerBlock * 1728 + 16384;
// Whole blocks, so that a segment prints the progress lines a single pass prints.
constexpr std::int64_t kFramesPerSegment = 4 * kFramesPerBlock;
// Without padding no frame depends on another; only the filter bank and the psychoacoustic model remember
// earlier samples, and they forget them within a frame. Two frames fed before a segment and dropped bring
// its encoder to the state a single pass has there, so the segment's bytes are the single pass's.
constexpr std::int64_t kWarmUpFrames = 2;

struct TwolameCloser {
    void operator()(twolame_options* options) const { twolame_close(&options); }
};
using Encoder = std::unique_ptr<twolame_options, TwolameCloser>;

TWOLAME_MPEG_mode libraryMode(ChannelMode mode)
{
    switch (mode) {
    case ChannelMode::Stereo:
        return TWOLAME_STEREO;
    case ChannelMode::JointStereo:
        return TWOLAME_JOINT_STEREO;
    case ChannelMode::DualChannel:
        return TWOLAME_DUAL_CHANNEL;
    case ChannelMode::Mono:
        break;
    }
    return TWOLAME_MONO;
}

Encoder makeEncoder(const Options& options, const WavFormat& format)
{
    Encoder encoder(twolame_init());
    if (!encoder)
        throw tools::Failure("the encoder cannot start (out of memory)");
    twolame_options* settings = encoder.get();
    // The library's own lines would reach our caller unformatted: we report ourselves.
    twolame_set_verbosity(settings, 0);
    twolame_set_version(settings, TWOLAME_MPEG1);
    // One input channel against a two-channel mode, or the reverse, makes the library mix.
    twolame_set_num_channels(settings, format.channels);
    twolame_set_mode(settings, libraryMode(options.mode));
    twolame_set_in_samplerate(settings, format.sampleRate);
    twolame_set_out_samplerate(settings, format.sampleRate);
    twolame_set_bitrate(settings, options.bitrateKbps);
    twolame_set_psymodel(settings, options.psychoacousticModel);
    twolame_set_padding(settings, options.paddingOff ? TWOLAME_PAD_NO : TWOLAME_PAD_ALL);
    twolame_set_error_protection(settings, options.errorProtection ? 1 : 0);
    twolame_set_copyright(settings, options.copyright ? 1 : 0);
    twolame_set_original(settings, options.original ? 1 : 0);
    if (twolame_init_params(settings) != 0)
        throw tools::Failure("the encoder refused its settings");
    return encoder;
}

// The WAV samples, read by position so that any thread can read its own part.
class PcmSource {
public:
    PcmSource(std::FILE* input, const WavFormat& format)
        : descriptor_(fileno(input)), offset_(format.dataOffset), frameBytes_(format.blockAlign),
          samples_(AudioBytes(format) / format.blockAlign)
    {
    }

    // Samples per channel.
    std::int64_t Samples() const { return samples_; }

    // Reads `count` samples per channel from sample `first` on, interleaved.
    void Read(std::int64_t first, std::int64_t count, std::vector<short>& samples) const
    {
        samples.resize(static_cast<std::size_t>(count * frameBytes_ / 2));
        auto* bytes = reinterpret_cast<unsigned char*>(samples.data());
        readAt(bytes, samples.size() * 2, offset_ + first * frameBytes_);
        // Little-endian in the file, whatever the machine.
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = static_cast<short>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }

private:
    void readAt(unsigned char* bytes, std::size_t size, std::int64_t offset) const
    {
        for (std::size_t done = 0; done < size;) {
            const ssize_t got =
                ::pread(descriptor_, bytes + done, size - done, offset + static_cast<off_t>(done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                throw tools::Failure("cannot read the input file");
            done += static_cast<std::size_t>(got);
        }
    }

    int descriptor_;
    std::int64_t offset_;
    std::int64_t frameBytes_;
    std::int64_t samples_;
};

struct FrameRange {
    std::int64_t first = 0;
    std::int64_t end = 0;
};

std::int64_t framesOf(std::int64_t samples)
{
    return (samples + kSamplesPerFrame - 1) / kSamplesPerFrame;
}

// Takes the encoded bytes of each block in order, with the count of frames fed once they are.
using BlockSink = std::function<void(const unsigned char* data, std::size_t size, std::int64_t framesFed)>;

int checked(int written)
{
    if (written < 0)
        throw tools::Failure("the encoder failed");
    return written;
}

// Encodes the frames of the range a block at a time, after its warm-up frames; the range that ends
// the file also flushes the last, partial frame.
void encodeFrames(const Options& options, const WavFormat& format, const PcmSource& source, FrameRange range,
                  const BlockSink& sink)
{
    Encoder encoder = makeEncoder(options, format);
    std::vector<short> samples;
    std::vector<unsigned char> mp2(kOutputBytes);
    const std::int64_t warmUpStart = std::max<std::int64_t>(0, range.first - kWarmUpFrames);
    if (warmUpStart < range.first) {
        const auto count = static_cast<int>((range.first - warmUpStart) * kSamplesPerFrame);
        source.Read(warmUpStart * kSamplesPerFrame, count, samples);
        checked(twolame_encode_buffer_interleaved(encoder.get(), samples.data(), count, mp2.data(),
                                                  kOutputBytes));
    }
    const std::int64_t end = std::min(range.end * kSamplesPerFrame, source.Samples());
    for (std::int64_t first = range.first * kSamplesPerFrame; first < end; first += kSamplesPerBlock) {
        const auto count = static_cast<int>(std::min(kSamplesPerBlock, end - first));
        source.Read(first, count, samples);
        int written = checked(twolame_encode_buffer_interleaved(encoder.get(), samples.data(), count,
                                                                mp2.data(), kOutputBytes));
        if (first + count == source.Samples())
            written +=
                checked(twolame_encode_flush(encoder.get(), mp2.data() + written, kOutputBytes - written));
        sink(mp2.data(), static_cast<std::size_t>(written), (first + count) / kSamplesPerFrame);
    }
}

// A segment's bytes, kept until the segments before it are written.
struct Segment {
    struct Block {
        std::size_t end = 0;
        std::int64_t framesFed = 0;
    };
    std::vector<unsigned char> bytes;
    std::vector<Block> blocks;

    void Add(const unsigned char* data, std::size_t size, std::int64_t framesFed)
    {
        bytes.insert(bytes.end(), data, data + size);
        blocks.push_back({bytes.size(), framesFed});
    }
    void SendTo(const BlockSink& sink) const
    {
        std::size_t start = 0;
        for (const Block& block : blocks) {
            sink(bytes.data() + start, block.end - start, block.framesFed);
            start = block.end;
        }
    }
};

// With padding, whether a frame takes a padding slot depends on the frames before it. Model 2 makes the
// library print a line of its own for every encoder it starts.
bool segmentable(const Options& options)
{
    return options.paddingOff && options.psychoacousticModel != 2;
}

// The library fills tables shared by all its encoders on their first frame. One frame of silence
// encoded before the threads start fills them while nothing else runs.
void fillSharedTables(const Options& options, const WavFormat& format)
{
    const Encoder encoder = makeEncoder(options, format);
    std::vector<short> silence(static_cast<std::size_t>(kSamplesPerFrame * format.channels));
    std::vector<unsigned char> mp2(kOutputBytes);
    checked(twolame_encode_buffer_interleaved(encoder.get(), silence.data(), kSamplesPerFrame, mp2.data(),
                                              kOutputBytes));
}

// Segments on every usable core, written in order as they come.
void encodeSegments(const Options& options, const WavFormat& format, const PcmSource& source,
                    std::int64_t segments, int threads, const BlockSink& sink)
{
    fillSharedTables(options, format);
    const std::int64_t frames = framesOf(source.Samples());
    const std::int64_t ahead = 2 * threads;
    plat::InOrderWorkers<Segment> workers(threads);
    for (std::int64_t index = 0; index < segments; ++index) {
        if (workers.Waiting() > ahead)
            workers.TakeNext().SendTo(sink);
        workers.Add([&, index] {
            const std::int64_t first = index * kFramesPerSegment;
            Segment segment;
            encodeFrames(options, format, source, {first, std::min(frames, first + kFramesPerSegment)},
                         [&segment](const unsigned char* data, std::size_t size, std::int64_t framesFed) {
                             segment.Add(data, size, framesFed);
                         });
            return segment;
        });
    }
    while (workers.Waiting() > 0)
        workers.TakeNext().SendTo(sink);
}

} // namespace

EncodeResult EncodeWav(const Options& options, const WavFormat& format, std::FILE* input,
                       tools::OutputFile& output, const std::function<void(std::int64_t)>& progress)
{
    const PcmSource source(input, format);
    EncodeResult result;
    result.frames = framesOf(source.Samples());
    const BlockSink write = [&](const unsigned char* data, std::size_t size, std::int64_t framesFed) {
        output.Write(data, size);
        result.bytes += static_cast<std::int64_t>(size);
        progress(framesFed);
    };
    const std::int64_t segments = (result.frames + kFramesPerSegment - 1) / kFramesPerSegment;
    const int threads = static_cast<int>(std::min<std::int64_t>(plat::UsableCores(), segments));
    if (!segmentable(options) || threads < 2)
        encodeFrames(options, format, source, {0, result.frames}, write);
    else
        encodeSegments(options, format, source, segments, threads, write);
    return result;
}

} // namespace toolame
