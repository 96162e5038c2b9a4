#include "audio/wave_converter.h"

#include "audio/acs_wave.h"
#include "tests/audio/wave_fixtures.h"
#include "tests/support/wav_image.h"

#include <QBuffer>

#include <gtest/gtest.h>

using namespace wavetest;

namespace {

struct Converted {
    int Result = -1;
    QByteArray Image;
};

Converted ConvertImage(const QByteArray& file)
{
    QBuffer source;
    source.setData(file);
    source.open(QIODevice::ReadOnly);
    TWaveConverter converter;
    converter.LoadFromStream(source);
    converter.DestFormat.SetFormatTag(1);
    Converted converted;
    converted.Result = converter.SuggestFormat();
    if (converted.Result == 0)
        converted.Result = converter.Convert();
    QBuffer image;
    image.open(QIODevice::ReadWrite);
    converter.SaveToStream(image);
    converted.Image = image.data();
    return converted;
}

std::vector<std::int16_t> PcmOf(const QByteArray& wave)
{
    const TWaveHeader header = ScanWaveHeader(wave.left(WaveHeaderScanLimit), wave.size());
    return Samples16(wave.mid(header.DataOffset, header.DataSize));
}

} // namespace

TEST(WaveConverter, DecodesLayer3ToPcmThatFollowsTheSource)
{
    const Converted converted = ConvertImage(ReadFixture("wav-mp3.wav"));
    ASSERT_EQ(converted.Result, 0);
    const TWaveHeader header = ScanWaveHeader(converted.Image, converted.Image.size());
    ASSERT_EQ(header.WavType, wtPCM);
    EXPECT_EQ(converted.Image.left(44),
              MakeWavImage(44100, 1, 16, QByteArray(header.DataSize, '\0')).left(44));
    EXPECT_EQ(header.DataSize, converted.Image.size() - 44);

    const auto source = PcmOf(ReadFixture(QStringLiteral("wav-mp3-source.wav")));
    const auto decoded = Samples16(converted.Image.mid(44));
    // The decoder's delay comes first; the length is the source's plus that delay, no trailing silence.
    EXPECT_GT(BestMatch(source, decoded, 0, source.size(), 3000).Correlation, 0.95);
    EXPECT_GE(decoded.size(), source.size());
    EXPECT_LT(decoded.size(), source.size() + 3000);
}

TEST(WaveConverter, TruncatedLayer3GivesFewerSamplesAndWhatIsNotLayer3Fails)
{
    const QByteArray whole = ReadFixture("wav-mp3.wav");
    const Converted full = ConvertImage(whole);
    const Converted cut = ConvertImage(whole.left(whole.size() / 2));
    ASSERT_EQ(cut.Result, 0);
    EXPECT_LT(cut.Image.size(), full.Image.size());
    EXPECT_GT(cut.Image.size(), full.Image.size() / 4);

    const QByteArray garbage = whole.left(whole.indexOf("data") + 8) + QByteArray(4000, '\x5a');
    for (const QByteArray& refused :
         {garbage, ReadFixture("wav-pcm16-mono.wav"), QByteArray("RIFX\0\0\0\0WAVE", 12)})
        EXPECT_NE(ConvertImage(refused).Result, 0);
}

TEST(WaveConverter, SkipsUnknownChunksAndPadBytes)
{
    // An odd-sized chunk with its pad byte, then a long "fmt " body, ahead of the data.
    const QByteArray file = ReadFixture("wav-mp3.wav");
    const int formatAt = file.indexOf("fmt ");
    QByteArray crafted = file.left(formatAt);
    crafted += QByteArray("junk\x03\0\0\0abc\0", 12);
    crafted += file.mid(formatAt);
    const Converted converted = ConvertImage(crafted);
    ASSERT_EQ(converted.Result, 0);
    EXPECT_EQ(converted.Image, ConvertImage(file).Image);
}
