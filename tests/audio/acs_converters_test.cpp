#include "audio/acs_converters.h"
#include "tests/support/acs_test_components.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>

namespace {

constexpr double Pi = 3.14159265358979323846;

// A sine of the given amplitude, each channel with its own phase.
std::vector<std::int16_t> Sine(int rate, int channels, double frequency, double amplitude, double seconds)
{
    std::vector<std::int16_t> samples;
    for (std::int64_t n = 0; n < std::int64_t(rate * seconds); ++n)
        for (int c = 0; c < channels; ++c)
            samples.push_back(
                std::int16_t(std::lrint(amplitude * std::sin(2 * Pi * frequency * double(n) / rate + c))));
    return samples;
}

struct SineFit {
    double Amplitude, SignalToNoiseDb;
};

// Least-squares fit of a sine of the given frequency (plus an offset) to one channel over whole
// periods from 0.2 s to 0.7 s; the noise is whatever the fit leaves unexplained.
SineFit FitSine(const std::vector<std::int16_t>& samples, int channels, int channel, int rate,
                double frequency)
{
    const std::int64_t first = rate / 5, count = rate / 2;
    auto at = [&](std::int64_t n) { return double(samples[std::size_t((first + n) * channels + channel)]); };
    auto angle = [&](std::int64_t n) { return 2 * Pi * frequency * double(first + n) / rate; };
    double sinSum = 0, cosSum = 0, sum = 0;
    for (std::int64_t n = 0; n < count; ++n) {
        sinSum += at(n) * std::sin(angle(n));
        cosSum += at(n) * std::cos(angle(n));
        sum += at(n);
    }
    const double a = 2 * sinSum / double(count), b = 2 * cosSum / double(count), offset = sum / double(count);
    double signal = 0, noise = 0;
    for (std::int64_t n = 0; n < count; ++n) {
        const double fitted = a * std::sin(angle(n)) + b * std::cos(angle(n));
        signal += fitted * fitted;
        noise += std::pow(at(n) - offset - fitted, 2);
    }
    return {std::hypot(a, b), 10 * std::log10(signal / noise)};
}

std::vector<std::int16_t> Resample(const std::vector<std::int16_t>& samples, int channels, int from, int to)
{
    MemorySource source(Pcm16(samples), 16, channels, from);
    TRateConverter converter;
    converter.SetOutSampleRate(to);
    converter.SetInput(&source);
    return Samples16(PullAll(converter));
}

} // namespace

TEST(SampleConverter, ChangesTheSampleSizeExactly)
{
    MemorySource sixteen(Pcm16({-32768, 0, 32767, -1, 256, 255}), 16, 2, 22050);
    TSampleConverter to8;
    to8.SetInput(&sixteen);
    EXPECT_EQ(to8.GetBPS(), 8);
    EXPECT_EQ(PullAll(to8).toHex(), "0080ff7f8180");

    MemorySource eight(QByteArray::fromHex("8000ff01"), 8, 1, 8000);
    TSampleConverter to16;
    to16.SetInput(&eight);
    EXPECT_EQ(to16.GetBPS(), 16);
    EXPECT_EQ(Samples16(PullAll(to16)), (std::vector<std::int16_t>{0, -32768, 32512, -32512}));

    // Every byte survives the way to 16 bits and back.
    QByteArray everyByte;
    for (int value = 0; value < 256; ++value)
        everyByte.append(char(value));
    MemorySource bytes(everyByte, 8, 1, 8000);
    to16.SetInput(&bytes);
    to8.SetInput(&to16);
    EXPECT_EQ(PullAll(to8), everyByte);
}

TEST(MSConverter, AveragesStereoToMonoTowardZeroAndPutsAMonoSampleWhereTheModeSays)
{
    MemorySource stereo(Pcm16({-3, 0, 3, 0, 32767, 32767, -32768, -32768, -32768, 32767}), 16, 2, 44100);
    TMSConverter converter;
    converter.SetInput(&stereo);
    EXPECT_EQ(converter.GetCh(), 1);
    EXPECT_EQ(Samples16(PullAll(converter)), (std::vector<std::int16_t>{-1, 1, 32767, -32768, 0}));

    MemorySource mono(Pcm16({5, -7}), 16, 1, 44100);
    converter.SetInput(&mono);
    EXPECT_EQ(converter.GetCh(), 2);
    EXPECT_EQ(Samples16(PullAll(converter)), (std::vector<std::int16_t>{5, 5, -7, -7}));
    converter.Mode = msmMonoToLeft;
    EXPECT_EQ(Samples16(PullAll(converter)), (std::vector<std::int16_t>{5, 0, -7, 0}));
    converter.Mode = msmMonoToRight;
    EXPECT_EQ(Samples16(PullAll(converter)), (std::vector<std::int16_t>{0, 5, 0, -7}));
}

TEST(Converters, HandOutWholeFramesExactlyTheSizeTheyAnnounceWhateverCameBefore)
{
    // 16-bit stereo with half a frame too many, handed out in awkward pieces.
    const QByteArray input = Pcm16(Sine(44100, 2, 440, 20000, 0.5)) + QByteArray(2, '\x11');
    TSampleConverter to8;
    TMSConverter toMono;
    TRateConverter up, down;
    up.SetOutSampleRate(48000);
    down.SetOutSampleRate(11025);
    for (TACSConverter* converter : std::initializer_list<TACSConverter*>{&to8, &toMono, &up, &down}) {
        QByteArray first;
        for (const std::int64_t chunk : {1, 3, 4095, 65536}) {
            MemorySource source(input, 16, 2, 44100);
            source.ChunkSize = chunk;
            converter->SetInput(&source);
            const QByteArray output = PullAll(*converter, 333);
            EXPECT_EQ(output.size(), converter->Size.load()) << "chunk " << chunk;
            EXPECT_EQ(output.size() % (converter->GetBPS() / 8 * converter->GetCh()), 0);
            if (first.isEmpty())
                first = output;
            // Nor does the run before: its tail must not leak into this one.
            EXPECT_EQ(output, first) << "the pieces the input comes in change nothing";
            converter->SetInput(nullptr);
        }
    }
}

TEST(Converters, KeepAnUnknownSizeUnknownAndRefuseARateOfZero)
{
    MemorySource source(Pcm16(Sine(22050, 2, 1000, 1000, 0.1)), 16, 2, 22050);
    source.Announced = -1;
    TSampleConverter to8;
    TMSConverter toMono;
    TRateConverter rate;
    for (TACSConverter* converter : std::initializer_list<TACSConverter*>{&to8, &toMono, &rate}) {
        converter->SetInput(&source);
        converter->Init();
        EXPECT_EQ(converter->Size.load(), -1);
        converter->Flush();
    }
    MemorySource noRate(QByteArray(100, '\0'), 16, 2, 0);
    rate.SetInput(&noRate);
    EXPECT_EQ(RaisedText([&] { rate.Init(); }), "Unsupported input format");
    EXPECT_FALSE(rate.Busy);
}

TEST(RateConverter, OutputCountsFollowTheConverterRules)
{
    // Raising 22050 to 44100 doubles the data, announced and delivered.
    MemorySource mono(QByteArray(1'000'000, '\0'), 16, 1, 22050);
    TRateConverter up;
    up.SetOutSampleRate(44100);
    up.SetInput(&mono);
    EXPECT_EQ(PullAll(up).size(), 2'000'000);
    EXPECT_EQ(up.Size.load(), 2'000'000);

    // 44100 to 48000: one frame more than the plain ratio, never a partial frame.
    MemorySource stereo(QByteArray(1'000'000, '\0'), 16, 2, 44100);
    up.SetOutSampleRate(48000);
    up.SetInput(&stereo);
    EXPECT_EQ(PullAll(up).size(), 1'088'436);

    // Lowering 48000 to 44100: the first input frame gives an output, the second none.
    TRateConverter down;
    down.SetOutSampleRate(44100);
    for (const auto& [frames, outputs] : {std::pair{1, 1}, {2, 1}, {3, 2}, {12, 11}, {13, 12}}) {
        MemorySource source(QByteArray(frames * 4, '\0'), 16, 2, 48000);
        down.SetInput(&source);
        EXPECT_EQ(PullAll(down).size(), outputs * 4) << frames << " input frames";
        EXPECT_EQ(down.Size.load(), outputs * 4);
    }
}

// Raising 22050 to 44100 keeps 80 dB against the ideal sine; lowering picks the nearest sample
// after each output instant, so its timing error limits it to about 28 dB at 1 kHz.
TEST(RateConverter, KeepsFrequencyAndLevel)
{
    const double amplitude = 16000;
    for (const auto& [from, to, channels, minimumSignalToNoiseDb] : {std::tuple{22050, 44100, 1, 80},
                                                                     {22050, 44100, 2, 80},
                                                                     {44100, 96000, 2, 60},
                                                                     {48000, 44100, 2, 25},
                                                                     {48000, 44100, 1, 25},
                                                                     {44100, 44100, 1, 80}}) {
        const auto output = Resample(Sine(from, channels, 1000, amplitude, 1.0), channels, from, to);
        for (int channel = 0; channel < channels; ++channel) {
            SCOPED_TRACE(testing::Message() << from << " to " << to << ", channel " << channel);
            const SineFit fit = FitSine(output, channels, channel, to, 1000);
            EXPECT_NEAR(20 * std::log10(fit.Amplitude / amplitude), 0.0, 0.5);
            // A shifted frequency would leave nearly all the power unexplained by the fit.
            EXPECT_GE(fit.SignalToNoiseDb, minimumSignalToNoiseDb);
        }
    }
}

TEST(RateConverter, ExtremeRatesSaturateWithoutWrappingAndFinishWithTheirCounts)
{
    // A full-scale square wave: the filter overshoots its edges.
    std::vector<std::int16_t> square;
    for (int n = 0; n < 44100 / 5; ++n)
        square.push_back(n / 50 % 2 ? -32768 : 32767);
    for (const int rate : {96000, 200000}) {
        const auto output = Resample(square, 1, 44100, rate);
        EXPECT_EQ(*std::max_element(output.begin(), output.end()), 32767);
        EXPECT_EQ(*std::min_element(output.begin(), output.end()), -32768);
        int largestStep = 0;
        for (std::size_t k = 1; k < output.size(); ++k)
            largestStep = std::max(largestStep, std::abs(output[k] - output[k - 1]));
        EXPECT_LT(largestStep, 40000) << "a wrapped sample jumps across the whole range";
    }

    const auto up = Resample(std::vector<std::int16_t>(100, 30000), 1, 100, 200000);
    EXPECT_EQ(up.size(), 200'000u);
    EXPECT_EQ(up.back(), 30000);
    const auto down = Resample(std::vector<std::int16_t>(400'000, -30000), 2, 200000, 100);
    EXPECT_EQ(down.size(), 2u * 100);
    EXPECT_EQ(down.back(), -30000);
}

// Lowering the rate filters out what the new rate cannot hold: a tone above its half would come back
// folded down to an audible one. The floors are the attenuations the converter gives (80.2, 79.3, 77.2,
// 78.5, 74.7 and 77.0 dB) less 3 dB.
TEST(RateConverter, LoweringTheRateFiltersOutWhatTheNewRateCannotHold)
{
    const double amplitude = 16000;
    for (const auto& [from, to, channels, frequency, minimumDb] : {std::tuple{48000, 44100, 2, 23000.0, 77.0},
                                                                   {48000, 22050, 1, 14000.0, 76.0},
                                                                   {44100, 22050, 1, 15000.0, 74.0},
                                                                   {44100, 11025, 1, 9000.0, 75.0},
                                                                   {48000, 32000, 1, 19000.0, 71.0},
                                                                   {44100, 8000, 1, 9000.0, 74.0}}) {
        const auto input = Sine(from, channels, frequency, amplitude, 1.0);
        const auto output = Resample(input, channels, from, to);
        // Over the middle of each, away from the filter's start and end.
        const auto rms = [channels](const std::vector<std::int16_t>& samples, int rate, int channel) {
            double sum = 0;
            const std::int64_t first = rate / 10, count = rate * 8 / 10;
            for (std::int64_t n = first; n < first + count; ++n)
                sum += std::pow(double(samples[std::size_t(n * channels + channel)]), 2);
            return std::sqrt(sum / double(count));
        };
        for (int channel = 0; channel < channels; ++channel) {
            SCOPED_TRACE(testing::Message()
                         << from << " to " << to << ", " << frequency << " Hz, channel " << channel);
            EXPECT_GE(20 * std::log10(rms(input, from, channel) / rms(output, to, channel)), minimumDb);
        }
    }
}
