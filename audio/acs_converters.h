#pragma once

#include "audio/acs_classes.h"
#include "audio/acs_procs.h"

#include <cstdint>
#include <vector>

// The sample-size, channel and sampling-rate converters of the WAV-to-WAV chain. Each converts
// whole frames only and keeps an unknown size (-1) unknown.

// 8-bit to 16-bit or 16-bit to 8-bit, whichever the input is not.
class TSampleConverter : public TACSConverter {
public:
    using TACSConverter::TACSConverter;

    int GetBPS() override;
    int GetCh() override;
    int GetSR() override;
    void Init() override;

protected:
    std::uint8_t* RefillBuffer() override;
    std::span<const std::uint8_t> Convert(std::int64_t Count) override;

private:
    bool From16 = false;
    std::vector<std::uint8_t> Buffer = std::vector<std::uint8_t>(32768);
};

enum TMSConverterMode : std::uint8_t { msmMonoToBoth = 0, msmMonoToLeft = 1, msmMonoToRight = 2 };

// Mono to stereo or 16-bit stereo to mono, whichever the input is not. An 8-bit input is not
// converted correctly, which is why chains put the 8-to-16-bit converter first.
class TMSConverter : public TACSConverter {
public:
    using TACSConverter::TACSConverter;

    int GetBPS() override;
    int GetCh() override;
    int GetSR() override;
    void Init() override;

    // Where a mono sample goes in the stereo frame; the other channel gets silence.
    TMSConverterMode Mode = msmMonoToBoth;

protected:
    std::uint8_t* RefillBuffer() override;
    std::span<const std::uint8_t> Convert(std::int64_t Count) override;

private:
    bool FromStereo = false;
    std::vector<std::uint8_t> Buffer = std::vector<std::uint8_t>(32768);
};

// Changes the sampling rate of 16-bit PCM to OutSampleRate through a windowed-sinc low-pass
// filter. Raising the rate (or keeping it) interpolates linearly and then filters; lowering it
// filters and keeps the filtered value at the input sample nearest after each output instant.
// The filter history carries across refills, so there are no seams.
class TRateConverter : public TACSConverter {
public:
    using TACSConverter::TACSConverter;

    int GetBPS() override;
    int GetCh() override;
    int GetSR() override;
    void Init() override;

    int GetOutSampleRate() const { return OutSampleRate; }
    // Ignored while busy or for a rate of 0 or less.
    void SetOutSampleRate(int Value);
    int GetKernelWidth() const { return KernelWidth; }
    // Ignored while busy or for a width of 1 or less.
    void SetKernelWidth(int Value);

    TFilterWindowType FilterWindow = fwBlackman;

protected:
    std::uint8_t* RefillBuffer() override;
    std::span<const std::uint8_t> Convert(std::int64_t Count) override;
    std::int64_t OutputFrames(std::int64_t InputFrames) const override;

private:
    void AllocateBuffers(float Ratio);
    std::int64_t RaiseRate(const std::int16_t* Samples, std::int64_t Frames);
    std::int64_t LowerRate(std::int64_t Frames);
    double Interpolate(std::int16_t From, std::int16_t To) const;

    int OutSampleRate = 22050;
    int KernelWidth = 30;
    int InSampleRate = 0;
    int Channels = 1;
    // Where the next output instant lies between two input samples, in units where one input
    // step is OutSampleRate; -1 until the run's first refill.
    std::int64_t Phase = -1;
    std::vector<std::uint8_t> InputBuffer;
    std::vector<std::uint8_t> OutputBuffer;
    // Lowering: the last KernelWidth - 1 input frames, then the frames of the refill.
    std::vector<std::int16_t> Line;
    // Raising: the scattered outputs of a refill, and those not yet complete carried to the next.
    std::vector<double> Accumulator;
    std::vector<double> History;
    std::vector<double> Kernel;
    // The previous refill's last frame.
    std::vector<std::int16_t> LastSample;
};

// The PCM format a WAV conversion asks for.
struct TPcmFormat {
    int Bits = 16;
    int Channels = 2;
    int Rate = 44100;
};

// Frames the rate converter makes of that many input frames.
std::int64_t RateConvertedFrames(std::int64_t inputFrames, int inRate, int outRate);
// Frames the chain that WireConverters builds makes of the input's audio; -1 when its size is unknown.
std::int64_t ConvertedFrames(TACSInput& input, const TPcmFormat& target);

// Wires only the stages the formats need, in the one order that works (the channel and rate converters
// take 16-bit samples only), from the input to the target format; returns the last stage.
TACSInput* WireConverters(TACSInput& input, const TPcmFormat& target, TSampleConverter& to16,
                          TMSConverter& channels, TRateConverter& rate, TSampleConverter& to8);
