#include "audio/acs_converters.h"

#include <algorithm>
#include <cmath>

namespace {

std::int16_t LoadSample(const std::uint8_t* data)
{
    return std::int16_t(std::uint16_t(data[0] | data[1] << 8));
}

void StoreSample(std::uint8_t* data, std::int16_t sample)
{
    data[0] = std::uint8_t(std::uint16_t(sample) & 0xFF);
    data[1] = std::uint8_t(std::uint16_t(sample) >> 8);
}

// Filter overshoot on full-scale input is clipped: wrapping round would put clicks in the sound.
std::int16_t Saturate(double value)
{
    return std::int16_t(std::clamp(std::nearbyint(value), -32768.0, 32767.0));
}

} // namespace

// ---- TSampleConverter ----

int TSampleConverter::GetBPS()
{
    return RequireInput().GetBPS() == 16 ? 8 : 16;
}

int TSampleConverter::GetCh()
{
    return RequireInput().GetCh();
}

int TSampleConverter::GetSR()
{
    return RequireInput().GetSR();
}

void TSampleConverter::Init()
{
    StartInput();
    TACSInput& input = RequireInput();
    From16 = input.GetBPS() == 16;
    ReadSize = From16 ? 32768 : 16384;
    Size = OutputSize(input.Size, input.GetCh() * (From16 ? 1 : 2));
}

std::uint8_t* TSampleConverter::RefillBuffer()
{
    return Buffer.data();
}

std::span<const std::uint8_t> TSampleConverter::Convert(std::int64_t Count)
{
    std::uint8_t* const data = Buffer.data();
    if (From16) {
        const std::int64_t samples = Count / 2;
        for (std::int64_t k = 0; k < samples; ++k)
            data[k] = std::uint8_t((LoadSample(data + 2 * k) + 32768) >> 8);
        return {data, std::size_t(samples)};
    }
    // Growing in place runs from the end, so no unread byte is overwritten.
    for (std::int64_t k = Count - 1; k >= 0; --k)
        StoreSample(data + 2 * k, std::int16_t(data[k] * 256 - 32768));
    return {data, std::size_t(Count * 2)};
}

// ---- TMSConverter ----

int TMSConverter::GetBPS()
{
    RequireInput();
    return 16;
}

int TMSConverter::GetCh()
{
    return RequireInput().GetCh() == 1 ? 2 : 1;
}

int TMSConverter::GetSR()
{
    return RequireInput().GetSR();
}

void TMSConverter::Init()
{
    StartInput();
    TACSInput& input = RequireInput();
    FromStereo = input.GetCh() == 2;
    ReadSize = FromStereo ? 32768 : 16384;
    Size = OutputSize(input.Size, FromStereo ? 2 : 4);
}

std::uint8_t* TMSConverter::RefillBuffer()
{
    return Buffer.data();
}

std::span<const std::uint8_t> TMSConverter::Convert(std::int64_t Count)
{
    std::uint8_t* const data = Buffer.data();
    if (FromStereo) {
        const std::int64_t frames = Count / 4;
        for (std::int64_t f = 0; f < frames; ++f)
            StoreSample(data + 2 * f,
                        std::int16_t((LoadSample(data + 4 * f) + LoadSample(data + 4 * f + 2)) / 2));
        return {data, std::size_t(frames * 2)};
    }
    const std::int64_t samples = Count / 2;
    for (std::int64_t f = samples - 1; f >= 0; --f) {
        const std::int16_t sample = LoadSample(data + 2 * f);
        StoreSample(data + 4 * f, Mode == msmMonoToRight ? 0 : sample);
        StoreSample(data + 4 * f + 2, Mode == msmMonoToLeft ? 0 : sample);
    }
    return {data, std::size_t(samples * 4)};
}

// ---- TRateConverter ----

int TRateConverter::GetBPS()
{
    return 16;
}

int TRateConverter::GetCh()
{
    return RequireInput().GetCh();
}

int TRateConverter::GetSR()
{
    return OutSampleRate;
}

void TRateConverter::SetOutSampleRate(int Value)
{
    if (!Busy && Value > 0)
        OutSampleRate = Value;
}

void TRateConverter::SetKernelWidth(int Value)
{
    if (!Busy && Value > 1)
        KernelWidth = Value;
}

void TRateConverter::Init()
{
    TACSInput& input = RequireInput();
    InSampleRate = input.GetSR();
    Channels = input.GetCh();
    if (InSampleRate <= 0 || Channels <= 0)
        throw EACSException(QStringLiteral("Unsupported input format"));
    StartInput();
    const float ratio = float(OutSampleRate) / float(InSampleRate);
    // When raising, one refill's interpolated output fits a 32768-byte buffer.
    ReadSize =
        ratio <= 1 ? 32768 : std::max<std::int64_t>(4, 4 * std::int64_t(32768.0 / double(ratio) / 4.0));
    AllocateBuffers(ratio);
    Size = OutputSize(input.Size, 2 * Channels);
    Phase = -1;
    // The cutoff is 0.4 times the lower rate, as a fraction of the higher one the filter runs at.
    Kernel.assign(std::size_t(KernelWidth), 0.0);
    CalculateSincKernel(Kernel, FilterWindow, 0.4 * double(ratio > 1 ? 1.0f / ratio : ratio));
}

void TRateConverter::AllocateBuffers(float Ratio)
{
    const std::int64_t frames = ReadSize / (2 * Channels);
    const std::int64_t outputs = frames * OutSampleRate / InSampleRate + 2;
    const std::size_t history = std::size_t(KernelWidth - 1) * std::size_t(Channels);
    InputBuffer.assign(std::size_t(ReadSize), 0);
    OutputBuffer.assign(std::size_t(outputs * 2 * Channels), 0);
    Line.assign(history + std::size_t(frames * Channels), 0);
    LastSample.assign(std::size_t(Channels), 0);
    if (Ratio >= 1) {
        Accumulator.assign(std::size_t((outputs + KernelWidth) * Channels), 0.0);
        History.assign(history, 0.0);
    }
}

std::uint8_t* TRateConverter::RefillBuffer()
{
    return InputBuffer.data();
}

std::span<const std::uint8_t> TRateConverter::Convert(std::int64_t Count)
{
    const std::int64_t frames = Count / (2 * Channels);
    std::int16_t* const samples = Line.data() + std::ptrdiff_t(KernelWidth - 1) * Channels;
    for (std::int64_t k = 0; k < frames * Channels; ++k)
        samples[k] = LoadSample(InputBuffer.data() + 2 * k);
    const std::int64_t outputs =
        InSampleRate <= OutSampleRate ? RaiseRate(samples, frames) : LowerRate(frames);
    return {OutputBuffer.data(), std::size_t(outputs * 2 * Channels)};
}

std::int64_t TRateConverter::OutputFrames(std::int64_t InputFrames) const
{
    return RateConvertedFrames(InputFrames, InSampleRate, OutSampleRate);
}

double TRateConverter::Interpolate(std::int16_t From, std::int16_t To) const
{
    // 64-bit products: OutSampleRate times a full-scale sample passes 32 bits above 65535 Hz.
    const std::int64_t weighted = (OutSampleRate - Phase) * From + Phase * To;
    return std::nearbyint(double(weighted) / double(OutSampleRate));
}

std::int64_t TRateConverter::RaiseRate(const std::int16_t* Samples, std::int64_t Frames)
{
    const int channels = Channels;
    std::fill(Accumulator.begin(), Accumulator.end(), 0.0);
    std::copy(History.begin(), History.end(), Accumulator.begin());
    if (Phase < 0)
        Phase = 0;
    std::int64_t outputs = 0;
    for (std::int64_t i = 0; i < Frames; ++i) {
        const std::int16_t* const to = Samples + i * channels;
        const std::int16_t* const from = i == 0 ? LastSample.data() : to - channels;
        for (; Phase < OutSampleRate; Phase += InSampleRate, ++outputs)
            for (int c = 0; c < channels; ++c) {
                const double value = Interpolate(from[c], to[c]);
                double* const target = Accumulator.data() + outputs * channels + c;
                for (int j = 0; j < KernelWidth; ++j)
                    target[j * channels] += value * Kernel[std::size_t(j)];
            }
        Phase -= OutSampleRate;
    }
    std::copy_n(Samples + (Frames - 1) * channels, channels, LastSample.begin());
    for (std::int64_t k = 0; k < outputs * channels; ++k)
        StoreSample(OutputBuffer.data() + 2 * k, Saturate(Accumulator[std::size_t(k)]));
    std::copy_n(Accumulator.begin() + outputs * channels, History.size(), History.begin());
    return outputs;
}

std::int64_t TRateConverter::LowerRate(std::int64_t Frames)
{
    const int channels = Channels;
    if (Phase < 0)
        Phase = OutSampleRate;
    std::int64_t outputs = 0;
    for (std::int64_t i = 0; i < Frames; ++i) {
        if (Phase > OutSampleRate) {
            Phase -= OutSampleRate;
            continue;
        }
        for (int c = 0; c < channels; ++c) {
            const std::int16_t* const window = Line.data() + i * channels + c;
            double filtered = 0.0;
            for (int j = 0; j < KernelWidth; ++j)
                filtered += window[j * channels] * Kernel[std::size_t(j)];
            StoreSample(OutputBuffer.data() + 2 * (outputs * channels + c), Saturate(filtered));
        }
        ++outputs;
        Phase += InSampleRate - OutSampleRate;
    }
    // The refill's last KernelWidth - 1 frames are the history of the next one.
    const auto history = std::ptrdiff_t(KernelWidth - 1) * channels;
    std::copy(Line.begin() + Frames * channels, Line.begin() + Frames * channels + history, Line.begin());
    return outputs;
}

std::int64_t RateConvertedFrames(std::int64_t inputFrames, int inRate, int outRate)
{
    // The exact counts the converter's two paths produce.
    const std::int64_t in = inRate, out = outRate;
    if (in <= out)
        return (inputFrames * out + in - 1) / in;
    return inputFrames == 0 ? 0 : (inputFrames - 1) * out / in + 1;
}

std::int64_t ConvertedFrames(TACSInput& input, const TPcmFormat& target)
{
    const std::int64_t size = input.Size;
    const int frameBytes = input.GetBPS() / 8 * input.GetCh();
    if (size < 0 || frameBytes <= 0 || input.GetSR() <= 0)
        return -1;
    return RateConvertedFrames(size / frameBytes, input.GetSR(), target.Rate);
}

TACSInput* WireConverters(TACSInput& input, const TPcmFormat& target, TSampleConverter& to16,
                          TMSConverter& channels, TRateConverter& rate, TSampleConverter& to8)
{
    TACSInput* last = &input;
    const auto append = [&last](TACSConverter& stage) {
        stage.SetInput(last);
        last = &stage;
    };
    if (input.GetBPS() == 8)
        append(to16);
    if (input.GetCh() != target.Channels)
        append(channels);
    if (input.GetSR() != target.Rate) {
        rate.SetOutSampleRate(target.Rate);
        append(rate);
    }
    if (target.Bits == 8)
        append(to8);
    return last;
}
