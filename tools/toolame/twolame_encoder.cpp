#include "tools/toolame/twolame_encoder.h"

#include "tools/common/console.h"

#include <twolame.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace toolame {

namespace {

constexpr int kFramesPerBlock = 50;
constexpr int kSamplesPerBlock = kFramesPerBlock * TWOLAME_SAMPLES_PER_FRAME;
// Room for a block's frames at the highest bit rate and the lowest sampling frequency.
constexpr int kOutputBytes = kFramesPerBlock * 1728 + 16384;

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

// Hands out the WAV samples a block at a time, stopping where the data ends.
class PcmReader {
public:
    PcmReader(std::FILE* input, const WavFormat& format)
        : input_(input), frameBytes_(format.blockAlign), bytesLeft_(AudioBytes(format))
    {
    }

    // Returns the number of samples per channel read into `samples`; 0 at the end.
    int Read(std::vector<short>& samples)
    {
        const std::int64_t wanted = std::min<std::int64_t>(kSamplesPerBlock * frameBytes_, bytesLeft_);
        bytes_.resize(static_cast<std::size_t>(wanted - wanted % frameBytes_));
        if (std::fread(bytes_.data(), 1, bytes_.size(), input_) != bytes_.size())
            throw tools::Failure("cannot read the input file");
        bytesLeft_ -= static_cast<std::int64_t>(bytes_.size());
        samples.resize(bytes_.size() / 2);
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = static_cast<short>(bytes_[2 * i] | (bytes_[2 * i + 1] << 8));
        return static_cast<int>(bytes_.size() / static_cast<std::size_t>(frameBytes_));
    }

private:
    std::FILE* input_;
    std::int64_t frameBytes_;
    std::int64_t bytesLeft_;
    std::vector<unsigned char> bytes_;
};

} // namespace

EncodeResult EncodeWav(const Options& options, const WavFormat& format, std::FILE* input,
                       tools::OutputFile& output, const std::function<void(std::int64_t)>& progress)
{
    Encoder encoder = makeEncoder(options, format);
    EncodeResult result;
    std::vector<unsigned char> mp2(kOutputBytes);
    const auto store = [&](int written) {
        if (written < 0)
            throw tools::Failure("the encoder failed");
        output.Write(mp2.data(), static_cast<std::size_t>(written));
        result.bytes += written;
    };
    PcmReader reader(input, format);
    std::vector<short> samples;
    std::int64_t samplesFed = 0;
    while (const int count = reader.Read(samples)) {
        store(twolame_encode_buffer_interleaved(encoder.get(), samples.data(), count, mp2.data(),
                                                kOutputBytes));
        samplesFed += count;
        progress(samplesFed / TWOLAME_SAMPLES_PER_FRAME);
    }
    store(twolame_encode_flush(encoder.get(), mp2.data(), kOutputBytes));
    result.frames = (samplesFed + TWOLAME_SAMPLES_PER_FRAME - 1) / TWOLAME_SAMPLES_PER_FRAME;
    return result;
}

} // namespace toolame
