#include "platform/audio_decoder.h"

#include "platform/declared_metadata.h"
#include "platform/in_order_workers.h"
#include "platform/mpeg_audio_segments.h"
#include "platform/source_input.h"

#include <QFile>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avstring.h>
#include <libavutil/channel_layout.h>
#include <libavutil/mem.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

namespace plat {

namespace {

QString ErrorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

// No block the libraries allocate needs more than twice the metadata a source may declare (a buffer
// that doubles as it takes a picture in): a bigger one comes of a size a damaged file declares, which
// they would otherwise allocate whole, whether the file holds it or not.
constexpr std::size_t MostBytesPerBlock = 2 * MaxDeclaredMetadata + (1 << 20);

// Once for the process. The libraries would also write their complaints about damaged files on
// standard error (some, such as a cover picture that does not decode, at the fatal level).
void SetUpLibraries()
{
    static const bool done = [] {
        av_log_set_level(AV_LOG_QUIET);
        av_max_alloc(MostBytesPerBlock);
        return true;
    }();
    (void)done;
}

// The containers of the formats read. A playlist, a concat list or an image sequence would make the
// library open other files or addresses named in the content, so those are refused.
constexpr const char* SourceContainers = "mp3,mpeg,ogg,asf,wav";

// What the WAV reader takes too: a higher rate is damage, and resampling from it would cost gigabytes.
constexpr int MaxSourceRate = 384000;

bool IsUsableRate(int rate)
{
    return rate > 0 && rate <= MaxSourceRate;
}

// No container is allowed to open anything beside the source itself.
int RefuseFurtherOpens(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**)
{
    return AVERROR(EPERM);
}

// No format spends less than this on a second of audio: a declared duration the file cannot hold is
// damage, not a length.
constexpr double MinSourceBytesPerSecond = 8;

} // namespace

struct AudioDecoder::State {
    ~State()
    {
        segments.reset();
        swr_free(&resampler);
        av_channel_layout_uninit(&resamplerLayout);
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
    }

    bool Open(const QString& fileName, const AudioDecoderOptions& options, QString& error)
    {
        SetUpLibraries();
        int result = openContainer(fileName, error);
        if (result >= 0)
            result = avformat_find_stream_info(format, nullptr);
        if (result < 0) {
            if (error.isEmpty())
                error = ErrorText(result);
            return false;
        }
        const AVCodec* decoder = nullptr;
        stream = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
        if (stream < 0) {
            error = stream == AVERROR_DECODER_NOT_FOUND ? QStringLiteral("No decoder for its audio")
                                                        : QStringLiteral("No audio in the file");
            return false;
        }
        for (unsigned index = 0; index < format->nb_streams; ++index)
            if (static_cast<int>(index) != stream)
                format->streams[index]->discard = AVDISCARD_ALL;

        codec = avcodec_alloc_context3(decoder);
        packet = av_packet_alloc();
        frame = av_frame_alloc();
        if (!codec || !packet || !frame) {
            error = ErrorText(AVERROR(ENOMEM));
            return false;
        }
        result = avcodec_parameters_to_context(codec, format->streams[stream]->codecpar);
        codec->pkt_timebase = format->streams[stream]->time_base;
        if (result >= 0)
            result = avcodec_open2(codec, decoder, nullptr);
        if (result < 0) {
            error = ErrorText(result);
            return false;
        }
        if (!IsUsableRate(codec->sample_rate) || codec->ch_layout.nb_channels <= 0) {
            error = QStringLiteral("Unknown or unusable sampling frequency or channel count");
            return false;
        }
        outChannels = options.OutChannels > 0 ? std::min(options.OutChannels, 2)
                                              : (codec->ch_layout.nb_channels == 1 ? 1 : 2);
        outRate = options.OutRate > 0 ? options.OutRate : codec->sample_rate;
        durationSeconds = declaredDuration();
        // The segments' reader and the caller take a core each, the decoders the others. The container
        // is read on another thread then: the length must not need it.
        const int decoders = UsableCores() - 2;
        if (options.AllCores && decoders > 1 && durationSeconds > 0 &&
            MpegAudioSegments::Suits(*format, stream, *decoder))
            segments = std::make_unique<MpegAudioSegments>(*format, stream, *decoder, decoders, source);
        source.Opened();
        return true;
    }

    std::int64_t Read(void* buffer, std::int64_t maxBytes)
    {
        if (failed)
            return -1;
        const std::int64_t wanted = maxBytes / FrameBytes() * FrameBytes();
        while (PendingBytes() < wanted && !ended)
            if (!decodeStep()) {
                failed = true;
                return -1;
            }
        if (ended && !producedAny) {
            failed = true;
            return -1;
        }
        const std::int64_t count = std::min(wanted, PendingBytes());
        if (count == 0)
            return 0;
        std::memcpy(buffer, pending.data(), static_cast<std::size_t>(count));
        dropPending(count);
        position += count;
        return count;
    }

    bool Seek(double seconds)
    {
        const AVStream* audio = format->streams[stream];
        seconds = std::max(seconds, 0.0);
        const std::int64_t target =
            av_rescale_q(std::llrint(seconds * AV_TIME_BASE), AV_TIME_BASE_Q, audio->time_base) + startTime();
        segments.reset();
        source.PacketRead();
        if (avformat_seek_file(format, stream, INT64_MIN, target, target, 0) < 0)
            return false;
        avcodec_flush_buffers(codec);
        swr_free(&resampler);
        pending.clear();
        draining = ended = failed = false;
        decodeErrors = 0;
        position = SecondsToBytes(seconds);
        seekTarget = seconds;
        trimAfterSeek = true;
        discardBytes = 0;
        return true;
    }

    std::int64_t LengthBytes() const
    {
        if (durationSeconds > 0)
            return SecondsToBytes(durationSeconds);
        const std::int64_t produced = position + PendingBytes();
        if (ended)
            return produced;
        const std::int64_t fileSize = format->pb ? avio_size(format->pb) : -1;
        const std::int64_t filePosition = format->pb ? avio_tell(format->pb) : -1;
        if (fileSize <= 0 || filePosition <= 0 || produced <= 0)
            return -1;
        const double estimate = static_cast<double>(produced) * static_cast<double>(fileSize) / filePosition;
        return std::llrint(estimate / FrameBytes()) * FrameBytes();
    }

    int FrameBytes() const { return 2 * outChannels; }
    std::int64_t PendingBytes() const { return static_cast<std::int64_t>(pending.size()); }
    std::int64_t SecondsToBytes(double seconds) const
    {
        return std::llrint(seconds * outRate) * FrameBytes();
    }

    SourceInput source;
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    int stream = -1;
    int outRate = 0;
    int outChannels = 0;
    double durationSeconds = -1;
    std::int64_t position = 0;
    bool failed = false;
    bool ended = false;

private:
    // The file alone, read by our own input (a name is never taken for an address), in a container of
    // the formats read.
    int openContainer(const QString& fileName, QString& error)
    {
        if (!source.Open(fileName, error))
            return AVERROR(EINVAL);
        const QByteArray url = "file:" + QFile::encodeName(fileName);
        const AVInputFormat* container = nullptr;
        const int result =
            av_probe_input_buffer2(source.Context(), &container, url.constData(), nullptr, 0, 0);
        if (result < 0)
            return result;
        if (av_match_list(container->name, SourceContainers, ',') <= 0) {
            error = QStringLiteral("Not an audio file (%1)").arg(QString::fromUtf8(container->long_name));
            return AVERROR_INVALIDDATA;
        }
        format = avformat_alloc_context();
        if (!format)
            return AVERROR(ENOMEM);
        format->pb = source.Context();
        format->io_open = RefuseFurtherOpens;
        return avformat_open_input(&format, url.constData(), container, nullptr);
    }

    double declaredDuration() const
    {
        const AVStream* audio = format->streams[stream];
        double seconds = -1;
        if (audio->duration != AV_NOPTS_VALUE && audio->duration > 0)
            seconds = static_cast<double>(audio->duration) * av_q2d(audio->time_base);
        else if (format->duration != AV_NOPTS_VALUE && format->duration > 0)
            seconds = static_cast<double>(format->duration) / AV_TIME_BASE;
        const std::int64_t fileSize = avio_size(source.Context());
        const double mostSeconds = fileSize > 0 ? static_cast<double>(fileSize) / MinSourceBytesPerSecond : 0;
        return std::isfinite(seconds) && seconds > 0 && seconds <= mostSeconds ? seconds : -1;
    }

    std::int64_t startTime() const
    {
        const std::int64_t start = format->streams[stream]->start_time;
        return start == AV_NOPTS_VALUE ? 0 : start;
    }

    bool decodeStep()
    {
        if (segments)
            return segmentStep();
        const int result = avcodec_receive_frame(codec, frame);
        if (result == 0) {
            decodeErrors = 0;
            return takeFrame();
        }
        if (result == AVERROR_EOF)
            return finish();
        if (result == AVERROR(EAGAIN)) {
            decodeErrors = 0;
            return draining ? finish() : feedPacket();
        }
        if (result == AVERROR(ENOMEM))
            return false;
        return ++decodeErrors < MaxDecodeErrorsInARow;
    }

    bool segmentStep()
    {
        switch (segments->Next(*frame)) {
        case MpegAudioSegments::TNext::Frame:
            return takeFrame();
        case MpegAudioSegments::TNext::End:
            return finish();
        case MpegAudioSegments::TNext::Failed:
            break;
        }
        return false;
    }

    bool feedPacket()
    {
        for (;;) {
            if (av_read_frame(format, packet) < 0) {
                // The end of the file, or damage the demuxer cannot get past: what was decoded stands,
                // unless the file could not be read at all.
                if (format->pb && format->pb->error < 0 && format->pb->error != AVERROR_EOF)
                    return false;
                draining = true;
                avcodec_send_packet(codec, nullptr);
                return true;
            }
            source.PacketRead();
            if (packet->stream_index != stream) {
                av_packet_unref(packet);
                continue;
            }
            const int sent = avcodec_send_packet(codec, packet);
            av_packet_unref(packet);
            return sent != AVERROR(ENOMEM); // a packet the decoder refuses is skipped
        }
    }

    // Hands the frame's samples on and lets it go.
    bool takeFrame()
    {
        const bool taken = convertFrame();
        av_frame_unref(frame);
        return taken;
    }

    bool convertFrame()
    {
        if (frame->nb_samples <= 0)
            return true;
        if (!prepareResampler())
            return false;
        if (trimAfterSeek)
            startAtTheSeekTarget();
        const int capacity = swr_get_out_samples(resampler, frame->nb_samples);
        if (capacity < 0 ||
            !convert(const_cast<const std::uint8_t**>(frame->extended_data), frame->nb_samples, capacity))
            return false;
        const std::int64_t dropped = std::min(discardBytes, PendingBytes());
        dropPending(dropped);
        discardBytes -= dropped;
        return true;
    }

    // The pending bytes are a queue: what is handed out goes, so they never hold more than a read and a
    // frame, however long the source.
    void dropPending(std::int64_t count)
    {
        pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(count));
    }

    // A seek lands on the packet before the target: drop what decodes ahead of it.
    void startAtTheSeekTarget()
    {
        trimAfterSeek = false;
        if (frame->best_effort_timestamp == AV_NOPTS_VALUE)
            return;
        const double frameTime = static_cast<double>(frame->best_effort_timestamp - startTime()) *
                                 av_q2d(format->streams[stream]->time_base);
        discardBytes = std::max<std::int64_t>(0, SecondsToBytes(seekTarget - frameTime));
    }

    bool convert(const std::uint8_t** input, int inputSamples, int capacity)
    {
        const std::size_t end = pending.size();
        pending.resize(end + static_cast<std::size_t>(capacity) * static_cast<std::size_t>(FrameBytes()));
        std::uint8_t* output = pending.data() + end;
        const int converted = swr_convert(resampler, &output, capacity, input, inputSamples);
        pending.resize(end + static_cast<std::size_t>(std::max(converted, 0) * FrameBytes()));
        producedAny = producedAny || converted > 0;
        return converted >= 0;
    }

    // The resampler follows the frames: their rate, sample format or channels may change mid-stream.
    bool prepareResampler()
    {
        AVChannelLayout layout{};
        if (!IsUsableRate(frame->sample_rate))
            return false;
        if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
            av_channel_layout_default(&layout, frame->ch_layout.nb_channels);
        else if (av_channel_layout_copy(&layout, &frame->ch_layout) < 0)
            return false;
        if (resampler && frame->sample_rate == resamplerRate && frame->format == resamplerFormat &&
            av_channel_layout_compare(&layout, &resamplerLayout) == 0) {
            av_channel_layout_uninit(&layout);
            return true;
        }
        if (resampler && !flushResampler())
            return false;
        swr_free(&resampler);
        av_channel_layout_uninit(&resamplerLayout);
        resamplerLayout = layout;
        resamplerRate = frame->sample_rate;
        resamplerFormat = frame->format;

        AVChannelLayout output{};
        av_channel_layout_default(&output, outChannels);
        int result =
            swr_alloc_set_opts2(&resampler, &output, AV_SAMPLE_FMT_S16, outRate, &resamplerLayout,
                                static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0, nullptr);
        // Mono goes to both sides at full level, as a mono source sounds when played; the library's own
        // mix would make it 3 dB quieter.
        if (result >= 0 && resamplerLayout.nb_channels == 1 && outChannels == 2) {
            const double bothSides[2] = {1.0, 1.0};
            result = swr_set_matrix(resampler, bothSides, 1);
        }
        if (result >= 0)
            result = swr_init(resampler);
        return result >= 0;
    }

    bool flushResampler()
    {
        for (;;) {
            const int capacity = swr_get_out_samples(resampler, 0);
            if (capacity <= 0)
                return capacity == 0;
            const std::size_t before = pending.size();
            if (!convert(nullptr, 0, capacity))
                return false;
            if (pending.size() == before)
                return true;
        }
    }

    bool finish()
    {
        if (resampler && !flushResampler())
            return false;
        ended = true;
        return true;
    }

    SwrContext* resampler = nullptr;
    AVChannelLayout resamplerLayout{};
    int resamplerRate = 0;
    int resamplerFormat = -1;
    std::vector<std::uint8_t> pending;
    bool draining = false;
    bool producedAny = false; // a frame decoded to nothing (a tiny piece resampled) is not audio
    int decodeErrors = 0;
    bool trimAfterSeek = false;
    double seekTarget = 0;
    std::int64_t discardBytes = 0;
    std::unique_ptr<MpegAudioSegments> segments;
};

std::unique_ptr<AudioDecoder> AudioDecoder::Open(const QString& fileName, const AudioDecoderOptions& options,
                                                 QString& error)
{
    auto state = std::make_unique<State>();
    if (!state->Open(fileName, options, error))
        return nullptr;
    error.clear();
    return std::unique_ptr<AudioDecoder>(new AudioDecoder(std::move(state)));
}

AudioDecoder::AudioDecoder(std::unique_ptr<State> state) : state_(std::move(state)) {}

AudioDecoder::~AudioDecoder() = default;

int AudioDecoder::SampleRate() const
{
    return state_->outRate;
}

int AudioDecoder::Channels() const
{
    return state_->outChannels;
}

std::int64_t AudioDecoder::Read(void* buffer, std::int64_t maxBytes)
{
    return state_->Read(buffer, maxBytes);
}

bool AudioDecoder::Active() const
{
    return !state_->failed && !(state_->ended && state_->PendingBytes() == 0);
}

std::int64_t AudioDecoder::PositionBytes() const
{
    return state_->position;
}

std::int64_t AudioDecoder::LengthBytes() const
{
    return state_->LengthBytes();
}

bool AudioDecoder::SeekSeconds(double seconds)
{
    return state_->Seek(seconds);
}

double AudioDecoder::BytesToSeconds(std::int64_t bytes) const
{
    return static_cast<double>(bytes) / FrameBytes() / SampleRate();
}

std::int64_t AudioDecoder::SecondsToBytes(double seconds) const
{
    return state_->SecondsToBytes(seconds);
}

DecoderLibraries LoadedDecoderLibraries()
{
    DecoderLibraries loaded;
    loaded.AvFormatMajor = avformat_version() >> 16;
    loaded.AvCodecMajor = avcodec_version() >> 16;
    loaded.SwResampleMajor = swresample_version() >> 16;
    const std::pair<AVCodecID, const char*> needed[] = {
        {AV_CODEC_ID_MP1, "MP1"},       {AV_CODEC_ID_MP2, "MP2"},     {AV_CODEC_ID_MP3, "MP3"},
        {AV_CODEC_ID_VORBIS, "Vorbis"}, {AV_CODEC_ID_WMAV1, "WMA 1"}, {AV_CODEC_ID_WMAV2, "WMA 2"}};
    for (const auto& [id, name] : needed)
        if (!avcodec_find_decoder(id))
            loaded.MissingDecoders << QString::fromLatin1(name);
    return loaded;
}

QString CheckDecoderLibraries(const DecoderLibraries& loaded)
{
    QStringList problems;
    const auto checkVersion = [&](const char* library, unsigned found, unsigned built) {
        if (found != built)
            problems << QStringLiteral("FFmpeg %1 version %2 was not loaded (found version %3)")
                            .arg(QString::fromLatin1(library))
                            .arg(built)
                            .arg(found);
    };
    checkVersion("libavformat", loaded.AvFormatMajor, LIBAVFORMAT_VERSION_MAJOR);
    checkVersion("libavcodec", loaded.AvCodecMajor, LIBAVCODEC_VERSION_MAJOR);
    checkVersion("libswresample", loaded.SwResampleMajor, LIBSWRESAMPLE_VERSION_MAJOR);
    for (const QString& decoder : loaded.MissingDecoders)
        problems << QStringLiteral("The FFmpeg decoder for %1 is missing").arg(decoder);
    return problems.join(u'\r');
}

QString CheckDecoderLibraries()
{
    return CheckDecoderLibraries(LoadedDecoderLibraries());
}

} // namespace plat
