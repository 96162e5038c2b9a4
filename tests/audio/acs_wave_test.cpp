#include "audio/acs_wave.h"

#include "tests/audio/wave_fixtures.h"
#include "tests/audio/wave_test_support.h"
#include "tests/support/temp_world.h"

#include <QBuffer>
#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace wavetest;

namespace {

struct ReadResult {
    bool Valid = false;
    TWavType Type = wtUnsupported;
    int BPS = 0, Ch = 0, SR = 0;
    std::int64_t Size = 0;
    QByteArray Data;
};

// Opens a file the way the chain does, and reads everything it hands out.
ReadResult ReadAll(const QString& fileName)
{
    TWaveIn in;
    in.FileName = fileName;
    ReadResult result;
    result.Valid = in.GetValid();
    result.Type = in.GetWavType();
    result.BPS = in.GetBPS();
    result.Ch = in.GetCh();
    result.SR = in.GetSR();
    in.Init();
    result.Size = in.Size;
    char buffer[5000];
    while (const std::int64_t count = in.GetData(buffer, sizeof buffer))
        result.Data.append(buffer, count);
    in.Flush();
    return result;
}

class WaveInTest : public TempWorld {
protected:
    ReadResult ReadBytes(const QByteArray& file) { return ReadAll(WriteFile(QStringLiteral("x.wav"), file)); }
};

QByteArray Pcm16(int frames, int channels)
{
    std::vector<std::int16_t> samples(frames * channels);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = std::int16_t((i * 7919) % 20000 - 10000);
    return Bytes(samples);
}

} // namespace

// ---- Reading real files ----

TEST_F(WaveInTest, DecodesImaAdpcmExactlyAsSox)
{
    for (const char* layout : {"mono", "stereo"}) {
        const ReadResult read = ReadAll(FixturePath(QStringLiteral("wav-ima-%1.wav").arg(layout)));
        EXPECT_TRUE(read.Valid);
        EXPECT_EQ(read.Type, wtDVIADPCM);
        EXPECT_EQ(read.BPS, 16);
        EXPECT_EQ(read.SR, 22050);
        const QByteArray sox = ReadFixture(QStringLiteral("wav-ima-%1.s16").arg(layout));
        ASSERT_FALSE(sox.isEmpty());
        // The last block is handed out whole, as sox does, beyond the "fact" count.
        EXPECT_EQ(read.Data, sox) << layout;
        EXPECT_LT(read.Size, read.Data.size());
    }
}

TEST_F(WaveInTest, DecodesMsAdpcmExactlyAsFfmpeg)
{
    for (const char* layout : {"mono", "stereo"}) {
        const ReadResult read = ReadAll(FixturePath(QStringLiteral("wav-ms-%1.wav").arg(layout)));
        EXPECT_TRUE(read.Valid);
        EXPECT_EQ(read.Type, wtMSADPCM);
        EXPECT_EQ(read.BPS, 16);
        EXPECT_EQ(read.Ch, QString::fromLatin1(layout) == "mono" ? 1 : 2);
        const QByteArray ffmpeg = ReadFixture(QStringLiteral("wav-ms-%1.s16").arg(layout));
        ASSERT_FALSE(ffmpeg.isEmpty());
        EXPECT_EQ(read.Data, ffmpeg) << layout;
    }
}

TEST_F(WaveInTest, HandsOutPcmAsStored)
{
    for (const char* name : {"wav-pcm8-mono", "wav-pcm8-stereo", "wav-pcm16-mono", "wav-pcm16-stereo"}) {
        const QByteArray file = ReadFixture(QString::fromLatin1(name) + QStringLiteral(".wav"));
        const ReadResult read = ReadAll(FixturePath(QString::fromLatin1(name) + QStringLiteral(".wav")));
        EXPECT_TRUE(read.Valid) << name;
        EXPECT_EQ(read.Type, wtPCM);
        EXPECT_EQ(read.BPS, QByteArray(name).contains("pcm8") ? 8 : 16);
        EXPECT_EQ(read.Ch, QByteArray(name).contains("mono") ? 1 : 2);
        EXPECT_EQ(read.Size, read.Data.size());
        EXPECT_EQ(read.Data, file.mid(file.indexOf("data") + 8)) << name;
    }
}

TEST_F(WaveInTest, ConvertsLayer3InWaveToPcm)
{
    TWaveIn in;
    in.FileName = FixturePath(QStringLiteral("wav-mp3.wav"));
    EXPECT_TRUE(in.GetValid());
    EXPECT_EQ(in.GetWavType(), wtACM);
    EXPECT_EQ(in.GetBPS(), 16);
    EXPECT_EQ(in.GetSR(), 44100);
    EXPECT_EQ(in.GetCh(), 1);
    EXPECT_FALSE(in.Seek(10));
    const ReadResult read = ReadAll(in.FileName);
    EXPECT_EQ(read.Size, read.Data.size());
    const QByteArray source = ReadFixture(QStringLiteral("wav-mp3-source.wav"));
    EXPECT_GT(BestCorrelation(Samples(source.mid(44)), Samples(read.Data), 3000), 0.95);
}

TEST_F(WaveInTest, StartAndEndSampleSelectAStretch)
{
    const QByteArray file = ReadFixture(QStringLiteral("wav-pcm16-stereo.wav"));
    TWaveIn in;
    in.FileName = FixturePath(QStringLiteral("wav-pcm16-stereo.wav"));
    in.StartSample = 100;
    in.EndSample = 300;
    in.Init();
    QByteArray data(4000, '\0');
    std::int64_t total = 0;
    while (const std::int64_t count = in.GetData(data.data() + total, 64))
        total += count;
    in.Flush();
    EXPECT_EQ(total, 200 * 4);
    EXPECT_EQ(data.left(total), file.mid(file.indexOf("data") + 8 + 100 * 4, 200 * 4));
}

TEST_F(WaveInTest, ReadsAHandedInStream)
{
    QBuffer stream;
    stream.setData(ReadFixture(QStringLiteral("wav-pcm16-mono.wav")));
    stream.open(QIODevice::ReadOnly);
    TWaveIn in;
    in.SetStream(&stream);
    EXPECT_TRUE(in.GetValid());
    EXPECT_EQ(in.GetCh(), 1);
    EXPECT_EQ(in.GetWavType(), wtPCM);
}

TEST_F(WaveInTest, DataBeforeInitIsRefused)
{
    TWaveIn in;
    in.FileName = FixturePath(QStringLiteral("wav-pcm16-mono.wav"));
    char byte;
    EXPECT_THROW(in.GetData(&byte, 1), EACSException);
}

// ---- Crafted headers: refused, or read correctly; never a crash ----

namespace {

QByteArray AdpcmFormat(std::uint16_t tag, int channels, int blockAlign, int bits, int samplesPerBlock,
                       int coefficients = 0)
{
    QByteArray body(20 + (tag == 2 ? 2 + 4 * coefficients : 0), '\0');
    PutLe16(body, 0, tag);
    PutLe16(body, 2, std::uint16_t(channels));
    PutLe32(body, 4, 22050);
    PutLe16(body, 12, std::uint16_t(blockAlign));
    PutLe16(body, 14, std::uint16_t(bits));
    PutLe16(body, 16, std::uint16_t(body.size() - 18));
    PutLe16(body, 18, std::uint16_t(samplesPerBlock));
    if (tag == 2) {
        PutLe16(body, 20, std::uint16_t(coefficients));
        for (int i = 0; i < coefficients; ++i)
            PutLe16(body, 22 + 4 * i, 256);
    }
    return body;
}

QByteArray Fact(std::uint32_t samples)
{
    QByteArray body(4, '\0');
    PutLe32(body, 0, samples);
    return Chunk("fact", body);
}

struct CraftedCase {
    const char* Name;
    QByteArray File;
    bool Valid;
    std::int64_t Size; // expected Size and bytes handed out when valid
};

std::vector<CraftedCase> CraftedCases()
{
    const QByteArray pcm = Pcm16(100, 2);
    const QByteArray fmt = Chunk("fmt ", PcmFormat(2, 44100, 16));
    const QByteArray data = Chunk("data", pcm);
    auto withFormat = [&](const QByteArray& format) { return Riff(Chunk("fmt ", format) + data); };
    QByteArray lowerCase = Riff(fmt + data);
    lowerCase.replace(0, 4, "riff").replace(8, 4, "wave").replace(12, 4, "FMT ").replace(36, 4, "DATA");
    QByteArray shortFormat = PcmFormat(2, 44100, 16).left(14);
    QByteArray zeroChannels = PcmFormat(2, 44100, 16);
    PutLe16(zeroChannels, 2, 0);
    QByteArray threeChannels = PcmFormat(3, 44100, 16);
    QByteArray zeroRate = PcmFormat(2, 0, 16);
    QByteArray floatTag = PcmFormat(2, 44100, 32);
    PutLe16(floatTag, 0, 3);
    const QByteArray imaData = Chunk("data", QByteArray(512 * 2, '\x11'));

    return {
        {"plain", Riff(fmt + data), true, pcm.size()},
        {"codes in any letter case", lowerCase, true, pcm.size()},
        {"bytes before RIFF", QByteArray("xyz") + Riff(fmt + data), true, pcm.size()},
        {"LIST before fmt", Riff(Chunk("LIST", QByteArray(26, 'l')) + fmt + data), true, pcm.size()},
        {"odd chunk and its pad byte before data", Riff(fmt + Chunk("junk", "abc") + data), true, pcm.size()},
        {"data after 8192 bytes", Riff(fmt + Chunk("pad ", QByteArray(8200, 0)) + data), false, 0},
        {"fmt body of 14 bytes", withFormat(shortFormat), false, 0},
        {"zero channels", withFormat(zeroChannels), false, 0},
        {"three channels", withFormat(threeChannels), false, 0},
        {"24 bits", withFormat(PcmFormat(2, 44100, 24)), false, 0},
        {"rate 0", withFormat(zeroRate), false, 0},
        {"float samples", withFormat(floatTag), false, 0},
        {"chunk size 0xFFFFFFFF", Riff(fmt + Chunk("huge", "abcd", 0xFFFFFFFFu) + data), false, 0},
        {"data size 0", Riff(fmt + Chunk("data", pcm, 0u)), true, pcm.size()},
        {"data size 0xFFFFFFFF", Riff(fmt + Chunk("data", pcm, 0xFFFFFFFFu)), true, pcm.size()},
        {"truncated data, partial frame", Riff(fmt + Chunk("data", pcm.left(202), 4000u)), true, 200},
        {"empty data at the end", Riff(fmt + Chunk("data", {})), true, 0},
        {"no data chunk", Riff(fmt), false, 0},
        {"RIFF alone", QByteArray("RIFF"), false, 0},
        {"empty file", QByteArray(), false, 0},
        {"IMA stereo, block align 516",
         Riff(Chunk("fmt ", AdpcmFormat(0x11, 2, 516, 4, 509)) + Fact(509) + imaData), false, 0},
        {"IMA with 3 bits", Riff(Chunk("fmt ", AdpcmFormat(0x11, 1, 512, 3, 1017)) + Fact(1017) + imaData),
         false, 0},
        {"IMA without fact", Riff(Chunk("fmt ", AdpcmFormat(0x11, 1, 512, 4, 1017)) + imaData), false, 0},
        {"IMA, fact after data",
         Riff(Chunk("fmt ", AdpcmFormat(0x11, 1, 512, 4, 1017)) + imaData + Fact(2034)), false, 0},
        {"IMA, fact 0: length from the data",
         Riff(Chunk("fmt ", AdpcmFormat(0x11, 1, 512, 4, 1017)) + Fact(0) + imaData), true, 2 * 2034},
        {"IMA, fact beyond the data",
         Riff(Chunk("fmt ", AdpcmFormat(0x11, 1, 512, 4, 1017)) + Fact(999999) + imaData), true, 2 * 2034},
        {"IMA block align beyond the buffer",
         Riff(Chunk("fmt ", AdpcmFormat(0x11, 1, 4100, 4, 8193)) + Fact(8193) + imaData), false, 0},
        {"MS ADPCM, 0 coefficient pairs",
         Riff(Chunk("fmt ", AdpcmFormat(2, 1, 256, 4, 500, 0)) + Fact(500) + imaData), false, 0},
        {"MS ADPCM, 33 coefficient pairs",
         Riff(Chunk("fmt ", AdpcmFormat(2, 1, 256, 4, 500, 33)) + Fact(500) + imaData), false, 0},
        {"MS ADPCM, pairs beyond the fmt body",
         Riff(Chunk("fmt ", AdpcmFormat(2, 1, 256, 4, 500, 7).left(40)) + Fact(500) + imaData), false, 0},
        {"MS ADPCM, more samples than the block holds",
         Riff(Chunk("fmt ", AdpcmFormat(2, 1, 256, 4, 600, 7)) + Fact(600) + imaData), false, 0},
        {"MS ADPCM, bad predictor in every block",
         Riff(Chunk("fmt ", AdpcmFormat(2, 1, 256, 4, 500, 7)) + Fact(500) + imaData), true, 1000},
        {"Layer 3 with garbage data",
         Riff(Chunk("fmt ", AdpcmFormat(0x55, 1, 1, 0, 1)) + Fact(1000) + Chunk("data", QByteArray(999, 'z'))),
         false, 0},
    };
}

} // namespace

TEST_F(WaveInTest, CraftedHeadersAreRefusedOrReadCorrectly)
{
    for (const CraftedCase& crafted : CraftedCases()) {
        SCOPED_TRACE(crafted.Name);
        const ReadResult read = ReadBytes(crafted.File);
        EXPECT_EQ(read.Valid, crafted.Valid);
        if (!crafted.Valid)
            continue;
        EXPECT_EQ(read.Size, crafted.Size);
        if (read.Type == wtPCM)
            EXPECT_EQ(read.Data.size(), crafted.Size);
        else
            EXPECT_GE(read.Data.size(), crafted.Size);
    }
}

TEST_F(WaveInTest, MissingFileIsInvalidWithoutError)
{
    TWaveIn in;
    in.FileName = Root() + QStringLiteral("missing.wav");
    EXPECT_FALSE(in.GetValid());
    EXPECT_EQ(in.GetWavType(), wtUnsupported);
    in.Init();
    char buffer[16];
    EXPECT_EQ(in.GetData(buffer, sizeof buffer), 0);
    in.Flush();
    TWaveIn unnamed;
    EXPECT_FALSE(unnamed.GetValid());
}

// ---- Block decoders at their limits ----

TEST(WaveBlockDecoders, ImaNeverGoesBelowMinus32767AndClampsTheStepIndex)
{
    // Header sample at the bottom, largest step, then nibbles that keep pushing down.
    std::vector<std::uint8_t> block(36, 0xFF);
    block[0] = 0x01, block[1] = 0x80, block[2] = 88, block[3] = 0;
    std::vector<std::int16_t> out(65);
    ASSERT_EQ(DecodeImaBlock(block.data(), 36, 1, out.data()), 65);
    EXPECT_EQ(out[0], -32767);
    for (size_t i = 1; i < out.size(); ++i)
        EXPECT_EQ(out[i], -32767);

    // A step index beyond the table decodes as the last step.
    std::vector<std::uint8_t> damaged(36, 0x37), intact(36, 0x37);
    damaged[0] = intact[0] = 0, damaged[1] = intact[1] = 0;
    damaged[2] = 200, intact[2] = 88;
    std::vector<std::int16_t> a(65), b(65);
    DecodeImaBlock(damaged.data(), 36, 1, a.data());
    DecodeImaBlock(intact.data(), 36, 1, b.data());
    EXPECT_EQ(a, b);
}

TEST(WaveBlockDecoders, MsAdpcmSurvivesHugeDeltasAndKeepsTheFloor)
{
    TMsAdpcmCoefficientTable coefficients{};
    coefficients[0] = {-32768, -32768};
    // Delta at its largest and nibbles of 7: the arithmetic must not overflow.
    std::vector<std::uint8_t> block(256, 0x77);
    block[0] = 0;
    block[1] = 0xFF, block[2] = 0x7F;
    block[3] = 0x00, block[4] = 0x80, block[5] = 0x00, block[6] = 0x80;
    std::vector<std::int16_t> out(500);
    ASSERT_EQ(DecodeMsAdpcmBlock(block.data(), 256, 1, 500, coefficients, 1, out.data()), 500);
    for (std::int16_t sample : out)
        EXPECT_TRUE(sample == 32767 || sample == -32768);

    // Delta 0 in the header and zero nibbles: the next sample moves by at least 16 per unit.
    coefficients[0] = {256, 0};
    std::vector<std::uint8_t> quiet(256, 0x11);
    quiet[0] = 0;
    std::fill(quiet.begin() + 1, quiet.begin() + 7, 0);
    DecodeMsAdpcmBlock(quiet.data(), 256, 1, 500, coefficients, 1, out.data());
    EXPECT_EQ(out[2], 0);
    EXPECT_EQ(out[3], 16);
}

TEST(WaveBlockDecoders, MsAdpcmBlockWithAnUnknownPredictorIsSilenceOfItsLength)
{
    TMsAdpcmCoefficientTable coefficients{};
    std::vector<std::uint8_t> block(512, 0x5A);
    block[0] = 7, block[1] = 2;
    std::vector<std::int16_t> out(1000, 123);
    ASSERT_EQ(DecodeMsAdpcmBlock(block.data(), 512, 2, 500, coefficients, 7, out.data()), 1000);
    EXPECT_EQ(std::count(out.begin(), out.end(), 0), 1000);
}
