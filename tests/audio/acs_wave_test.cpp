#include "audio/acs_wave.h"

#include "tests/support/acs_test_components.h"
#include "tests/support/audio_fixtures.h"
#include "tests/support/device_nodes.h"
#include "tests/support/fake_audio_output.h"
#include "tests/support/irregular_sources.h"
#include "tests/support/reference_tools.h"
#include "tests/support/temp_world.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <tuple>
#include <vector>

namespace {

std::uint32_t Le32At(const QByteArray& bytes, int offset)
{
    return qFromLittleEndian<quint32>(bytes.constData() + offset);
}

void PutLe32(QByteArray& bytes, int offset, std::uint32_t value)
{
    qToLittleEndian<quint32>(value, bytes.data() + offset);
}

void PutLe16(QByteArray& bytes, int offset, std::uint16_t value)
{
    qToLittleEndian<quint16>(value, bytes.data() + offset);
}

// RIFF building blocks for crafted files; a chunk with an odd body gets its pad byte.
QByteArray Chunk(const char* code, const QByteArray& body, std::optional<std::uint32_t> declaredSize = {})
{
    QByteArray size(4, '\0');
    PutLe32(size, 0, declaredSize.value_or(std::uint32_t(body.size())));
    return QByteArray(code, 4) + size + body + QByteArray(body.size() & 1, '\0');
}

QByteArray Riff(const QByteArray& chunks)
{
    return Chunk("RIFF", "WAVE" + chunks);
}

RunRecorder::Ends RunToEnd(TACSOutput& output)
{
    RunRecorder recorder(output);
    output.Run();
    EXPECT_TRUE(recorder.WaitForEnds(1));
    return recorder.Seen();
}

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

QByteArray FixturePcm(const QString& name)
{
    const QByteArray file = ReadFixture(QFileInfo(name).fileName());
    return file.mid(file.indexOf("data") + 8);
}

QByteArray PcmPattern(int frames, int channels)
{
    std::vector<std::int16_t> samples(frames * channels);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = std::int16_t((i * 7919) % 20000 - 10000);
    return Pcm16(samples);
}

// A "fmt " body; the extra fields (cbSize, samples per block, MS ADPCM coefficients) follow the 16 of PCM.
QByteArray FormatBody(std::uint16_t tag, int channels, int blockAlign, int bits, int samplesPerBlock,
                      int coefficients = 0, std::uint32_t byteRate = 0, std::uint32_t rate = 22050)
{
    QByteArray body(20 + (tag == 2 ? 2 + 4 * coefficients : 0), '\0');
    for (const auto& [offset, value] : {std::pair{0, int(tag)},
                                        {2, channels},
                                        {12, blockAlign},
                                        {14, bits},
                                        {16, int(body.size() - 18)},
                                        {18, samplesPerBlock},
                                        {20, coefficients}})
        if (offset < body.size())
            PutLe16(body, offset, std::uint16_t(value));
    PutLe32(body, 4, rate);
    PutLe32(body, 8, byteRate);
    for (int i = 0; i < coefficients; ++i)
        PutLe16(body, 22 + 4 * i, 256);
    return body;
}

QByteArray PcmFormat(int channels, std::uint32_t rate, int bits)
{
    const int align = channels * bits / 8;
    return FormatBody(1, channels, align, bits, 0, 0, rate * std::uint32_t(align), rate).left(16);
}

QByteArray Fact(std::uint32_t samples)
{
    QByteArray body(4, '\0');
    PutLe32(body, 0, samples);
    return Chunk("fact", body);
}

// The file's MPEG Layer 3 data behind a header of the test's making.
QByteArray Layer3Wave(std::uint32_t rate, int repeats)
{
    const QByteArray file = ReadFixture("wav-mp3.wav");
    const QByteArray payload = file.mid(file.indexOf("data") + 8).repeated(repeats);
    return Riff(Chunk("fmt ", FormatBody(0x55, 1, 1, 0, 1, 0, 0, rate)) + Fact(1000) +
                Chunk("data", payload));
}

long PeakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

class WaveInTest : public TempWorld {
protected:
    ReadResult ReadBytes(const QByteArray& file) { return ReadAll(WriteFile("x.wav", file)); }
};

} // namespace

TEST_F(WaveInTest, DecodesEveryFixtureExactlyAsItsReference)
{
    // IMA ADPCM as sox decodes it, MS ADPCM as ffmpeg does, PCM as stored; Layer 3 as the converter's
    // test checks it (it cannot seek).
    for (const char* fixture : {"ima-mono", "ima-stereo", "ms-mono", "ms-stereo", "pcm8-mono", "pcm8-stereo",
                                "pcm16-mono", "pcm16-stereo", "mp3"}) {
        SCOPED_TRACE(fixture);
        const QString name = FixturePath(QStringLiteral("wav-%1.wav").arg(fixture));
        const QByteArray kind(fixture);
        const TWavType type = kind.startsWith("ima")   ? wtDVIADPCM
                              : kind.startsWith("ms")  ? wtMSADPCM
                              : kind.startsWith("pcm") ? wtPCM
                                                       : wtACM;
        const ReadResult read = ReadAll(name);
        EXPECT_TRUE(read.Valid);
        EXPECT_EQ(read.Type, type);
        EXPECT_EQ(read.BPS, kind.startsWith("pcm8") ? 8 : 16);
        EXPECT_EQ(read.Ch, kind.endsWith("stereo") ? 2 : 1);
        EXPECT_EQ(read.SR, type == wtACM ? 44100 : 22050);
        EXPECT_FALSE(read.Data.isEmpty());
        if (type == wtACM) {
            TWaveIn in;
            in.FileName = name;
            EXPECT_FALSE(in.Seek(10));
        } else {
            EXPECT_EQ(read.Data, type == wtPCM ? FixturePcm(name)
                                               : ReadFixture(QStringLiteral("wav-%1.s16").arg(fixture)));
        }
        // The last IMA block is handed out whole, as sox does, beyond the "fact" count.
        if (type == wtDVIADPCM) {
            EXPECT_LT(read.Size, read.Data.size());
        } else if (type != wtMSADPCM) {
            EXPECT_EQ(read.Size, read.Data.size());
        }
    }
}

TEST_F(WaveInTest, EventSoundsOfEveryFormatReadReachTheOutputAsThePcmTheReaderGives)
{
    for (const char* fixture :
         {"ima-mono", "ima-stereo", "ms-mono", "ms-stereo", "pcm8-mono", "pcm16-stereo", "mp3"}) {
        SCOPED_TRACE(fixture);
        const QString name = FixturePath(QStringLiteral("wav-%1.wav").arg(fixture));
        const ReadResult read = ReadAll(name);
        auto owned = std::make_unique<FakeAudioOutput>();
        FakeAudioOutput& output = *owned;
        plat::OutputSoundPlayer player(std::move(owned), DecodeWaveImage);
        player.play(ReadFixture(QFileInfo(name).fileName()));
        ASSERT_TRUE(player.isPlaying());
        EXPECT_EQ(output.Format().sampleRate(), read.SR);
        EXPECT_EQ(output.Format().channelCount(), read.Ch);
        EXPECT_EQ(output.Format().bytesPerSample(), read.BPS / 8);
        output.Advance(60000);
        EXPECT_EQ(output.Played, read.Data);
        EXPECT_FALSE(player.isPlaying());
    }
    const QByteArray pcm = ReadFixture("wav-pcm16-mono.wav");
    QByteArray floats = pcm;
    PutLe16(floats, 20, 3);
    for (const QByteArray& refused : {QByteArray("not a wave file"), pcm.left(30), floats})
        EXPECT_TRUE(DecodeWaveImage(refused).Samples.isEmpty());
}

TEST_F(WaveInTest, CraftedHeadersAreRefusedOrReadCorrectly)
{
    const QByteArray pcm = PcmPattern(100, 2);
    const QByteArray fmt = Chunk("fmt ", PcmFormat(2, 44100, 16));
    const QByteArray data = Chunk("data", pcm);
    const auto withFormat = [&](QByteArray format, int offset = -1, int value = 0) {
        if (offset >= 0)
            PutLe16(format, offset, std::uint16_t(value));
        return Riff(Chunk("fmt ", format) + data);
    };
    QByteArray layer3NoChannel = ReadFixture("wav-mp3.wav");
    PutLe16(layer3NoChannel, 22, 0);
    QByteArray lowerCase = Riff(fmt + data);
    lowerCase.replace(0, 4, "riff").replace(8, 4, "wave").replace(12, 4, "FMT ").replace(36, 4, "DATA");
    const QByteArray imaData = Chunk("data", QByteArray(512 * 2, '\x11'));
    const auto adpcm = [&](std::uint16_t tag, int channels, int align, int bits, int samples, int pairs = 0) {
        return Riff(Chunk("fmt ", FormatBody(tag, channels, align, bits, samples, pairs)) + Fact(samples) +
                    imaData);
    };
    const QByteArray ima = Chunk("fmt ", FormatBody(0x11, 1, 512, 4, 1017));
    struct Case {
        const char* Name;
        QByteArray File;
        std::int64_t Size; // -1: not valid; else the Size and the bytes handed out
    } const cases[] = {
        {"plain", Riff(fmt + data), pcm.size()},
        {"codes in any letter case", lowerCase, pcm.size()},
        {"layer 3 with no channel", layer3NoChannel, -1},
        {"bytes before RIFF", QByteArray("xyz") + Riff(fmt + data), pcm.size()},
        {"LIST before fmt", Riff(Chunk("LIST", QByteArray(26, 'l')) + fmt + data), pcm.size()},
        {"odd chunk and its pad byte before data", Riff(fmt + Chunk("junk", "abc") + data), pcm.size()},
        {"data after 8192 bytes", Riff(fmt + Chunk("pad ", QByteArray(8200, 0)) + data), -1},
        {"fmt body of 14 bytes", withFormat(PcmFormat(2, 44100, 16).left(14)), -1},
        {"zero channels", withFormat(PcmFormat(2, 44100, 16), 2, 0), -1},
        {"three channels", withFormat(PcmFormat(3, 44100, 16)), -1},
        {"24 bits", withFormat(PcmFormat(2, 44100, 24)), -1},
        {"rate 0", withFormat(PcmFormat(2, 0, 16)), -1},
        {"rate 384000", withFormat(PcmFormat(2, 384000, 16)), pcm.size()},
        {"rate 384001", withFormat(PcmFormat(2, 384001, 16)), -1},
        {"float samples", withFormat(PcmFormat(2, 44100, 32), 0, 3), -1},
        {"chunk size 0xFFFFFFFF", Riff(fmt + Chunk("huge", "abcd", 0xFFFFFFFFu) + data), -1},
        {"data size 0", Riff(fmt + Chunk("data", pcm, 0u)), pcm.size()},
        {"data size 0xFFFFFFFF", Riff(fmt + Chunk("data", pcm, 0xFFFFFFFFu)), pcm.size()},
        {"truncated data, partial frame", Riff(fmt + Chunk("data", pcm.left(202), 4000u)), 200},
        {"empty data at the end", Riff(fmt + Chunk("data", {})), 0},
        {"no data chunk", Riff(fmt), -1},
        {"RIFF alone", QByteArray("RIFF"), -1},
        {"empty file", QByteArray(""), -1},
        {"missing file", QByteArray(), -1}, // a null image: no file at all
        {"IMA stereo, block align 516", adpcm(0x11, 2, 516, 4, 509), -1},
        {"IMA with 3 bits", adpcm(0x11, 1, 512, 3, 1017), -1},
        {"IMA without fact", Riff(ima + imaData), -1},
        {"IMA, fact after data", Riff(ima + imaData + Fact(2034)), -1},
        {"IMA, fact 0: length from the data", Riff(ima + Fact(0) + imaData), 2 * 2034},
        {"IMA, fact beyond the data", Riff(ima + Fact(999999) + imaData), 2 * 2034},
        {"IMA block align beyond the buffer", adpcm(0x11, 1, 4100, 4, 8193), -1},
        {"MS ADPCM, 0 coefficient pairs", adpcm(2, 1, 256, 4, 500, 0), -1},
        {"MS ADPCM, 33 coefficient pairs", adpcm(2, 1, 256, 4, 500, 33), -1},
        {"MS ADPCM, pairs beyond the fmt body",
         Riff(Chunk("fmt ", FormatBody(2, 1, 256, 4, 500, 7).left(40)) + Fact(500) + imaData), -1},
        {"MS ADPCM, more samples than the block holds", adpcm(2, 1, 256, 4, 600, 7), -1},
        {"MS ADPCM, bad predictor in every block", adpcm(2, 1, 256, 4, 500, 7), 1000},
        {"Layer 3 with garbage data",
         Riff(Chunk("fmt ", FormatBody(0x55, 1, 1, 0, 1)) + Fact(1000) + Chunk("data", QByteArray(999, 'z'))),
         -1},
        {"Layer 3 claiming 2147483646 Hz", Layer3Wave(2147483646, 1), -1},
    };
    for (const Case& crafted : cases) {
        SCOPED_TRACE(crafted.Name);
        const ReadResult read =
            crafted.File.isNull() ? ReadAll(Root() + "missing.wav") : ReadBytes(crafted.File);
        EXPECT_EQ(read.Valid, crafted.Size >= 0);
        if (!read.Valid) {
            EXPECT_TRUE(read.Data.isEmpty());
            continue;
        }
        EXPECT_EQ(read.Size, crafted.Size);
        EXPECT_TRUE(read.Type == wtPCM ? read.Data.size() == crafted.Size : read.Data.size() >= crafted.Size);
    }
    EXPECT_FALSE(TWaveIn().GetValid()) << "no name";
}

TEST_F(WaveInTest, Layer3AtTheHighestRateConvertsInPiecesWithinAFixedMemory)
{
    // Forty seconds of Layer 3 claiming 384 kHz: 31 MB of PCM if it were held whole.
    const QString name = WriteFile("x.wav", Layer3Wave(384000, 120));
    const long before = PeakKilobytes();
    TWaveIn in;
    in.FileName = name;
    ASSERT_TRUE(in.GetValid());
    in.Init();
    std::vector<char> buffer(20000);
    std::int64_t total = 0;
    for (std::int64_t count; (count = in.GetData(buffer.data(), 20000)) > 0;)
        total += count;
    in.Flush();
    EXPECT_EQ(total, in.Size.load());
    EXPECT_GT(total, 2 * 384000 * 30);
    EXPECT_LT(PeakKilobytes() - before, 16 * 1024);
    // A damaged payload the fuzzer found once made the frame parser read past the piece it was given
    // (seen under the address sanitizer).
    EXPECT_FALSE(ReadBytes(ReadFixture("wav-mp3-damaged.wav")).Data.isNull());
}

TEST_F(WaveInTest, TheHeaderIsReadOncePerFileUntilTheFileChanges)
{
    const QString name =
        WriteFile("x.wav", Riff(Chunk("fmt ", PcmFormat(2, 44100, 16)) + Chunk("data", "abcd")));
    TWaveIn in;
    in.FileName = name;
    EXPECT_EQ(in.GetSR(), 44100);
    struct stat status {};
    ASSERT_EQ(::stat(QFile::encodeName(name).constData(), &status), 0);
    const auto rewrite = [&](std::uint32_t rate, timespec modified) {
        WriteFile("x.wav", Riff(Chunk("fmt ", PcmFormat(2, rate, 16)) + Chunk("data", "abcd")));
        const timespec times[2] = {modified, modified};
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(name).constData(), times, 0), 0);
    };
    // Same name, size and time: the header read before stands.
    rewrite(22050, status.st_mtim);
    EXPECT_EQ(in.GetSR(), 44100);
    EXPECT_EQ(ReadAll(name).SR, 22050) << "another reader reads it afresh";
    rewrite(22050, {status.st_mtim.tv_sec + 1, 0});
    EXPECT_EQ(in.GetSR(), 22050);
}

TEST_F(WaveInTest, APipeOrADeviceIsNeverOpened)
{
    const PipeSource pipe(Root() + "pipe.wav", FixturePath("wav-pcm16-stereo.wav"));
    for (const QString& name : {pipe.Name, ZeroDeviceSource(Root() + "zeros.wav")}) {
        TWaveIn in;
        in.FileName = name;
        EXPECT_FALSE(in.GetValid()) << name.toStdString();
        EXPECT_EQ(in.GetWavType(), wtUnsupported);
    }
}

TEST_F(WaveInTest, ImaBlocksStayWithinRangeAndADamagedStepIndexDecodesAsInSox)
{
    // Header sample at the bottom, largest step, then nibbles that keep pushing down.
    std::vector<std::uint8_t> block(36, 0xFF);
    block[0] = 0x01, block[1] = 0x80, block[2] = 88, block[3] = 0;
    std::vector<std::int16_t> out(65);
    ASSERT_EQ(DecodeImaBlock(block.data(), 36, 1, out.data()), 65);
    EXPECT_EQ(std::count(out.begin(), out.end(), -32767), 65);

    // The second of two blocks says step index 200.
    QByteArray data = FixturePcm("wav-ima-mono.wav").left(2 * 256);
    data[256 + 2] = char(200);
    const QByteArray file =
        Riff(Chunk("fmt ", FormatBody(0x11, 1, 256, 4, 505, 0, 11178)) + Fact(1010) + Chunk("data", data));
    const QString damaged = WriteFile("damaged.wav", file);
    const auto ours = Samples16(ReadAll(damaged).Data);
    EXPECT_LT(*std::max_element(ours.begin() + 505, ours.end()), 4000) << "the damaged block stays quiet";
    const ToolRun sox =
        RunTool("sox", {damaged, "-t", "raw", "-e", "signed", "-b", "16", "-L", "-"}, {.MergeErrors = false});
    if (sox.Ran) {
        EXPECT_EQ(ours, Samples16(sox.Output));
    }
}

TEST(WaveBlockDecoders, MsAdpcmSurvivesHugeDeltasKeepsTheFloorAndSilencesAnUnknownPredictor)
{
    TMsAdpcmCoefficientTable coefficients{};
    coefficients[0] = {-32768, -32768};
    // Delta at its largest and nibbles of 7: the arithmetic must not overflow.
    std::vector<std::uint8_t> block(256, 0x77);
    block[0] = 0;
    block[1] = 0xFF, block[2] = 0x7F;
    block[3] = 0x00, block[4] = 0x80, block[5] = 0x00, block[6] = 0x80;
    std::vector<std::int16_t> out(1000, 123);
    ASSERT_EQ(DecodeMsAdpcmBlock(block.data(), 256, 1, 500, coefficients, 1, out.data()), 500);
    for (int i = 0; i < 500; ++i)
        EXPECT_TRUE(out[i] == 32767 || out[i] == -32768);

    // Delta 0 in the header and zero nibbles: the next sample moves by at least 16 per unit.
    coefficients[0] = {256, 0};
    std::vector<std::uint8_t> quiet(256, 0x11);
    std::fill(quiet.begin(), quiet.begin() + 7, 0);
    DecodeMsAdpcmBlock(quiet.data(), 256, 1, 500, coefficients, 1, out.data());
    EXPECT_EQ(out[2], 0);
    EXPECT_EQ(out[3], 16);

    std::vector<std::uint8_t> unknown(512, 0x5A);
    unknown[0] = 7, unknown[1] = 2;
    ASSERT_EQ(DecodeMsAdpcmBlock(unknown.data(), 512, 2, 500, coefficients, 7, out.data()), 1000);
    EXPECT_EQ(std::count(out.begin(), out.end(), 0), 1000);
}

// ---- Writing ----

namespace {

// The sizes a reader relies on must match the file, whatever the run went through, and the reference
// tools must accept it.
std::uint32_t ExpectTrueHeader(const QString& fileName)
{
    QFile file(fileName);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const TWaveHeader header = ScanWaveHeader(bytes.left(WaveHeaderScanLimit), bytes.size());
    EXPECT_NE(header.WavType, wtUnsupported);
    EXPECT_EQ(Le32At(bytes, 4), bytes.size() - 8);
    EXPECT_EQ(header.DataSize, bytes.size() - header.DataOffset);
    EXPECT_EQ(header.DataSize % std::max(header.BlockAlign, 1), 0u);
    for (const ToolRun& run :
         {RunTool("ffprobe", {"-v", "error", "-show_streams", fileName}), RunTool("soxi", {fileName})})
        EXPECT_TRUE(!run.Ran || run.ExitCode == 0) << run.Output.toStdString();
    return header.DataSize;
}

// What a reference tool decodes a file to, as 16-bit samples; null without the tool.
QByteArray ToolDecode(const QString& program, const QStringList& arguments)
{
    const ToolRun run = RunTool(program, arguments, {.MergeErrors = false});
    return run.Ran ? run.Output : QByteArray();
}

class WaveOutTest : public TempWorld {
protected:
    QString Target() const { return Root() + "out.wav"; }

    RunRecorder::Ends Write(TWaveOut& out, TACSInput& input, const QString& fileName,
                            TFileOutputMode mode = foRewrite)
    {
        out.FileName = fileName;
        out.SetFileMode(mode);
        out.SetInput(&input);
        const RunRecorder::Ends result = RunToEnd(out);
        out.SetInput(nullptr);
        return result;
    }
    RunRecorder::Ends WritePcm(const QByteArray& pcm, int channels, int rate, int bits,
                               const QString& fileName, TFileOutputMode mode = foRewrite,
                               TWavType type = wtPCM)
    {
        MemorySource source(pcm, bits, channels, rate);
        TWaveOut out;
        out.SetWavType(type);
        return Write(out, source, fileName, mode);
    }
};

} // namespace

TEST_F(WaveOutTest, PcmGetsA44ByteHeader)
{
    // Over a longer file, which it replaces; MS ADPCM cannot be written: PCM it is.
    ASSERT_TRUE(WritePcm(PcmPattern(20000, 2), 2, 44100, 16, Target()).Done);
    const QByteArray pcm = PcmPattern(1000, 2);
    ASSERT_TRUE(WritePcm(pcm, 2, 44100, 16, Target(), foRewrite, wtMSADPCM).Done);
    const QByteArray file = TempWorld::ReadFile(Target());
    EXPECT_EQ(file, Riff(Chunk("fmt ", PcmFormat(2, 44100, 16)) + Chunk("data", pcm)));
    EXPECT_EQ(Le32At(file, 28), 176400u);
    ExpectTrueHeader(Target());
}

TEST_F(WaveOutTest, ImaGetsExactlyTheBlocksItsSamplesNeedAndTheToolsAgree)
{
    struct Layout {
        int Channels, Frames, BlockSizeAsked, BlockSize; // 510 and 0 are refused: 512 stays
        int SamplesPerBlock;
        std::uint32_t ByteRate; // rate x block size / samples per block
    };
    for (const Layout layout :
         {Layout{1, 0, 512, 512, 1017, 11100}, Layout{1, 1, 510, 512, 1017, 11100},
          Layout{1, 1017, 0, 512, 1017, 11100}, Layout{1, 2 * 513 + 1, 260, 260, 513, 11175},
          Layout{2, 3030, 512, 512, 505, 22355}, Layout{2, 3031, 1024, 1024, 1017, 22201}}) {
        SCOPED_TRACE(layout.Frames);
        const QByteArray pcm = PcmPattern(layout.Frames, layout.Channels);
        MemorySource source(pcm, 16, layout.Channels, 22050);
        TWaveOut out;
        out.SetWavType(wtDVIADPCM);
        out.SetBlockSize(layout.BlockSizeAsked);
        EXPECT_EQ(out.GetBlockSize(), layout.BlockSize);
        ASSERT_TRUE(Write(out, source, Target()).Done);
        const QByteArray file = TempWorld::ReadFile(Target());
        const int blocks = (layout.Frames + layout.SamplesPerBlock - 1) / layout.SamplesPerBlock;
        const QByteArray header = Chunk("fmt ", FormatBody(0x11, layout.Channels, layout.BlockSize, 4,
                                                           layout.SamplesPerBlock, 0, layout.ByteRate)) +
                                  Fact(layout.Frames) + Chunk("data", {}, blocks * layout.BlockSize);
        ASSERT_EQ(file.size(), 60 + blocks * layout.BlockSize);
        EXPECT_EQ(file.mid(12, 48).toHex(), header.toHex());
        ExpectTrueHeader(Target());
        // Both tools decode whole blocks, the "fact" count itself when the samples fill their blocks,
        // and sox exactly as this reader does.
        const QByteArray sox =
            ToolDecode("sox", {Target(), "-t", "raw", "-e", "signed", "-b", "16", "-L", "-"});
        const QByteArray ffmpeg = ToolDecode("ffmpeg", {"-v", "error", "-i", Target(), "-f", "s16le", "-"});
        for (const QByteArray& decoded : {sox, ffmpeg})
            EXPECT_TRUE(decoded.isNull() ||
                        decoded.size() == blocks * layout.SamplesPerBlock * 2 * layout.Channels);
        EXPECT_TRUE(sox.isNull() || sox == ReadAll(Target()).Data);
    }

    // Known answers worked out from the IMA ADPCM algorithm. Differences land exactly on step, step/2 and
    // step/4, where a bit is set only when the rest is at least that much; the tools above would
    // decode a block that misses those just as happily. Each block starts with its first sample and the
    // step index the one before left, then a zero byte; nibbles go low half first, and in stereo each
    // channel's come four bytes at a time.
    struct KnownAnswer {
        int Channels, BlockSize;
        std::vector<std::int16_t> Samples;
        QByteArray Blocks;
    };
    const KnownAnswer answers[] = {
        // Step 7: +7 = step gives 4; step 9: +4 = step/2 gives 2; step 8: -2 = -step/4 gives 9; step 7:
        // +11 = the three together gives 7; step 16: -24 = step and step/2 gives 14; step 28: 0 gives 0;
        // step 25: -31 = step and step/4 gives 13; step 37: +27 = step/2 and step/4 gives 3, index 16.
        // The second block: 33 with step 34 (3) and -14 with 31 (9) fall just short of a bit, a jump the
        // step cannot follow (7, index 22), then -60 with 60 (12), 17 with 73 (0), -1 with 66 (8), 15 with
        // 60 (1) and -27 with 55 (10).
        {1,
         8,
         {1000, 1007, 1011, 1010, 1020, 996, 994, 966, 990, -2000, -1967, -1985, 18019, -1989, -1979, -1988,
          -1980, -2000},
         QByteArray::fromHex("e803000024790e3d"
                             "30f8100093c780a1")},
        // The same left channel beside its mirror image on the right: 12 10 1 15 6 0 5 11.
        {2,
         16,
         {1000, -300, 1007, -307, 1011, -311, 1010, -310, 1020, -320, 996, -296, 994, -294, 966, -260, 990,
          -284},
         QByteArray::fromHex("e8030000d4fe0000"
                             "24790e3dacf106b5")},
    };
    for (const KnownAnswer& answer : answers) {
        SCOPED_TRACE(testing::Message() << answer.Channels << " channels");
        MemorySource source(Pcm16(answer.Samples), 16, answer.Channels, 22050);
        TWaveOut out;
        out.SetWavType(wtDVIADPCM);
        out.SetBlockSize(answer.BlockSize);
        ASSERT_TRUE(Write(out, source, Target()).Done);
        EXPECT_EQ(TempWorld::ReadFile(Target()).mid(60).toHex().toStdString(),
                  answer.Blocks.toHex().toStdString());
    }
}

TEST_F(WaveOutTest, HeadersTellTheTruthWhenTheSizeEstimateIsWrong)
{
    const QByteArray pcm = PcmPattern(100000, 2);
    for (const TWavType type : {wtPCM, wtDVIADPCM}) {
        for (const std::int64_t estimate : {-1, 100, 10'000'000}) {
            SCOPED_TRACE(estimate);
            MemorySource source(pcm, 16, 2, 48000);
            source.Announced = estimate;
            TWaveOut out;
            out.SetWavType(type);
            ASSERT_TRUE(Write(out, source, Target()).Done);
            const std::uint32_t dataSize = ExpectTrueHeader(Target());
            // Bytes of PCM, frames of IMA ADPCM.
            EXPECT_EQ(type == wtPCM ? dataSize : Le32At(TempWorld::ReadFile(Target()), 48),
                      type == wtPCM ? pcm.size() : 100000);
        }
    }
    // An ADPCM source whose length overshoots its estimate.
    TWaveIn in;
    in.FileName = FixturePath("wav-ima-stereo.wav");
    TWaveOut out;
    ASSERT_TRUE(Write(out, in, Target()).Done);
    EXPECT_EQ(ExpectTrueHeader(Target()), std::uint32_t(ReadFixture("wav-ima-stereo.s16").size()));
    EXPECT_EQ(TempWorld::ReadFile(Target()).mid(44), ReadFixture("wav-ima-stereo.s16"));
}

TEST_F(WaveOutTest, AppendsPcmAndImaOfTheSameFormatAfterTheOldData)
{
    const QByteArray first = PcmPattern(700, 2), second = PcmPattern(300, 2);
    ASSERT_TRUE(WritePcm(first, 2, 44100, 16, Target(), foAppend).Done); // a missing file is created
    ASSERT_TRUE(WritePcm(second, 2, 44100, 16, Target(), foAppend).Done);
    ExpectTrueHeader(Target());
    EXPECT_EQ(ReadAll(Target()).Data, first + second);

    // After the pad byte of odd data.
    const QByteArray odd(101, '\x40');
    WriteFile("out.wav", Riff(Chunk("fmt ", PcmFormat(1, 8000, 8)) + Chunk("data", odd)));
    ASSERT_TRUE(WritePcm(QByteArray(10, '\x70'), 1, 8000, 8, Target(), foAppend).Done);
    ExpectTrueHeader(Target());
    EXPECT_EQ(ReadAll(Target()).Data, odd + QByteArray(10, '\x70'));

    const QByteArray head = FixturePcm("wav-pcm16-mono.wav").left(2 * 3000);
    const QByteArray tail = FixturePcm("wav-pcm16-mono.wav").mid(2 * 3000, 2 * 1500);
    ASSERT_TRUE(WritePcm(head, 1, 22050, 16, Target(), foRewrite, wtDVIADPCM).Done);
    const QByteArray alone = ReadAll(Target()).Data;
    MemorySource source(tail, 16, 1, 22050);
    TWaveOut out;
    out.SetBlockSize(1024); // taken for a new file; the file's own block size wins when appending
    EXPECT_EQ(out.GetBlockSize(), 1024);
    ASSERT_TRUE(Write(out, source, Target(), foAppend).Done);
    EXPECT_EQ(out.GetWavType(), wtDVIADPCM);
    EXPECT_EQ(out.GetBlockSize(), 512);
    const QByteArray file = TempWorld::ReadFile(Target());
    EXPECT_EQ(file.size(), 60 + (3 + 2) * 512);
    EXPECT_EQ(Le32At(file, 48), 3u * 1017 + 1500);
    ExpectTrueHeader(Target());
    const ReadResult both = ReadAll(Target());
    EXPECT_EQ(both.Data.left(alone.size()), alone);
    EXPECT_GE(SignalToNoise(Samples16(tail), Samples16(both.Data.mid(alone.size()))), 20.0);
}

TEST_F(WaveOutTest, AppendRefusalsLeaveTheFileAlone)
{
    const QByteArray pcm = PcmPattern(50, 2);
    const QByteArray fmt = Chunk("fmt ", PcmFormat(2, 44100, 16));
    const char* const otherFormat = "Cannot append data in different audio format.";
    const char* const notAppendable = "Cannot append data to this .wav file.";
    const std::pair<QByteArray, const char*> refusals[] = {
        {Riff(Chunk("fmt ", PcmFormat(2, 44100, 8)) + Chunk("data", pcm)), otherFormat},
        {Riff(Chunk("fmt ", PcmFormat(2, 22050, 16)) + Chunk("data", pcm)), otherFormat},
        {ReadFixture("wav-ms-stereo.wav"), notAppendable},
        {QByteArray("ID3 some tag and then nothing"), notAppendable},
        {Riff(fmt + Chunk("data", pcm) + Chunk("LIST", QByteArray(26, 'x'))), notAppendable},
    };
    for (const auto& [existing, message] : refusals) {
        WriteFile("out.wav", existing);
        const RunRecorder::Ends result = WritePcm(pcm, 2, 44100, 16, Target(), foAppend);
        EXPECT_TRUE(result.Failed);
        EXPECT_EQ(result.Error, QString::fromLatin1(message));
        EXPECT_EQ(TempWorld::ReadFile(Target()), existing);
    }
}

TEST_F(WaveOutTest, FailuresEndTheRunAsFailuresWithTheirReason)
{
    const auto expectFailure = [this](const QString& fileName, TWavType type, const char* message) {
        const RunRecorder::Ends result =
            WritePcm(PcmPattern(100000, 1), 1, 44100, 16, fileName, foRewrite, type);
        EXPECT_TRUE(result.Failed);
        EXPECT_EQ(result.Error, message);
    };
    expectFailure(Root() + "missing/out.wav", wtPCM,
                  "Cannot create this .wav file: No such file or directory.");
    expectFailure(QString(), wtPCM, "File name is not assigned.");
    // Any multiple of 4 is taken, but a stereo block holds whole groups of 8 bytes, and no block may
    // decode beyond the reader's buffer.
    for (const auto& [channels, blockSize] : {std::pair{2, 260}, {2, 8}, {1, 4}, {1, 4100}}) {
        MemorySource source(PcmPattern(1000, channels), 16, channels, 22050);
        TWaveOut out;
        out.SetWavType(wtDVIADPCM);
        out.SetBlockSize(blockSize);
        EXPECT_EQ(out.GetBlockSize(), blockSize);
        const RunRecorder::Ends result = Write(out, source, Target());
        EXPECT_TRUE(result.Failed);
        EXPECT_EQ(result.Error, "Cannot encode ADPCM blocks of this size.");
    }
    // A full disk, which stays the device it was. A full disk with PCM and 8 bits refused for IMA are
    // the WAV step's cases.
    const QString full = Root() + "full";
    if (const QString refusal = MakeDevice(full, Device::Full); !refusal.isEmpty())
        GTEST_SKIP() << refusal.toStdString();
    expectFailure(full, wtDVIADPCM, "Cannot write to this .wav file: No space left on device.");
    EXPECT_TRUE(IsDevice(full, Device::Full));
}

TEST_F(WaveOutTest, DataBeyond4GiBFailsInsteadOfWrapping)
{
    // A sparse file whose data already fill the 32-bit sizes but for a few bytes.
    const std::uint32_t dataSize = 0xFFFFFF00u - 36;
    WriteFile("out.wav", Riff(Chunk("fmt ", PcmFormat(2, 44100, 16)) + Chunk("data", {}, dataSize)));
    ASSERT_TRUE(QFile::resize(Target(), 44 + std::int64_t(dataSize)));
    const RunRecorder::Ends result = WritePcm(PcmPattern(1000, 2), 2, 44100, 16, Target(), foAppend);
    EXPECT_TRUE(result.Failed);
    EXPECT_EQ(result.Error, "This .wav file would exceed 4 GB.");
    QFile file(Target());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray head = file.read(44);
    EXPECT_EQ(Le32At(head, 40), std::uint32_t(file.size() - 44));
    EXPECT_EQ(Le32At(head, 4), std::uint32_t(file.size() - 8));
}

TEST_F(WaveOutTest, AnInputAnnouncedLargerThanOneFileHoldsIsRefusedBeforeAnythingIsWritten)
{
    // Frames of 16-bit stereo as PCM, and as IMA ADPCM in whole stereo blocks of 512 bytes, 505 frames.
    const std::int64_t mostPcm = (0xFFFFFFFFll - 36) / 4, mostIma = (0xFFFFFFFFll - 52) / 512 * 505;
    for (const auto& [type, most] : {std::pair(wtPCM, mostPcm), {wtDVIADPCM, mostIma}}) {
        for (const std::int64_t frames : {most, most + 1}) {
            SCOPED_TRACE(testing::Message() << int(type) << " " << frames);
            MemorySource source(PcmPattern(1000, 2), 16, 2, 44100);
            source.Announced = frames * 4;
            TWaveOut out;
            out.SetWavType(type);
            const RunRecorder::Ends result = Write(out, source, Target());
            if (frames > most) {
                EXPECT_TRUE(result.Failed);
                EXPECT_EQ(result.Error, "This .wav file would exceed 4 GB.");
                EXPECT_EQ(source.BytesRead, 0);
                EXPECT_EQ(QFileInfo(Target()).size(), 0);
            } else {
                EXPECT_FALSE(result.Failed) << "what fits is written with the sizes it really has";
            }
        }
    }
}
