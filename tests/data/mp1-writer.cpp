// A small MPEG-1 Layer I writer for the decoder fixtures (no Debian encoder writes Layer I).
// Usage: mp1-writer RATE CHANNELS KBITS < interleaved-s16le > out.mp1
// A plain encoder: a cosine-modulated 32-band filter bank on a root-raised-cosine prototype of our own,
// a scale factor per band and frame, and bits given greedily to the bands loudest above their noise.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int Bands = 32;
constexpr int Blocks = 12; // 12 x 32 = 384 samples per frame
constexpr double Pi = 3.14159265358979323846;

class BitWriter {
public:
    void Put(unsigned value, int bits)
    {
        for (int bit = bits - 1; bit >= 0; --bit) {
            current_ = static_cast<std::uint8_t>(current_ << 1 | ((value >> bit) & 1));
            if (++used_ == 8) {
                bytes_.push_back(current_);
                current_ = 0;
                used_ = 0;
            }
        }
    }
    std::vector<std::uint8_t> Take(std::size_t size)
    {
        while (used_ != 0)
            Put(0, 1);
        bytes_.resize(size, 0);
        std::vector<std::uint8_t> frame;
        frame.swap(bytes_);
        return frame;
    }

private:
    std::vector<std::uint8_t> bytes_;
    std::uint8_t current_ = 0;
    int used_ = 0;
};

// 32 bands from 512 samples: S[k] = sum_n h[n] x[n] cos((2k+1)(n-16)pi/64), newest sample first.
class AnalysisFilter {
public:
    AnalysisFilter()
    {
        for (int n = 0; n < 512; ++n) {
            const double t = (n - 256) / 64.0; // in band periods
            const double beta = 0.5; // roll-off: the best match for the standard synthesis filter we measured
            double h;
            if (std::abs(t) < 1e-9)
                h = 1 - beta + 4 * beta / Pi;
            else if (std::abs(std::abs(t) - 0.25 / beta) < 1e-9)
                h = beta / std::sqrt(2.0) *
                    ((1 + 2 / Pi) * std::sin(Pi / (4 * beta)) + (1 - 2 / Pi) * std::cos(Pi / (4 * beta)));
            else
                h = (std::sin(Pi * t * (1 - beta)) + 4 * beta * t * std::cos(Pi * t * (1 + beta))) /
                    (Pi * t * (1 - 16 * beta * beta * t * t));
            const double window = 0.5 - 0.5 * std::cos(2 * Pi * n / 512.0);
            prototype_[n] = h * window / 64.0;
        }
        for (int k = 0; k < Bands; ++k)
            for (int n = 0; n < 512; ++n)
                kernel_[k][n] = 2.0 * prototype_[n] * std::cos((2 * k + 1) * (n - 16) * Pi / 64.0);
    }

    // Takes 32 new samples (oldest first) and gives the 32 band samples.
    std::array<double, Bands> Step(const double* samples)
    {
        std::copy_backward(history_.begin(), history_.end() - Bands, history_.end());
        for (int i = 0; i < Bands; ++i)
            history_[i] = samples[Bands - 1 - i];
        std::array<double, Bands> bands{};
        for (int k = 0; k < Bands; ++k) {
            double sum = 0;
            for (int n = 0; n < 512; ++n)
                sum += kernel_[k][n] * history_[n];
            bands[k] = sum;
        }
        return bands;
    }

private:
    std::array<double, 512> prototype_{};
    std::array<std::array<double, 512>, Bands> kernel_{};
    std::array<double, 512> history_{};
};

double ScaleFactor(int index)
{
    return 2.0 * std::pow(2.0, -index / 3.0);
}

// The smallest scale factor that still holds the peak.
int ScaleIndex(double peak)
{
    int index = 0;
    while (index < 62 && ScaleFactor(index + 1) >= peak)
        ++index;
    return index;
}

struct Channel {
    std::array<std::array<double, Bands>, Blocks> Samples{};
    std::array<int, Bands> Scale{};
    std::array<int, Bands> Allocation{}; // 0, or the code: bits per sample - 1
};

void Allocate(std::vector<Channel>& channels, int availableBits)
{
    for (Channel& channel : channels)
        channel.Allocation.fill(0);
    for (;;) {
        Channel* best = nullptr;
        int bestBand = 0;
        double bestNoise = -200;
        for (Channel& channel : channels)
            for (int band = 0; band < Bands; ++band) {
                const int code = channel.Allocation[band];
                const int cost = code == 0 ? 6 + Blocks * 2 : Blocks;
                if (code == 14 || cost > availableBits)
                    continue;
                const double level = 20 * std::log10(ScaleFactor(channel.Scale[band]));
                const double noise = level - (code == 0 ? -60 : 6.02 * (code + 1));
                if (noise > bestNoise) {
                    bestNoise = noise;
                    best = &channel;
                    bestBand = band;
                }
            }
        if (!best || bestNoise < -100)
            return;
        availableBits -= best->Allocation[bestBand] == 0 ? 6 + Blocks * 2 : Blocks;
        ++best->Allocation[bestBand];
    }
}

unsigned Quantized(double sample, double scale, int bits)
{
    const int steps = (1 << bits) - 1;
    const int half = 1 << (bits - 1);
    const int level =
        std::clamp(static_cast<int>(std::lround(sample / scale * steps / 2.0)), 1 - half, half - 1);
    return static_cast<unsigned>(level - 1 + half); // the all-ones code is never written
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4)
        return 2;
    const int rate = std::atoi(argv[1]), channelCount = std::atoi(argv[2]), kbits = std::atoi(argv[3]);
    static const int bitRates[] = {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448};
    const int rateIndex = rate == 44100 ? 0 : rate == 48000 ? 1 : rate == 32000 ? 2 : -1;
    const int bitRateIndex =
        static_cast<int>(std::find(std::begin(bitRates), std::end(bitRates), kbits) - bitRates);
    if (rateIndex < 0 || bitRateIndex == 15 || kbits == 0 || channelCount < 1 || channelCount > 2)
        return 2;

    std::vector<AnalysisFilter> filters(channelCount);
    std::vector<Channel> channels(channelCount);
    const long slotsNumerator = 12L * kbits * 1000;
    long paddingCarry = 0;
    std::vector<std::int16_t> input(Bands * Blocks * channelCount);
    for (;;) {
        const std::size_t got = std::fread(input.data(), sizeof(std::int16_t), input.size(), stdin);
        if (got == 0)
            break;
        std::fill(input.begin() + static_cast<long>(got), input.end(), 0);

        for (int ch = 0; ch < channelCount; ++ch) {
            Channel& channel = channels[ch];
            for (int block = 0; block < Blocks; ++block) {
                double samples[Bands];
                for (int i = 0; i < Bands; ++i)
                    samples[i] = input[(block * Bands + i) * channelCount + ch] / 32768.0;
                channel.Samples[block] = filters[ch].Step(samples);
            }
            for (int band = 0; band < Bands; ++band) {
                double peak = 0;
                for (int block = 0; block < Blocks; ++block)
                    peak = std::max(peak, std::abs(channel.Samples[block][band]));
                channel.Scale[band] = ScaleIndex(peak);
            }
        }

        paddingCarry += slotsNumerator % rate;
        const bool padding = paddingCarry >= rate;
        if (padding)
            paddingCarry -= rate;
        const std::size_t frameBytes = static_cast<std::size_t>((slotsNumerator / rate + padding) * 4);
        Allocate(channels, static_cast<int>(frameBytes * 8) - 32 - 4 * Bands * channelCount);

        BitWriter bits;
        bits.Put(0xFFF, 12);
        bits.Put(1, 1); // MPEG-1
        bits.Put(3, 2); // Layer I
        bits.Put(1, 1); // no CRC
        bits.Put(static_cast<unsigned>(bitRateIndex), 4);
        bits.Put(static_cast<unsigned>(rateIndex), 2);
        bits.Put(padding, 1);
        bits.Put(0, 1);
        bits.Put(channelCount == 1 ? 3 : 0, 2); // single channel or stereo
        bits.Put(0, 2);
        bits.Put(0, 4); // no copyright, copy, no emphasis
        for (int band = 0; band < Bands; ++band)
            for (const Channel& channel : channels)
                bits.Put(static_cast<unsigned>(channel.Allocation[band]), 4);
        for (int band = 0; band < Bands; ++band)
            for (const Channel& channel : channels)
                if (channel.Allocation[band])
                    bits.Put(static_cast<unsigned>(channel.Scale[band]), 6);
        for (int block = 0; block < Blocks; ++block)
            for (int band = 0; band < Bands; ++band)
                for (const Channel& channel : channels)
                    if (const int code = channel.Allocation[band])
                        bits.Put(Quantized(channel.Samples[block][band], ScaleFactor(channel.Scale[band]),
                                           code + 1),
                                 code + 1);
        const std::vector<std::uint8_t> frame = bits.Take(frameBytes);
        std::fwrite(frame.data(), 1, frame.size(), stdout);
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
