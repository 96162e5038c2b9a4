#include "audio/acs_wave.h"

#include "tests/audio/wave_fixtures.h"

#include <gtest/gtest.h>

#include <vector>

using namespace wavetest;

namespace {

// Decodes every block of a fixture's data chunk with the block decoders alone.
std::vector<std::int16_t> DecodeFixture(const QString& name)
{
    const QByteArray file = ReadFixture(name);
    const TWaveHeader header = ScanWaveHeader(file.left(WaveHeaderScanLimit), file.size());
    std::vector<std::int16_t> out;
    std::vector<std::int16_t> block(WaveBufferSize / 2);
    const auto* data = reinterpret_cast<const std::uint8_t*>(file.constData());
    for (std::int64_t at = header.DataOffset; at + header.BlockAlign <= file.size(); at += header.BlockAlign) {
        const int n = header.WavType == wtDVIADPCM
                          ? DecodeImaBlock(data + at, header.BlockAlign, header.Channels, block.data())
                          : DecodeMsAdpcmBlock(data + at, header.BlockAlign, header.Channels,
                                               header.SamplesPerBlock, header.Coefficients,
                                               header.CoefficientCount, block.data());
        out.insert(out.end(), block.begin(), block.begin() + n);
    }
    return out;
}

} // namespace

TEST(WaveCodecs, ImaMatchesSox)
{
    for (const char* layout : {"mono", "stereo"}) {
        const auto ours = DecodeFixture(QStringLiteral("wav-ima-%1.wav").arg(layout));
        const auto sox = Samples(ReadFixture(QStringLiteral("wav-ima-%1.s16").arg(layout)));
        ASSERT_FALSE(sox.empty());
        EXPECT_EQ(ours, sox) << layout;
    }
}

TEST(WaveCodecs, MsAdpcmMatchesFfmpeg)
{
    for (const char* layout : {"mono", "stereo"}) {
        const auto ours = DecodeFixture(QStringLiteral("wav-ms-%1.wav").arg(layout));
        const auto ffmpeg = Samples(ReadFixture(QStringLiteral("wav-ms-%1.s16").arg(layout)));
        ASSERT_FALSE(ffmpeg.empty());
        EXPECT_EQ(ours, ffmpeg) << layout;
    }
}
