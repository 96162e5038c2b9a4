#include "platform/audio_decoder.h"

#include "platform/source_input.h"
#include "tests/support/acs_test_components.h"
#include "tests/support/audio_fixtures.h"
#include "tests/support/irregular_sources.h"
#include "tests/support/qt_printers.h"
#include "tests/support/reference_tools.h"
#include "tests/support/wav_image.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <algorithm>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <unistd.h>
#include <variant>
#include <vector>

using plat::AudioDecoder;

namespace {

using Samples = std::vector<std::int16_t>;

QString Fixture(const char* name)
{
    return FixturePath(QString::fromLatin1(name));
}

// The source of the fixtures: 1 s of 44.1 kHz stereo behind a 44-byte header.
Samples Source()
{
    return Samples16(ReadFixture("dec-source.wav").mid(44));
}

struct Decoded {
    bool Opened = false;
    QString Error;
    int Rate = 0, Channels = 0;
    std::int64_t Length = -1; // as announced before decoding
    bool Failed = false;      // a read gave -1
    Samples Pcm;
};

// Decodes a whole file in the 10240-byte blocks the conversion uses, checking that each block holds
// whole frames, that the position follows, and that the end stays the end.
Decoded DecodeAll(const QString& fileName, const plat::AudioDecoderOptions& options = {})
{
    Decoded result;
    const auto decoder = AudioDecoder::Open(fileName, options, result.Error);
    if (!decoder)
        return result;
    result = {true, {}, decoder->SampleRate(), decoder->Channels(), decoder->LengthBytes(), false, {}};
    QByteArray all;
    char block[10240];
    std::int64_t count;
    while ((count = decoder->Read(block, sizeof block)) > 0) {
        EXPECT_EQ(count % decoder->FrameBytes(), 0);
        all.append(block, count);
        EXPECT_EQ(decoder->PositionBytes(), all.size());
    }
    result.Failed = count < 0;
    EXPECT_FALSE(decoder->Active());
    EXPECT_EQ(decoder->Read(block, sizeof block), count);
    result.Pcm = Samples16(all);
    return result;
}

Samples Channel(const Samples& pcm, std::size_t channel, std::size_t channels = 2)
{
    Samples one;
    for (std::size_t i = channel; i < pcm.size(); i += channels)
        one.push_back(pcm[i]);
    return one;
}

Samples Mono(const Samples& stereo)
{
    Samples mono;
    for (std::size_t i = 0; i + 1 < stereo.size(); i += 2)
        mono.push_back(static_cast<std::int16_t>((stereo[i] + stereo[i + 1]) / 2));
    return mono;
}

// ffmpeg's own decode of a file to signed 16-bit, with extra output options; empty without ffmpeg.
Samples FfmpegDecode(const QString& fileName, const QStringList& options = {})
{
    const ToolRun run = RunTool("ffmpeg",
                                QStringList{"-nostdin", "-v", "error", "-i", fileName} + options +
                                    QStringList{"-f", "s16le", "-"},
                                {.MergeErrors = false});
    return Samples16(run.Output);
}

bool HaveFfmpeg()
{
    return !QStandardPaths::findExecutable("ffmpeg").isEmpty();
}

QString WriteIn(const QTemporaryDir& folder, const char* name, const QByteArray& content)
{
    QFile file(folder.filePath(QString::fromLatin1(name)));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    return file.fileName();
}

TEST(AudioDecoder, DecodesEachFormatToItsSourceAndToWhatFfmpegGives)
{
    const Samples source = Source();
    for (const char* name : {"dec-tone.mp3", "dec-tone.mp2", "dec-tone.mp1", "dec-tone.ogg", "dec-tone.wma",
                             "dec-source.wav", "dec-mono22k.wma", "dec-48k.ogg"}) {
        SCOPED_TRACE(name);
        const Decoded decoded = DecodeAll(Fixture(name));
        ASSERT_TRUE(decoded.Opened) << decoded.Error.toStdString();
        EXPECT_FALSE(decoded.Failed);
        if (HaveFfmpeg()) {
            EXPECT_TRUE(decoded.Pcm == FfmpegDecode(Fixture(name)));
        }
        if (QByteArray(name).contains("k."))
            continue; // the mono 22 kHz and the 48 kHz files are checked below
        EXPECT_EQ(decoded.Rate, 44100);
        EXPECT_EQ(decoded.Channels, 2);
        const double seconds = decoded.Pcm.size() / 2 / 44100.0;
        EXPECT_NEAR(seconds, 1.0, 0.07);
        EXPECT_NEAR(decoded.Length / 4 / 44100.0, seconds, 0.07);
        for (std::size_t channel : {0, 1}) {
            const Match match = BestMatch(Channel(source, channel), Channel(decoded.Pcm, channel));
            EXPECT_GT(match.Correlation, 0.97) << "channel " << channel << ", lag " << match.Lag;
        }
    }
}

TEST(AudioDecoder, KeepsMonoMixesDownOrWidensOnRequestAndResamples)
{
    const Decoded native = DecodeAll(Fixture("dec-mono22k.wma"));
    EXPECT_EQ(native.Rate, 22050);
    EXPECT_EQ(native.Channels, 1);

    const Decoded mono = DecodeAll(Fixture("dec-mono22k.wma"), {44100, 0});
    EXPECT_EQ(mono.Rate, 44100);
    EXPECT_EQ(mono.Channels, 1);
    EXPECT_GT(BestMatch(Mono(Source()), mono.Pcm).Correlation, 0.95);
    const Decoded widened = DecodeAll(Fixture("dec-mono22k.wma"), {44100, 2});
    EXPECT_EQ(widened.Channels, 2);
    EXPECT_TRUE(Channel(widened.Pcm, 0) == mono.Pcm && Channel(widened.Pcm, 1) == mono.Pcm);

    const Decoded mixed = DecodeAll(Fixture("dec-tone.ogg"), {0, 1});
    EXPECT_EQ(mixed.Channels, 1);
    EXPECT_GT(BestMatch(Mono(Source()), mixed.Pcm).Correlation, 0.97);

    // 48 kHz resampled to 44100 as ffmpeg does it.
    const Decoded resampled = DecodeAll(Fixture("dec-48k.ogg"), {44100, 0});
    EXPECT_EQ(resampled.Rate, 44100);
    EXPECT_NEAR(resampled.Length, 176400, 400);
    for (std::size_t channel : {0, 1})
        EXPECT_GT(BestMatch(Channel(Source(), channel), Channel(resampled.Pcm, channel)).Correlation, 0.97);
    if (HaveFfmpeg()) {
        const Samples reference = FfmpegDecode(Fixture("dec-48k.ogg"), {"-ar", "44100"});
        ASSERT_EQ(resampled.Pcm.size(), reference.size());
        EXPECT_GE(SignalToNoise(reference, resampled.Pcm), 70) << "dB";
    }
}

TEST(AudioDecoder, HandsOutWholeFramesCountsInBytesOfItsOutputAndSeeksInSeconds)
{
    QString error;
    const auto decoder = AudioDecoder::Open(Fixture("dec-mono22k.wma"), {}, error);
    ASSERT_TRUE(decoder);
    char buffer[10241];
    EXPECT_EQ(decoder->Read(buffer, 1), 0) << "no whole frame fits";
    EXPECT_TRUE(decoder->Active());
    EXPECT_EQ(decoder->Read(buffer, sizeof buffer), 10240);
    EXPECT_EQ(decoder->PositionBytes(), 10240);
    EXPECT_EQ(decoder->SecondsToBytes(0.5), 22050);
    EXPECT_DOUBLE_EQ(decoder->BytesToSeconds(44100), 1.0);

    const Samples source = Source();
    const auto wav = AudioDecoder::Open(Fixture("dec-source.wav"), {}, error);
    ASSERT_TRUE(wav && wav->SeekSeconds(0.5));
    EXPECT_EQ(wav->PositionBytes(), 88200);
    Samples block(2048);
    ASSERT_EQ(wav->Read(block.data(), 4096), 4096);
    EXPECT_TRUE(std::equal(block.begin(), block.end(), source.begin() + 44100)) << "exactly at 0.5 s";

    const auto ogg = AudioDecoder::Open(Fixture("dec-tone.ogg"), {}, error);
    ASSERT_TRUE(ogg && ogg->SeekSeconds(0.5));
    Samples rest(44100);
    ASSERT_EQ(ogg->Read(rest.data(), 88200), 88200);
    const Samples left = Channel(source, 0);
    const Match match =
        BestMatch(Samples(left.begin() + 22050, left.end()), Channel(rest, 0), 2048, 8192, 256);
    EXPECT_GT(match.Correlation, 0.97);
    EXPECT_NEAR(match.Lag, 0, 16) << "the samples after the seek start at 0.5 s";
}

TEST(AudioDecoder, AnAbsurdDurationLeavesTheLengthUnknown)
{
    // The Info tag's frame count says 0xFFFFFFFF frames: three and a half years in 17 KB.
    QTemporaryDir folder;
    QByteArray file = ReadFixture("dec-tone.mp3");
    file.replace(file.indexOf("Info") + 8, 4, QByteArray(4, '\xff'));
    const Decoded absurd = DecodeAll(WriteIn(folder, "absurd.mp3", file));
    EXPECT_EQ(absurd.Length, -1);
    EXPECT_NEAR(absurd.Pcm.size() / 2 / 44100.0, 1.0, 0.07);
}

TEST(AudioDecoder, APipeOrADeviceIsRefusedWithoutBeingOpened)
{
    QTemporaryDir folder;
    const PipeSource pipe(folder.filePath("pipe.wav"), Fixture("dec-source.wav"));
    for (const QString& source : {pipe.Name, ZeroDeviceSource(folder.filePath("zeros.mp3"))}) {
        const Decoded decoded = DecodeAll(source);
        EXPECT_FALSE(decoded.Opened) << source.toStdString();
        EXPECT_EQ(decoded.Error, "Not a regular file");
    }
}

// What the process has read from files so far.
std::int64_t BytesReadSoFar()
{
    QFile io(QStringLiteral("/proc/self/io"));
    EXPECT_TRUE(io.open(QIODevice::ReadOnly));
    for (const QByteArray& line : io.readAll().split('\n'))
        if (line.startsWith("rchar:"))
            return line.mid(6).trimmed().toLongLong();
    return -1;
}

// Four 7-bit bytes, as ID3v2 gives its sizes.
QByteArray Syncsafe(qint64 value)
{
    QByteArray bytes(4, 0);
    for (int i = 3; i >= 0; --i, value >>= 7)
        bytes[i] = static_cast<char>(value & 0x7F);
    return bytes;
}

template <typename T> QByteArray LittleEndian(T value)
{
    QByteArray bytes(sizeof value, 0);
    qToLittleEndian(value, bytes.data());
    return bytes;
}

// The pieces of a file: bytes, or a number of zeros left as a hole, so that tens of megabytes of
// picture take no room on the disk.
using Pieces = QList<std::variant<QByteArray, qint64>>;

qint64 SizeOf(const Pieces& pieces)
{
    qint64 size = 0;
    for (const auto& piece : pieces)
        size += piece.index() == 0 ? std::get<QByteArray>(piece).size() : std::get<qint64>(piece);
    return size;
}

QString WriteSparse(const QTemporaryDir& folder, const char* name, const Pieces& pieces)
{
    QFile file(folder.filePath(QString::fromLatin1(name)));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    for (const auto& piece : pieces)
        if (piece.index() == 0)
            EXPECT_EQ(file.write(std::get<QByteArray>(piece)), std::get<QByteArray>(piece).size());
        else
            EXPECT_TRUE(file.seek(file.pos() + std::get<qint64>(piece)));
    EXPECT_TRUE(file.resize(file.pos()));
    return file.fileName();
}

TEST(AudioDecoder, AStretchOfTheFileThatGivesNoAudioCostsNoMoreThanItsBound)
{
    // A demuxer hunting for a frame keeps what it reads: the bytes read bound the memory too.
    constexpr std::int64_t bound = plat::SourceInput::MaxBytesWithoutPacket + (4 << 20);
    QTemporaryDir folder;
    QFile zeros(folder.filePath("zeros.mp3"));
    ASSERT_TRUE(zeros.open(QIODevice::WriteOnly) && zeros.resize(std::int64_t(1) << 30)); // sparse
    zeros.close();
    std::int64_t before = BytesReadSoFar();
    const Decoded refused = DecodeAll(zeros.fileName());
    EXPECT_FALSE(refused.Opened);
    EXPECT_LT(BytesReadSoFar() - before, bound);

    // The same zeros after a song: the song decodes, then the read fails.
    QFile song(folder.filePath("song then zeros.mp3"));
    ASSERT_TRUE(song.open(QIODevice::WriteOnly) && song.write(ReadFixture("dec-tone.mp3")) > 0 &&
                song.resize(std::int64_t(1) << 30));
    song.close();
    before = BytesReadSoFar();
    const Decoded cut = DecodeAll(song.fileName());
    EXPECT_TRUE(cut.Opened && cut.Failed);
    EXPECT_GT(cut.Pcm.size(), 2 * 22050u);
    EXPECT_LT(BytesReadSoFar() - before, bound);

    // Metadata counts only where the file holds it, and only so far, and no size it declares is
    // allocated whole: zeros behind a list longer than the file that claims a comment of 100 MiB or of
    // 900 MiB, or behind a tag of 256 MiB that the file does hold.
    const auto list = [](quint32 commentBytes) {
        return "RIFF" + LittleEndian<quint32>(0xFFFFFFF0) + "WAVELIST" + LittleEndian<quint32>(0xFFFFFFF0) +
               "INFOICMT" + LittleEndian(commentBytes);
    };
    const std::pair<QByteArray, std::int64_t> declared[] = {
        {list(100 << 20), bound},
        {list(900 << 20), bound},
        {"ID3\x04\0\0" + Syncsafe((1 << 28) - 1), plat::MaxDeclaredMetadata + bound}};
    rusage start{}, end{};
    getrusage(RUSAGE_SELF, &start);
    for (const auto& [header, most] : declared) {
        const QString file = WriteSparse(folder, "declared", {header, (qint64(1) << 30) - header.size()});
        before = BytesReadSoFar();
        EXPECT_FALSE(DecodeAll(file).Opened);
        EXPECT_LT(BytesReadSoFar() - before, most) << header.left(4).toStdString();
    }
    getrusage(RUSAGE_SELF, &end);
    EXPECT_LT(end.ru_maxrss - start.ru_maxrss, 256 * 1024) << "kB more at the peak";
}

// An ID3v2.4 tag, with its footer, that holds a cover picture of that size.
Pieces Id3v2Cover(qint64 pictureBytes)
{
    const QByteArray picture("\0image/jpeg\0\x03\0", 14);
    const QByteArray flagsAndSize =
        QByteArray("\x04\0\x10", 3) + Syncsafe(10 + picture.size() + pictureBytes);
    return {"ID3" + flagsAndSize + "APIC" + Syncsafe(picture.size() + pictureBytes) + QByteArray(2, 0) +
                picture,
            pictureBytes, "3DI" + flagsAndSize};
}

// An APEv2 tag, with its header, that holds a front cover of that size.
Pieces ApeCover(qint64 pictureBytes)
{
    const QByteArray item = LittleEndian<quint32>(quint32(10 + pictureBytes)) + LittleEndian<quint32>(2) +
                            QByteArray("Cover Art (Front)\0cover.jpg\0", 28);
    const auto header = [&](quint32 flags) {
        return "APETAGEX" + LittleEndian<quint32>(2000) +
               LittleEndian<quint32>(quint32(item.size() + pictureBytes + 32)) + LittleEndian<quint32>(1) +
               LittleEndian(flags) + QByteArray(8, 0);
    };
    return {header(0xA0000000) + item, pictureBytes, header(0x80000000)};
}

// The WAV fixture with the tag in an "id3 " chunk before its data.
Pieces WavWith(const Pieces& tag)
{
    QByteArray wav = ReadFixture("dec-source.wav");
    const QByteArray chunk = "id3 " + LittleEndian<quint32>(quint32(SizeOf(tag)));
    qToLittleEndian<quint32>(quint32(wav.size() - 8 + chunk.size() + SizeOf(tag)), wav.data() + 4);
    return Pieces{wav.left(36) + chunk} + tag + Pieces{wav.mid(36)};
}

// The WMA fixture with pictures of that much in all in its header. ASF has a picture read only below
// 64 KiB: a big cover comes as many.
Pieces WmaWithPictures(qint64 pictureBytes)
{
    QByteArray wma = ReadFixture("dec-tone.wma");
    const qsizetype extension = wma.indexOf(QByteArray::fromHex("b503bf5f2ea9cf118ee300c00c205365"));
    const auto utf16 = [](const QString& text) {
        return QByteArray(reinterpret_cast<const char*>(text.utf16()), (text.size() + 1) * 2);
    };
    constexpr qint64 each = 65000;
    const QByteArray name = utf16("WM/Picture");
    const QByteArray value = "\x03" + LittleEndian<quint32>(each) + utf16("image/jpeg") + utf16("");
    const QByteArray record = LittleEndian<quint32>(0) + LittleEndian<quint16>(quint16(name.size())) +
                              LittleEndian<quint16>(1) + LittleEndian<quint32>(quint32(value.size() + each)) +
                              name + value;
    const qint64 records = pictureBytes / each + 1, objectBytes = 26 + records * (record.size() + each);
    // The metadata library goes at the end of the header extension: both, and the extension's data, grow.
    const qsizetype extensionEnd = extension + qFromLittleEndian<quint64>(wma.data() + extension + 16);
    for (const qsizetype at : {qsizetype(16), extension + 16})
        qToLittleEndian<quint64>(qFromLittleEndian<quint64>(wma.data() + at) + objectBytes, wma.data() + at);
    const qsizetype dataSize = extension + 42;
    qToLittleEndian<quint32>(quint32(qFromLittleEndian<quint32>(wma.data() + dataSize) + objectBytes),
                             wma.data() + dataSize);
    Pieces pieces{wma.left(extensionEnd) + QByteArray::fromHex("941c23449894d149a1411d134e457054") +
                  LittleEndian<quint64>(objectBytes) + LittleEndian<quint16>(quint16(records))};
    for (qint64 i = 0; i < records; ++i)
        pieces << record << each;
    return pieces << wma.mid(extensionEnd);
}

// The Ogg Vorbis fixture with a cover picture of that size among its comments, put there by ffmpeg.
QString OggWithCover(const QTemporaryDir& folder, qint64 pictureBytes)
{
    const auto bigEndian = [](quint32 value) {
        QByteArray bytes(4, 0);
        qToBigEndian(value, bytes.data());
        return bytes;
    };
    const QByteArray picture = bigEndian(3) + bigEndian(10) + "image/jpeg" + bigEndian(0) +
                               QByteArray(16, 0) + bigEndian(quint32(pictureBytes)) +
                               QByteArray(pictureBytes, 0);
    const QString metadata =
        WriteIn(folder, "metadata.txt", ";FFMETADATA1\nMETADATA_BLOCK_PICTURE=" + picture.toBase64() + "\n");
    const QString ogg = folder.filePath("cover.ogg");
    RunTool("ffmpeg", {"-nostdin", "-v", "error", "-i", Fixture("dec-tone.ogg"), "-i", metadata,
                       "-map_metadata", "1", "-c", "copy", ogg});
    QFile::remove(metadata);
    return ogg;
}

TEST(AudioDecoder, ACoverPictureOfManyMegabytesIsNoStretchWithoutAudio)
{
    // Twice the bound, in every container, opened as the preview and as the conversion open it: the
    // audio of the file without the cover.
    constexpr qint64 picture = 33 << 20;
    QTemporaryDir folder;
    QList<std::pair<QString, const char*>> files = {
        {WriteSparse(folder, "cover first.mp3", Id3v2Cover(picture) << ReadFixture("dec-tone.mp3")),
         "dec-tone.mp3"}, // a tag before its own
        {WriteSparse(folder, "cover last.mp3", Pieces{ReadFixture("dec-tone.mp3")} + Id3v2Cover(picture)),
         "dec-tone.mp3"},
        {WriteSparse(folder, "cover last.mp2", Pieces{ReadFixture("dec-tone.mp2")} + ApeCover(picture)),
         "dec-tone.mp2"},
        {WriteSparse(folder, "cover.wav", WavWith(Id3v2Cover(picture))), "dec-source.wav"},
        {WriteSparse(folder, "covers.wma", WmaWithPictures(picture)), "dec-tone.wma"},
    };
    if (HaveFfmpeg())
        files.append({OggWithCover(folder, picture), "dec-tone.ogg"});
    for (const auto& [file, plain] : files)
        for (const plat::AudioDecoderOptions& options :
             {plat::AudioDecoderOptions{44100, 0},
              plat::AudioDecoderOptions{.OutRate = 44100, .AllCores = true}}) {
            SCOPED_TRACE(file.toStdString());
            const Decoded decoded = DecodeAll(file, options), expected = DecodeAll(Fixture(plain), options);
            ASSERT_TRUE(decoded.Opened) << decoded.Error.toStdString();
            EXPECT_FALSE(decoded.Failed);
            // With a picture, FFmpeg makes an ASF source's duration a little longer.
            EXPECT_NEAR(decoded.Length, expected.Length, 44100);
            EXPECT_TRUE(decoded.Pcm == expected.Pcm);
        }
}

TEST(AudioDecoder, ARateTooHighIsRefusedAndSamplesThatResampleToNothingAreNoAudio)
{
    QTemporaryDir folder;
    QByteArray absurd = MakeWavImage(44100, 2, 16, QByteArray(4 * 44100, '\x10'));
    qToLittleEndian<quint32>(2147483646u, absurd.data() + 24);
    const Decoded refused = DecodeAll(WriteIn(folder, "absurd.wav", absurd), {44100, 2});
    EXPECT_FALSE(refused.Opened);
    // The reader's highest rate is decoded; one frame of it comes out as nothing at 8000 Hz.
    EXPECT_GT(DecodeAll(WriteIn(folder, "high.wav", MakeWavImage(384000, 2, 16, QByteArray(4 * 38400, 1))),
                        {8000, 2})
                  .Pcm.size(),
              0u);
    const Decoded nothing =
        DecodeAll(WriteIn(folder, "one frame.wav", MakeWavImage(384000, 2, 16, QByteArray(4, 1))), {8000, 2});
    EXPECT_TRUE(nothing.Opened && nothing.Failed && nothing.Pcm.empty());
}

TEST(AudioDecoder, DamagedFilesFailClearlyOrGiveAShorterCorrectResult)
{
    const Samples source = Source();
    // Cut short: everything up to the cut decodes and the end is a plain end.
    for (const char* name : {"dec-truncated.mp3", "dec-truncated.ogg", "dec-truncated.wma"}) {
        SCOPED_TRACE(name);
        const Decoded decoded = DecodeAll(Fixture(name));
        ASSERT_TRUE(decoded.Opened);
        EXPECT_FALSE(decoded.Failed);
        EXPECT_GT(decoded.Pcm.size(), 2 * 8192u);
        EXPECT_LT(decoded.Pcm.size(), source.size());
        EXPECT_GT(BestMatch(Channel(source, 0), Channel(decoded.Pcm, 0), 2048, 4096).Correlation, 0.97);
    }

    // Noise over a few frames in the middle: they are skipped and the end of the file still decodes.
    const Decoded corrupt = DecodeAll(Fixture("dec-corrupt-middle.mp3"));
    EXPECT_FALSE(corrupt.Failed);
    EXPECT_GT(corrupt.Pcm.size(), source.size() * 6 / 10);
    const Samples right = Channel(source, 1), decodedRight = Channel(corrupt.Pcm, 1);
    EXPECT_GT(BestMatch(Samples(right.end() - 12000, right.end()),
                        Samples(decodedRight.end() - 12000, decodedRight.end()), 2048, 4096)
                  .Correlation,
              0.97);

    // Nothing decodable: refused at the opening, or a read error; never samples made of garbage.
    QTemporaryDir folder;
    for (const QString& fileName :
         {Fixture("dec-garbage.mp3"), WriteIn(folder, "empty.mp3", {}),
          WriteIn(folder, "text.wma", QByteArray("Not audio.\n").repeated(500)),
          WriteIn(folder, "header only.ogg", ReadFixture("dec-tone.ogg").left(3000)), folder.path(),
          folder.filePath("missing.mp3")}) {
        const Decoded decoded = DecodeAll(fileName);
        EXPECT_TRUE(decoded.Opened ? decoded.Failed && decoded.Pcm.empty() : !decoded.Error.isEmpty())
            << fileName.toStdString();
    }
}

TEST(AudioDecoder, APlaylistOrFileListIsRefusedWithoutOpeningWhatItNames)
{
    QTemporaryDir folder;
    const QString named = folder.filePath("source.wav");
    ASSERT_TRUE(QFile::copy(Fixture("dec-source.wav"), named));
    const int watch = inotify_init1(IN_NONBLOCK);
    ASSERT_GE(inotify_add_watch(watch, QFile::encodeName(named).constData(), IN_OPEN | IN_ACCESS), 0);
    for (const char* content : {"#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1,\nsource.wav\n#EXT-X-ENDLIST\n",
                                "ffconcat version 1.0\nfile source.wav\n"}) {
        const Decoded decoded = DecodeAll(WriteIn(folder, "list.mp3", content));
        EXPECT_FALSE(decoded.Opened) << content;
        EXPECT_FALSE(decoded.Error.isEmpty());
    }
    char events[4096];
    EXPECT_LT(::read(watch, events, sizeof events), 0) << "the named file was opened";
    ::close(watch);
}

TEST(AudioDecoder, MemoryStaysFlatInTheLengthOfTheSource)
{
    // Six minutes of 8 kHz 8-bit mono, decoded to 44.1 kHz stereo: 63 MB of output read in blocks
    // whose size never lines up with the decoder's frames.
    QTemporaryDir folder;
    const QString file =
        WriteIn(folder, "long.wav",
                MakeWavImage(8000, 1, 8, QByteArray("\x40\x80\xc0\x80").repeated(8000 * 360 / 4)));
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    QString error;
    const auto decoder = AudioDecoder::Open(file, {44100, 2}, error);
    ASSERT_TRUE(decoder);
    std::vector<char> block(10240);
    std::int64_t total = 0;
    for (std::int64_t count; (count = decoder->Read(block.data(), 10240)) > 0;)
        total += count;
    getrusage(RUSAGE_SELF, &after);
    EXPECT_NEAR(total / 4.0 / 44100, 360, 1);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 16 * 1024) << "kB more at the peak";
}

// On every core, MP3 decodes to exactly what one decoder gives: small frames that borrow from many
// frames before them, variable rates, other containers, damage in the middle and a cut end.
TEST(AudioDecoder, AllCoresDecodeMp3ExactlyAsOneCoreDoes)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << "ffmpeg is not installed";
    QTemporaryDir folder;
    const auto encode = [&](const char* name, const QStringList& options) {
        const QString path = folder.filePath(QString::fromLatin1(name));
        RunTool("ffmpeg", QStringList{"-nostdin", "-v", "error", "-f", "lavfi", "-i",
                                      "aevalsrc=0.3*sin(2*PI*(200+90*t)*t)+0.1*(random(0)-0.5)|"
                                      "0.3*sin(2*PI*3000*t)+0.1*(random(1)-0.5):s=44100:d=20"} +
                              options + QStringList{path});
        return path;
    };
    const auto write = [&](const char* name, const QByteArray& content) {
        QFile file(folder.filePath(QString::fromLatin1(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        return file.fileName();
    };
    const QString cbr = encode("cbr.mp3", {"-c:a", "libmp3lame", "-b:a", "192k"});
    QFile cbrFile(cbr);
    ASSERT_TRUE(cbrFile.open(QIODevice::ReadOnly));
    QByteArray damaged = cbrFile.readAll();
    damaged.replace(damaged.size() / 3, 3000, QByteArray(3000, '\x5a'));
    const QStringList files = {
        cbr,
        encode("vbr.mp3", {"-c:a", "libmp3lame", "-q:a", "9", "-ar", "22050"}),
        encode("8k.mp3", {"-c:a", "libmp3lame", "-b:a", "8k", "-ar", "8000", "-ac", "1"}),
        encode("mp3.wav", {"-c:a", "libmp3lame", "-b:a", "64k"}),
        encode("mp3.mpg", {"-c:a", "libmp3lame", "-f", "mpeg"}),
        encode("48k.mp2", {"-c:a", "mp2", "-ar", "48000"}), // stays on one core, resampled
        write("damaged.mp3", damaged),
        write("cut.mp3", damaged.left(damaged.size() * 2 / 3 + 77)),
    };
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        const Decoded one = DecodeAll(file, {44100, 2});
        const Decoded all = DecodeAll(file, {.OutRate = 44100, .OutChannels = 2, .AllCores = true});
        ASSERT_TRUE(one.Opened && all.Opened);
        EXPECT_GT(one.Pcm.size(), 2 * 44100u * 3);
        EXPECT_EQ(all.Failed, one.Failed);
        EXPECT_TRUE(all.Pcm == one.Pcm);
    }
}

TEST(AudioDecoderLibraries, TheBuildsOwnPassAndEveryMismatchIsNamed)
{
    EXPECT_EQ(plat::CheckDecoderLibraries(), QString());

    plat::DecoderLibraries loaded = plat::LoadedDecoderLibraries();
    EXPECT_TRUE(loaded.MissingDecoders.isEmpty());
    loaded.AvCodecMajor += 1;
    loaded.MissingDecoders = {"MP1", "WMA 2"};
    const QStringList problems = plat::CheckDecoderLibraries(loaded).split(u'\r');
    ASSERT_EQ(problems.size(), 3);
    EXPECT_TRUE(problems[0].contains("libavcodec"));
    EXPECT_TRUE(problems[1].contains("MP1") && problems[2].contains("WMA 2"));
}

} // namespace
