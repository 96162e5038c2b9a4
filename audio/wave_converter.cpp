#include "audio/wave_converter.h"

#include "audio/acs_wave.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libswresample/swresample.h>
}

namespace {

constexpr std::uint16_t PcmTag = 0x0001;
constexpr std::uint16_t MpegLayer3Tag = 0x0055;

bool CodeIs(const QByteArray& bytes, int offset, const char* code)
{
    return bytes.mid(offset, 4).compare(QByteArray(code, 4), Qt::CaseInsensitive) == 0;
}

} // namespace

class TLayer3Decoder::Impl {
public:
    Impl(int channels, int sampleRate) : channels_(channels), rate_(sampleRate) {}
    ~Impl()
    {
        av_parser_close(parser_);
        avcodec_free_context(&codec_);
        swr_free(&resampler_);
        av_packet_free(&packet_);
        av_frame_free(&frame_);
        av_channel_layout_uninit(&inLayout_);
    }
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    int Open()
    {
        const AVCodec* decoder = avcodec_find_decoder(AV_CODEC_ID_MP3);
        if (!decoder)
            return AVERROR_DECODER_NOT_FOUND;
        parser_ = av_parser_init(AV_CODEC_ID_MP3);
        codec_ = avcodec_alloc_context3(decoder);
        packet_ = av_packet_alloc();
        frame_ = av_frame_alloc();
        if (!parser_ || !codec_ || !packet_ || !frame_)
            return AVERROR(ENOMEM);
        return avcodec_open2(codec_, decoder, nullptr);
    }

    // Feeds a piece through the parser; an empty piece drains the parser, the decoder and the resampler.
    int Feed(const QByteArray& piece, QByteArray& pcm)
    {
        pcm_ = &pcm;
        const bool draining = piece.isEmpty();
        // The parser reads past the end of its input: hand it a copy with the padding it may read.
        padded_.assign(piece.begin(), piece.end());
        padded_.resize(padded_.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
        const auto* data = reinterpret_cast<const std::uint8_t*>(padded_.data());
        qsizetype offset = 0;
        do {
            std::uint8_t* frameData = nullptr;
            int frameSize = 0;
            const int used =
                av_parser_parse2(parser_, codec_, &frameData, &frameSize, draining ? nullptr : data + offset,
                                 static_cast<int>(piece.size() - offset), AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
            if (used < 0)
                return used;
            offset += used;
            if (frameSize > 0) {
                if (const int error = Decode(frameData, frameSize))
                    return error;
            } else if (draining) {
                break;
            }
        } while (draining || offset < piece.size());
        if (!draining)
            return 0;
        if (const int error = Decode(nullptr, 0))
            return error;
        return Resample(nullptr, 0);
    }

private:
    int Decode(const std::uint8_t* frameData, int frameSize)
    {
        int error = 0;
        if (frameData) {
            // A packet of our own gives the decoder the padding it may read past the frame.
            if ((error = av_new_packet(packet_, frameSize)) < 0)
                return error;
            std::memcpy(packet_->data, frameData, frameSize);
            error = avcodec_send_packet(codec_, packet_);
            av_packet_unref(packet_);
        } else {
            error = avcodec_send_packet(codec_, nullptr);
        }
        if (error == AVERROR_INVALIDDATA)
            return 0;
        if (error < 0)
            return error;
        for (;;) {
            error = avcodec_receive_frame(codec_, frame_);
            if (error == AVERROR(EAGAIN) || error == AVERROR_EOF)
                return 0;
            if (error == AVERROR_INVALIDDATA)
                continue;
            if (error < 0)
                return error;
            error = PrepareResampler();
            if (error == 0)
                error = Resample(const_cast<const std::uint8_t**>(frame_->extended_data), frame_->nb_samples);
            av_frame_unref(frame_);
            if (error < 0)
                return error;
        }
    }

    // The stream may change its layout or rate between frames; the output keeps the target's.
    int PrepareResampler()
    {
        if (resampler_ && frame_->format == inFormat_ && frame_->sample_rate == inRate_ &&
            av_channel_layout_compare(&frame_->ch_layout, &inLayout_) == 0)
            return 0;
        if (resampler_)
            Resample(nullptr, 0);
        swr_free(&resampler_);
        av_channel_layout_uninit(&inLayout_);
        if (const int error = av_channel_layout_copy(&inLayout_, &frame_->ch_layout))
            return error;
        if (inLayout_.order == AV_CHANNEL_ORDER_UNSPEC)
            av_channel_layout_default(&inLayout_, inLayout_.nb_channels);
        inFormat_ = frame_->format;
        inRate_ = frame_->sample_rate;
        AVChannelLayout outLayout;
        av_channel_layout_default(&outLayout, channels_);
        int error = swr_alloc_set_opts2(&resampler_, &outLayout, AV_SAMPLE_FMT_S16, rate_, &inLayout_,
                                        static_cast<AVSampleFormat>(inFormat_), inRate_, 0, nullptr);
        if (error == 0)
            error = swr_init(resampler_);
        return error;
    }

    int Resample(const std::uint8_t** input, int samples)
    {
        if (!resampler_)
            return 0;
        const int room = swr_get_out_samples(resampler_, samples);
        if (room <= 0)
            return room;
        const int frameBytes = 2 * channels_;
        const qsizetype start = pcm_->size();
        pcm_->resize(start + qsizetype(room) * frameBytes);
        auto* out = reinterpret_cast<std::uint8_t*>(pcm_->data() + start);
        const int produced = swr_convert(resampler_, &out, room, input, samples);
        pcm_->resize(start + qsizetype(std::max(produced, 0)) * frameBytes);
        return std::min(produced, 0);
    }

    int channels_;
    int rate_;
    AVCodecParserContext* parser_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    SwrContext* resampler_ = nullptr;
    AVPacket* packet_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVChannelLayout inLayout_{};
    int inFormat_ = -1;
    int inRate_ = 0;
    QByteArray* pcm_ = nullptr;
    std::vector<char> padded_;
};

TLayer3Decoder::TLayer3Decoder(int channels, int sampleRate)
    : impl_(std::make_unique<Impl>(channels, sampleRate))
{
}

TLayer3Decoder::~TLayer3Decoder() = default;

int TLayer3Decoder::Open()
{
    return impl_->Open();
}

int TLayer3Decoder::Feed(const QByteArray& piece, QByteArray& pcm)
{
    return impl_->Feed(piece, pcm);
}

std::uint16_t TWaveFormatRecord::Get16(int offset) const
{
    return qFromLittleEndian<quint16>(Bytes.data() + offset);
}

std::uint32_t TWaveFormatRecord::Get32(int offset) const
{
    return qFromLittleEndian<quint32>(Bytes.data() + offset);
}

void TWaveFormatRecord::Set16(int offset, std::uint16_t value)
{
    qToLittleEndian<quint16>(value, Bytes.data() + offset);
}

void TWaveFormatRecord::Set32(int offset, std::uint32_t value)
{
    qToLittleEndian<quint32>(value, Bytes.data() + offset);
}

TWaveConverter::TWaveConverter()
{
    open(QIODevice::ReadWrite);
}

void TWaveConverter::ReplaceContent(const QByteArray& content)
{
    close();
    setData(content);
    open(QIODevice::ReadWrite);
}

void TWaveConverter::LoadFromStream(QIODevice& source)
{
    SourceFormat = {};
    ReplaceContent({});
    const QByteArray riff = source.read(12);
    if (riff.size() < 12 || !CodeIs(riff, 0, "RIFF") || !CodeIs(riff, 8, "WAVE"))
        return;
    for (;;) {
        const QByteArray chunk = source.read(8);
        if (chunk.size() < 8)
            break;
        const qint64 size = qFromLittleEndian<quint32>(chunk.constData() + 4);
        // A size beyond the end of the file takes what is there.
        const qint64 present = std::min(size, source.bytesAvailable());
        if (CodeIs(chunk, 0, "fmt ")) {
            const QByteArray body = source.read(present);
            SourceFormat = {};
            std::memcpy(SourceFormat.Bytes.data(), body.constData(),
                        std::min<size_t>(body.size(), TWaveFormatRecord::RecordSize));
        } else if (CodeIs(chunk, 0, "data") && size > 0) {
            ReplaceContent(source.read(present));
        } else {
            source.skip(present);
        }
        if (size & 1)
            source.skip(1);
    }
    seek(0);
}

int TWaveConverter::SuggestFormat()
{
    const int channels = SourceFormat.Channels();
    const std::uint32_t rate = SourceFormat.SampleRate();
    if (SourceFormat.FormatTag() != MpegLayer3Tag || DestFormat.FormatTag() != PcmTag || channels < 1 ||
        channels > 2 || rate == 0 || rate > MaxWaveSampleRate)
        return AVERROR(EINVAL);
    DestFormat = {};
    DestFormat.SetFormatTag(PcmTag);
    DestFormat.Set16(2, static_cast<std::uint16_t>(channels));
    DestFormat.Set32(4, rate);
    DestFormat.Set32(8, rate * 2 * channels);
    DestFormat.Set16(12, static_cast<std::uint16_t>(2 * channels));
    DestFormat.Set16(14, 16);
    return 0;
}

int TWaveConverter::Convert()
{
    if (SourceFormat.FormatTag() != MpegLayer3Tag || DestFormat.FormatTag() != PcmTag ||
        DestFormat.BitsPerSample() != 16 || DestFormat.Channels() < 1 || DestFormat.Channels() > 2 ||
        DestFormat.SampleRate() == 0 || DestFormat.SampleRate() > MaxWaveSampleRate)
        return AVERROR(EINVAL);
    TLayer3Decoder decoder(DestFormat.Channels(), static_cast<int>(DestFormat.SampleRate()));
    QByteArray pcm;
    int error = decoder.Open();
    if (error == 0 && !buffer().isEmpty())
        error = decoder.Feed(buffer(), pcm);
    if (error == 0)
        error = decoder.Feed({}, pcm);
    if (error == 0 && pcm.isEmpty())
        error = AVERROR_INVALIDDATA;
    if (error != 0)
        return error;
    SourceFormat = DestFormat;
    ReplaceContent(pcm);
    return 0;
}

void TWaveConverter::SaveToStream(QIODevice& dest)
{
    QByteArray header(44, '\0');
    std::memcpy(header.data(), "RIFF", 4);
    std::memcpy(header.data() + 8, "WAVEfmt ", 8);
    qToLittleEndian<quint32>(16, header.data() + 16);
    std::memcpy(header.data() + 20, SourceFormat.Bytes.data(), 16);
    std::memcpy(header.data() + 36, "data", 4);
    qToLittleEndian<quint32>(static_cast<quint32>(buffer().size()), header.data() + 40);
    dest.write(header);
    dest.write(buffer());
    const qint64 end = dest.pos();
    QByteArray riffSize(4, '\0');
    qToLittleEndian<quint32>(static_cast<quint32>(dest.size() - 8), riffSize.data());
    dest.seek(4);
    dest.write(riffSize);
    dest.seek(end);
}
