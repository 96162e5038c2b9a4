#include "audio/acs_wave.h"

#include "tests/audio/wave_fixtures.h"
#include "tests/support/temp_world.h"

#include <QBuffer>
#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
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
    ReadResult result{in.GetValid(), in.GetWavType(), in.GetBPS(), in.GetCh(), in.GetSR(), 0, PullAll(in)};
    result.Size = in.Size;
    return result;
}

QByteArray FixturePcm(const char* name)
{
    const QByteArray file = ReadFixture(QString::fromLatin1(name));
    return file.mid(file.indexOf("data") + 8);
}

class WaveInTest : public TempWorld {
protected:
    ReadResult ReadBytes(const QByteArray& file) { return ReadAll(WriteFile("x.wav", file)); }
};

QByteArray PcmPattern(int frames, int channels)
{
    std::vector<std::int16_t> samples(frames * channels);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = std::int16_t((i * 7919) % 20000 - 10000);
    return Pcm16(samples);
}

} // namespace

// ---- Reading real files ----

TEST_F(WaveInTest, DecodesEveryFixtureExactlyAsItsReference)
{
    struct Fixture {
        const char* Name;
        TWavType Type;
        int Bps, Ch;
        QByteArray Reference; // IMA ADPCM as sox decodes it, MS ADPCM as ffmpeg does, PCM as stored
        int Rate = 22050;
    };
    const Fixture fixtures[] = {
        {"wav-ima-mono", wtDVIADPCM, 16, 1, ReadFixture("wav-ima-mono.s16")},
        {"wav-ima-stereo", wtDVIADPCM, 16, 2, ReadFixture("wav-ima-stereo.s16")},
        {"wav-ms-mono", wtMSADPCM, 16, 1, ReadFixture("wav-ms-mono.s16")},
        {"wav-ms-stereo", wtMSADPCM, 16, 2, ReadFixture("wav-ms-stereo.s16")},
        {"wav-pcm8-mono", wtPCM, 8, 1, FixturePcm("wav-pcm8-mono.wav")},
        {"wav-pcm8-stereo", wtPCM, 8, 2, FixturePcm("wav-pcm8-stereo.wav")},
        {"wav-pcm16-mono", wtPCM, 16, 1, FixturePcm("wav-pcm16-mono.wav")},
        {"wav-pcm16-stereo", wtPCM, 16, 2, FixturePcm("wav-pcm16-stereo.wav")},
        {"wav-mp3", wtACM, 16, 1, {}, 44100}, // decoded as the converter's test checks; it cannot seek
    };
    for (const Fixture& fixture : fixtures) {
        SCOPED_TRACE(fixture.Name);
        const ReadResult read = ReadAll(FixturePath(QString::fromLatin1(fixture.Name) + ".wav"));
        EXPECT_TRUE(read.Valid);
        EXPECT_EQ(read.Type, fixture.Type);
        EXPECT_EQ(read.BPS, fixture.Bps);
        EXPECT_EQ(read.Ch, fixture.Ch);
        EXPECT_EQ(read.SR, fixture.Rate);
        EXPECT_FALSE(read.Data.isEmpty());
        if (fixture.Type == wtACM) {
            TWaveIn in;
            in.FileName = FixturePath("wav-mp3.wav");
            EXPECT_FALSE(in.Seek(10));
        } else {
            EXPECT_EQ(read.Data, fixture.Reference);
        }
        if (fixture.Type == wtPCM || fixture.Type == wtACM) {
            EXPECT_EQ(read.Size, read.Data.size());
        } else if (fixture.Type == wtDVIADPCM) {
            // The last block is handed out whole, as sox does, beyond the "fact" count.
            EXPECT_LT(read.Size, read.Data.size());
        }
    }
}

TEST_F(WaveInTest, StartAndEndSampleSelectAStretch)
{
    TWaveIn in;
    in.FileName = FixturePath("wav-pcm16-stereo.wav");
    in.StartSample = 100;
    in.EndSample = 300;
    EXPECT_EQ(PullAll(in, 64), FixturePcm("wav-pcm16-stereo.wav").mid(100 * 4, 200 * 4));
}

// ---- Crafted headers: refused, or read correctly; never a crash ----

namespace {

QByteArray AdpcmFormat(std::uint16_t tag, int channels, int blockAlign, int bits, int samplesPerBlock,
                       int coefficients = 0, std::uint32_t byteRate = 0)
{
    QByteArray body(20 + (tag == 2 ? 2 + 4 * coefficients : 0), '\0');
    PutLe16(body, 0, tag);
    PutLe16(body, 2, std::uint16_t(channels));
    PutLe32(body, 4, 22050);
    PutLe32(body, 8, byteRate);
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
    const QByteArray pcm = PcmPattern(100, 2);
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
        {"empty file", QByteArray(""), false, 0},
        {"missing file", QByteArray(), false, 0}, // a null image: no file at all
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
         Riff(Chunk("fmt ", AdpcmFormat(0x55, 1, 1, 0, 1)) + Fact(1000) +
              Chunk("data", QByteArray(999, 'z'))),
         false, 0},
    };
}

} // namespace

TEST_F(WaveInTest, CraftedHeadersAreRefusedOrReadCorrectly)
{
    for (const CraftedCase& crafted : CraftedCases()) {
        SCOPED_TRACE(crafted.Name);
        const ReadResult read =
            crafted.File.isNull() ? ReadAll(Root() + "missing.wav") : ReadBytes(crafted.File);
        EXPECT_EQ(read.Valid, crafted.Valid);
        if (!crafted.Valid) {
            EXPECT_TRUE(read.Data.isEmpty());
            continue;
        }
        EXPECT_EQ(read.Size, crafted.Size);
        if (read.Type == wtPCM) {
            EXPECT_EQ(read.Data.size(), crafted.Size);
        } else {
            EXPECT_GE(read.Data.size(), crafted.Size);
        }
    }
    EXPECT_FALSE(TWaveIn().GetValid()) << "no name";
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

// ---- Writing ----

namespace {

struct WrittenHeader {
    std::uint32_t RiffSize, DataSize;
    std::int64_t DataOffset;
};

// The sizes a reader relies on must match the file, whatever the run went through.
WrittenHeader ExpectTrueHeader(const QString& fileName)
{
    QFile file(fileName);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const TWaveHeader header = ScanWaveHeader(bytes.left(WaveHeaderScanLimit), bytes.size());
    EXPECT_NE(header.WavType, wtUnsupported);
    const WrittenHeader written{Le32At(bytes, 4), header.DataSize, header.DataOffset};
    EXPECT_EQ(written.RiffSize, bytes.size() - 8);
    EXPECT_EQ(written.DataSize, bytes.size() - header.DataOffset);
    if (header.BlockAlign > 0) {
        EXPECT_EQ(written.DataSize % header.BlockAlign, 0u);
    }
    return written;
}

// Every file the program writes must be accepted by the reference tools, where they are installed.
void ExpectToolsAccept(const QString& fileName)
{
    for (const ToolRun& run :
         {RunTool("ffprobe", {"-v", "error", "-show_streams", fileName}), RunTool("soxi", {fileName})})
        EXPECT_TRUE(!run.Ran || run.ExitCode == 0)
            << run.Output.toStdString() << " refusing " << fileName.toStdString();
}

// Calls back after a number of reads, on the worker, to stop the run from inside.
class StoppingSource : public EstimatedSource {
public:
    using EstimatedSource::EstimatedSource;
    std::function<void()> AfterReads;
    int Reads = 0;
    std::int64_t GetData(void* Buffer, std::int64_t BufferSize) override
    {
        if (++Reads == 3 && AfterReads)
            AfterReads();
        return EstimatedSource::GetData(Buffer, BufferSize);
    }
};

// A device with room for a limited number of bytes.
class LimitedDevice : public QIODevice {
public:
    explicit LimitedDevice(qint64 room) : room_(room) { open(QIODevice::ReadWrite); }
    qint64 size() const override { return written_; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 count) override
    {
        if (pos() + count > room_)
            return -1;
        written_ = std::max(written_, pos() + count);
        return count;
    }

private:
    qint64 room_;
    qint64 written_ = 0;
};

class WaveOutTest : public TempWorld {
protected:
    QString Target() const { return Root() + "out.wav"; }

    RunResult Write(TWaveOut& out, TACSInput& input, const QString& fileName,
                    TFileOutputMode mode = foRewrite)
    {
        out.FileName = fileName;
        out.SetFileMode(mode);
        out.SetInput(&input);
        const RunResult result = RunToEnd(out);
        out.SetInput(nullptr);
        return result;
    }
    RunResult WritePcm(const QByteArray& pcm, int channels, int rate, int bits, const QString& fileName,
                       TFileOutputMode mode = foRewrite, TWavType type = wtPCM)
    {
        EstimatedSource source(pcm, bits, channels, rate, pcm.size());
        TWaveOut out;
        out.SetWavType(type);
        return Write(out, source, fileName, mode);
    }
};

} // namespace

TEST_F(WaveOutTest, PcmGetsA44ByteHeader)
{
    // Over a longer file, which it replaces.
    ASSERT_TRUE(WritePcm(PcmPattern(20000, 2), 2, 44100, 16, Target()).Done);
    const QByteArray pcm = PcmPattern(1000, 2);
    // MS ADPCM cannot be written: PCM it is.
    ASSERT_TRUE(WritePcm(pcm, 2, 44100, 16, Target(), foRewrite, wtMSADPCM).Done);
    const QByteArray file = TempWorld::ReadFile(Target());
    QByteArray expected = Riff(Chunk("fmt ", PcmFormat(2, 44100, 16)) + Chunk("data", pcm));
    EXPECT_EQ(file, expected);
    EXPECT_EQ(Le32At(file, 28), 176400u);
    EXPECT_EQ(Le16At(file, 32), 4);
    ExpectToolsAccept(Target());
}

TEST_F(WaveOutTest, ImaGetsA60ByteHeaderWithFactAndWholeBlocks)
{
    struct Layout {
        int Channels, Frames, BlockSizeAsked; // every size asked for here is refused: 512 stays
        int SamplesPerBlock;
        std::uint32_t ByteRate; // rate x block size / samples per block
    };
    for (const Layout layout : {Layout{1, 0, 512, 1017, 11100}, Layout{1, 1, 510, 1017, 11100},
                                Layout{1, 1016, 516, 1017, 11100}, Layout{1, 1017, 0, 1017, 11100},
                                Layout{1, 2 * 1017 + 1, 4100, 1017, 11100}, Layout{2, 3000, 8, 505, 22355}}) {
        SCOPED_TRACE(layout.Frames);
        const QByteArray pcm = PcmPattern(layout.Frames, layout.Channels);
        EstimatedSource source(pcm, 16, layout.Channels, 22050, pcm.size());
        TWaveOut out;
        out.SetWavType(wtDVIADPCM);
        out.SetBlockSize(layout.BlockSizeAsked);
        ASSERT_TRUE(Write(out, source, Target()).Done);
        const QByteArray file = TempWorld::ReadFile(Target());
        // Whole blocks, the last one completed with silence (so a full last block adds one of silence).
        const std::uint32_t dataSize = (layout.Frames / layout.SamplesPerBlock + 1) * 512;
        const QByteArray header = Chunk("fmt ", AdpcmFormat(0x11, layout.Channels, 512, 4,
                                                            layout.SamplesPerBlock, 0, layout.ByteRate)) +
                                  Fact(layout.Frames) + Chunk("data", {}, dataSize);
        ASSERT_EQ(file.size(), 60 + dataSize);
        EXPECT_EQ(file.mid(12, 48).toHex(), header.toHex());
        ExpectTrueHeader(Target());
        ExpectToolsAccept(Target());
    }
    TWaveOut out;
    out.SetBlockSize(1024);
    EXPECT_EQ(out.GetBlockSize(), 1024);
}

TEST_F(WaveOutTest, ImaWrittenHereDecodesAlikeHereAndInSox)
{
    for (const char* name : {"wav-pcm16-mono.wav", "wav-pcm16-stereo.wav"}) {
        SCOPED_TRACE(name);
        const QByteArray pcm = FixturePcm(name);
        const int channels = QByteArray(name).contains("mono") ? 1 : 2;
        ASSERT_TRUE(WritePcm(pcm, channels, 22050, 16, Target(), foRewrite, wtDVIADPCM).Done);
        const ReadResult ours = ReadAll(Target());
        ASSERT_TRUE(ours.Valid);
        // Pink noise with a sweep: the encoder must keep the signal well above its own noise.
        EXPECT_GE(SignalToNoise(Samples16(pcm), Samples16(ours.Data)), 20.0);
        const ToolRun sox = RunTool("sox", {Target(), "-t", "raw", "-e", "signed", "-b", "16", "-L", "-"},
                                    {.MergeErrors = false});
        if (!sox.Ran)
            continue;
        ASSERT_EQ(sox.ExitCode, 0);
        EXPECT_EQ(ours.Data, sox.Output);
    }
}

TEST_F(WaveOutTest, HeadersTellTheTruthWhenTheSizeEstimateIsWrongOrTheRunStops)
{
    const QByteArray pcm = PcmPattern(100000, 2);
    for (const TWavType type : {wtPCM, wtDVIADPCM}) {
        for (const std::int64_t estimate :
             {std::int64_t(-1), std::int64_t(100), std::int64_t(10'000'000), std::int64_t(pcm.size())}) {
            SCOPED_TRACE(estimate);
            StoppingSource source(pcm, 16, 2, 48000, estimate);
            TWaveOut out;
            out.SetWavType(type);
            const bool stopped = estimate == pcm.size(); // from inside, after a few reads
            if (stopped)
                source.AfterReads = [&out] { out.Stop(); };
            ASSERT_TRUE(Write(out, source, Target()).Done);
            const WrittenHeader header = ExpectTrueHeader(Target());
            // Bytes of PCM, frames of IMA ADPCM.
            const std::uint32_t written =
                type == wtPCM ? header.DataSize : Le32At(TempWorld::ReadFile(Target()), 48);
            const std::uint32_t all = type == wtPCM ? pcm.size() : 100000;
            if (stopped) {
                EXPECT_GT(written, 0u);
                EXPECT_LT(written, all);
            } else {
                EXPECT_EQ(written, all);
            }
            ExpectToolsAccept(Target());
        }
    }
}

TEST_F(WaveOutTest, AnAdpcmSourceWhoseLengthOvershootsItsEstimate)
{
    TWaveIn in;
    in.FileName = FixturePath("wav-ima-stereo.wav");
    TWaveOut out;
    ASSERT_TRUE(Write(out, in, Target()).Done);
    const WrittenHeader header = ExpectTrueHeader(Target());
    const QByteArray sox = ReadFixture("wav-ima-stereo.s16");
    EXPECT_EQ(header.DataSize, std::uint32_t(sox.size()));
    EXPECT_EQ(TempWorld::ReadFile(Target()).mid(44), sox);
}

TEST_F(WaveOutTest, AppendsPcmOfTheSameFormatAfterAnyPadByte)
{
    const QByteArray first = PcmPattern(700, 2), second = PcmPattern(300, 2);
    ASSERT_TRUE(WritePcm(first, 2, 44100, 16, Target(), foAppend).Done); // a missing file is created
    ASSERT_TRUE(WritePcm(second, 2, 44100, 16, Target(), foAppend).Done);
    ExpectTrueHeader(Target());
    EXPECT_EQ(ReadAll(Target()).Data, first + second);
    ExpectToolsAccept(Target());

    const QByteArray odd(101, '\x40');
    WriteFile("out.wav", Riff(Chunk("fmt ", PcmFormat(1, 8000, 8)) + Chunk("data", odd)));
    ASSERT_TRUE(WritePcm(QByteArray(10, '\x70'), 1, 8000, 8, Target(), foAppend).Done);
    ExpectTrueHeader(Target());
    EXPECT_EQ(ReadAll(Target()).Data, odd + QByteArray(10, '\x70'));
}

TEST_F(WaveOutTest, AppendsImaBlocksThatDecodeAfterTheOldOnes)
{
    const QByteArray first = FixturePcm("wav-pcm16-mono.wav").left(2 * 3000);
    const QByteArray second = FixturePcm("wav-pcm16-mono.wav").mid(2 * 3000, 2 * 1500);
    ASSERT_TRUE(WritePcm(first, 1, 22050, 16, Target(), foRewrite, wtDVIADPCM).Done);
    const QByteArray alone = ReadAll(Target()).Data;
    EstimatedSource source(second, 16, 1, 22050, second.size());
    TWaveOut out;
    out.SetBlockSize(1024); // the file's own block size wins when appending
    ASSERT_TRUE(Write(out, source, Target(), foAppend).Done);
    EXPECT_EQ(out.GetWavType(), wtDVIADPCM);
    EXPECT_EQ(out.GetBlockSize(), 512);
    const QByteArray file = TempWorld::ReadFile(Target());
    EXPECT_EQ(file.size(), 60 + (3 + 2) * 512);
    EXPECT_EQ(Le32At(file, 48), 3u * 1017 + 1500);
    ExpectTrueHeader(Target());
    const ReadResult both = ReadAll(Target());
    EXPECT_EQ(both.Data.left(alone.size()), alone);
    EXPECT_GE(SignalToNoise(Samples16(second), Samples16(both.Data.mid(alone.size()))), 20.0);
    ExpectToolsAccept(Target());
}

TEST_F(WaveOutTest, AppendRefusalsLeaveTheFileAlone)
{
    struct Refusal {
        const char* Name;
        QByteArray File;
        const char* Message;
    };
    const QByteArray pcm = PcmPattern(50, 2);
    const QByteArray fmt = Chunk("fmt ", PcmFormat(2, 44100, 16));
    const std::vector<Refusal> refusals = {
        {"other sample size", Riff(Chunk("fmt ", PcmFormat(2, 44100, 8)) + Chunk("data", pcm)),
         "Cannot append data in different audio format."},
        {"other rate", Riff(Chunk("fmt ", PcmFormat(2, 22050, 16)) + Chunk("data", pcm)),
         "Cannot append data in different audio format."},
        {"MS ADPCM", ReadFixture("wav-ms-stereo.wav"), "Cannot append data to this .wav file."},
        {"not a WAV file", QByteArray("ID3 some tag and then nothing"),
         "Cannot append data to this .wav file."},
        {"chunk after the data", Riff(fmt + Chunk("data", pcm) + Chunk("LIST", QByteArray(26, 'x'))),
         "Cannot append data to this .wav file."},
    };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.Name);
        WriteFile("out.wav", refusal.File);
        const RunResult result = WritePcm(pcm, 2, 44100, 16, Target(), foAppend);
        EXPECT_TRUE(result.Failed);
        EXPECT_EQ(result.Error, QString::fromLatin1(refusal.Message));
        EXPECT_EQ(TempWorld::ReadFile(Target()), refusal.File);
    }
}

TEST_F(WaveOutTest, FailuresEndTheRunAsFailuresWithTheirReason)
{
    struct Failure {
        QString FileName;
        TWavType Type;
        int Bits;
        const char* Message;
    };
    const Failure failures[] = {
        {"/dev/full", wtPCM, 16, "Cannot write to this .wav file."},
        {"/dev/full", wtDVIADPCM, 16, "Cannot write to this .wav file."},
        {Root() + "missing/out.wav", wtPCM, 16, "Cannot create this .wav file."},
        {QString(), wtPCM, 16, "File name is not assigned."},
        {Target(), wtDVIADPCM, 8, "Cannot encode 8 bit sound into ADPCM."},
    };
    for (const Failure& failure : failures) {
        SCOPED_TRACE(failure.Message);
        const RunResult result = WritePcm(PcmPattern(100000, 1), 1, 44100, failure.Bits, failure.FileName,
                                          foRewrite, failure.Type);
        EXPECT_TRUE(result.Failed);
        EXPECT_EQ(result.Error, failure.Message);
    }
    // A disk that fills up in the middle of the data.
    LimitedDevice limited(50000);
    EstimatedSource source(PcmPattern(100000, 2), 16, 2, 44100, 400000);
    TWaveOut out;
    out.SetStream(&limited);
    out.SetInput(&source);
    const RunResult midway = RunToEnd(out);
    EXPECT_TRUE(midway.Failed);
    EXPECT_EQ(midway.Error, "Cannot write to this .wav file.");
}

TEST_F(WaveOutTest, DataBeyond4GiBFailsInsteadOfWrapping)
{
    // A sparse file whose data already fill the 32-bit sizes but for a few bytes.
    const std::uint32_t dataSize = 0xFFFFFF00u - 36;
    WriteFile("out.wav", Riff(Chunk("fmt ", PcmFormat(2, 44100, 16)) + Chunk("data", {}, dataSize)));
    QFile sparse(Target());
    ASSERT_TRUE(sparse.resize(44 + std::int64_t(dataSize)));
    const RunResult result = WritePcm(PcmPattern(1000, 2), 2, 44100, 16, Target(), foAppend);
    EXPECT_TRUE(result.Failed);
    EXPECT_EQ(result.Error, "This .wav file would exceed 4 GB.");
    QFile file(Target());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray head = file.read(44);
    EXPECT_EQ(Le32At(head, 40), std::uint32_t(file.size() - 44));
    EXPECT_EQ(Le32At(head, 4), std::uint32_t(file.size() - 8));
}
