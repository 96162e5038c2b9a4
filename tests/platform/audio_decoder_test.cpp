#include "platform/audio_decoder.h"

#include "tests/support/qt_print.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

using plat::AudioDecoder;
using plat::AudioDecoderOptions;

namespace {

using Samples = std::vector<std::int16_t>;

QString Fixture(const QString& name)
{
    return QStringLiteral(KORVANE_SOURCE_DIR "/tests/data/") + name;
}

QByteArray ReadBytes(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Decoded {
    bool Opened = false;
    QString Error;
    int Rate = 0;
    int Channels = 0;
    std::int64_t Length = -1;
    bool Failed = false; // a read gave -1
    Samples Pcm;
};

// Decodes a whole file in the 10240-byte blocks the conversion uses, checking that every block holds
// whole frames and that the position follows what was handed out.
Decoded DecodeAll(const QString& fileName, const AudioDecoderOptions& options = {})
{
    Decoded result;
    const auto decoder = AudioDecoder::Open(fileName, options, result.Error);
    if (!decoder)
        return result;
    result.Opened = true;
    result.Rate = decoder->SampleRate();
    result.Channels = decoder->Channels();
    result.Length = decoder->LengthBytes();
    std::vector<char> block(10240);
    std::int64_t total = 0;
    for (;;) {
        const std::int64_t count = decoder->Read(block.data(), static_cast<std::int64_t>(block.size()));
        if (count <= 0) {
            result.Failed = count < 0;
            EXPECT_FALSE(decoder->Active());
            EXPECT_EQ(decoder->Read(block.data(), 10240), count) << "the end stays the end";
            break;
        }
        EXPECT_EQ(count % decoder->FrameBytes(), 0);
        total += count;
        EXPECT_EQ(decoder->PositionBytes(), total);
        const std::size_t at = result.Pcm.size();
        result.Pcm.resize(at + static_cast<std::size_t>(count) / 2);
        std::memcpy(result.Pcm.data() + at, block.data(), static_cast<std::size_t>(count));
    }
    return result;
}

// The source the fixtures were made from: 1 s of 44.1 kHz stereo behind a 44-byte header.
Samples Source()
{
    const QByteArray wav = ReadBytes(Fixture(QStringLiteral("dec-source.wav")));
    Samples pcm(static_cast<std::size_t>(wav.size() - 44) / 2);
    std::memcpy(pcm.data(), wav.constData() + 44, pcm.size() * 2);
    return pcm;
}

Samples Channel(const Samples& pcm, int channels, int channel)
{
    Samples one;
    for (std::size_t i = static_cast<std::size_t>(channel); i < pcm.size();
         i += static_cast<std::size_t>(channels))
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

struct Match {
    double Correlation = -1;
    int Lag = 0;
};

// The best normalized correlation of a stretch of reference with decoded, over the lags a codec's
// delay can give. The stretch leaves out the edges, where codecs fade in and out.
Match BestMatch(const Samples& reference, const Samples& decoded, std::size_t from = 4096,
                std::size_t length = 8192, int maxLag = 2048)
{
    Match best;
    for (int lag = -maxLag; lag <= maxLag; ++lag) {
        double product = 0, referenceEnergy = 0, decodedEnergy = 0;
        for (std::size_t i = from; i < from + length && i < reference.size(); ++i) {
            const std::int64_t j = static_cast<std::int64_t>(i) + lag;
            const double r = reference[i];
            const double d = j >= 0 && j < static_cast<std::int64_t>(decoded.size()) ? decoded[j] : 0.0;
            product += r * d;
            referenceEnergy += r * r;
            decodedEnergy += d * d;
        }
        const double correlation =
            decodedEnergy > 0 ? product / std::sqrt(referenceEnergy * decodedEnergy) : 0;
        if (correlation > best.Correlation)
            best = {correlation, lag};
    }
    return best;
}

// Signal-to-noise ratio of decoded against reference, sample for sample.
double SignalToNoiseDb(const Samples& reference, const Samples& decoded)
{
    double signal = 0, noise = 0;
    for (std::size_t i = 0; i < std::min(reference.size(), decoded.size()); ++i) {
        signal += double(reference[i]) * reference[i];
        noise += (double(decoded[i]) - reference[i]) * (double(decoded[i]) - reference[i]);
    }
    return noise == 0 ? 200 : 10 * std::log10(signal / noise);
}

bool HaveFfmpeg()
{
    return !QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty();
}

// ffmpeg's own decode of a file to signed 16-bit, with extra options such as a sampling frequency.
Samples FfmpegDecode(const QString& fileName, const QStringList& options = {})
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 QStringList{QStringLiteral("-nostdin"), QStringLiteral("-v"), QStringLiteral("error"),
                             QStringLiteral("-i"), fileName} +
                     options +
                     QStringList{QStringLiteral("-f"), QStringLiteral("s16le"), QStringLiteral("-")});
    EXPECT_TRUE(ffmpeg.waitForFinished(30000));
    const QByteArray bytes = ffmpeg.readAllStandardOutput();
    Samples pcm(static_cast<std::size_t>(bytes.size()) / 2);
    std::memcpy(pcm.data(), bytes.constData(), pcm.size() * 2);
    return pcm;
}

class EachFormat : public ::testing::TestWithParam<const char*> {};

TEST_P(EachFormat, DecodesToItsSourceInBothChannels)
{
    const Decoded decoded = DecodeAll(Fixture(QString::fromLatin1(GetParam())));
    ASSERT_TRUE(decoded.Opened) << decoded.Error.toStdString();
    EXPECT_FALSE(decoded.Failed);
    EXPECT_EQ(decoded.Rate, 44100);
    EXPECT_EQ(decoded.Channels, 2);
    const double seconds = decoded.Pcm.size() / 2 / 44100.0;
    EXPECT_NEAR(seconds, 1.0, 0.07);
    EXPECT_NEAR(decoded.Length / 4 / 44100.0, seconds, 0.07) << "the length announced before decoding";

    const Samples source = Source();
    for (int channel = 0; channel < 2; ++channel) {
        const Match match = BestMatch(Channel(source, 2, channel), Channel(decoded.Pcm, 2, channel));
        EXPECT_GT(match.Correlation, 0.97) << "channel " << channel << ", lag " << match.Lag;
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, EachFormat,
                         ::testing::Values("dec-tone.mp3", "dec-tone.mp2", "dec-tone.mp1", "dec-tone.ogg",
                                           "dec-tone.wma", "dec-source.wav"),
                         [](const auto& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

TEST(AudioDecoder, GivesTheSameSamplesAsFfmpegItself)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << "ffmpeg is not installed";
    for (const char* name : {"dec-tone.mp3", "dec-tone.mp2", "dec-tone.mp1", "dec-tone.ogg", "dec-tone.wma",
                             "dec-mono22k.wma", "dec-48k.ogg", "dec-source.wav"}) {
        const QString fileName = Fixture(QString::fromLatin1(name));
        EXPECT_TRUE(DecodeAll(fileName).Pcm == FfmpegDecode(fileName)) << name;
    }
}

TEST(AudioDecoder, WavIsHandedOutByteForByte)
{
    const Decoded decoded = DecodeAll(Fixture(QStringLiteral("dec-source.wav")));
    EXPECT_TRUE(decoded.Pcm == Source());
    EXPECT_EQ(decoded.Length, 176400);
}

TEST(AudioDecoder, MonoStaysOneChannelAndWidensToBothSidesAtFullLevel)
{
    const QString fileName = Fixture(QStringLiteral("dec-mono22k.wma"));
    const Decoded native = DecodeAll(fileName);
    EXPECT_EQ(native.Rate, 22050);
    EXPECT_EQ(native.Channels, 1);

    const Decoded mono = DecodeAll(fileName, {44100, 0});
    EXPECT_EQ(mono.Rate, 44100);
    EXPECT_EQ(mono.Channels, 1);
    EXPECT_GT(BestMatch(Mono(Source()), mono.Pcm).Correlation, 0.95);

    const Decoded stereo = DecodeAll(fileName, {44100, 2});
    EXPECT_EQ(stereo.Channels, 2);
    EXPECT_TRUE(Channel(stereo.Pcm, 2, 0) == mono.Pcm);
    EXPECT_TRUE(Channel(stereo.Pcm, 2, 1) == mono.Pcm);
}

TEST(AudioDecoder, MixesStereoDownToMonoOnRequest)
{
    const Decoded mono = DecodeAll(Fixture(QStringLiteral("dec-tone.ogg")), {0, 1});
    EXPECT_EQ(mono.Channels, 1);
    EXPECT_EQ(mono.Rate, 44100);
    EXPECT_GT(BestMatch(Mono(Source()), mono.Pcm).Correlation, 0.97);
}

TEST(AudioDecoder, Resamples48kHzOggTo44100LikeFfmpeg)
{
    const QString fileName = Fixture(QStringLiteral("dec-48k.ogg"));
    const Decoded decoded = DecodeAll(fileName, {44100, 0});
    EXPECT_EQ(decoded.Rate, 44100);
    EXPECT_EQ(decoded.Channels, 2);
    EXPECT_NEAR(decoded.Pcm.size() / 2 / 44100.0, 1.0, 0.01);
    EXPECT_NEAR(decoded.Length, 176400, 400);
    const Samples source = Source();
    for (int channel = 0; channel < 2; ++channel)
        EXPECT_GT(BestMatch(Channel(source, 2, channel), Channel(decoded.Pcm, 2, channel)).Correlation, 0.97);

    if (!HaveFfmpeg())
        GTEST_SKIP() << "ffmpeg is not installed";
    const Samples reference = FfmpegDecode(fileName, {QStringLiteral("-ar"), QStringLiteral("44100")});
    EXPECT_EQ(decoded.Pcm.size(), reference.size());
    EXPECT_GE(SignalToNoiseDb(reference, decoded.Pcm), 70);
}

TEST(AudioDecoder, ReadsWholeFramesOnly)
{
    QString error;
    const auto decoder = AudioDecoder::Open(Fixture(QStringLiteral("dec-tone.mp3")), {}, error);
    ASSERT_TRUE(decoder);
    char buffer[10243];
    EXPECT_EQ(decoder->Read(buffer, 3), 0) << "no whole frame fits";
    EXPECT_TRUE(decoder->Active());
    EXPECT_EQ(decoder->Read(buffer, sizeof buffer), 10240);
    EXPECT_EQ(decoder->PositionBytes(), 10240);
}

TEST(AudioDecoder, ConvertsBetweenSecondsAndBytesOfItsOutput)
{
    QString error;
    const auto decoder = AudioDecoder::Open(Fixture(QStringLiteral("dec-mono22k.wma")), {}, error);
    ASSERT_TRUE(decoder);
    EXPECT_EQ(decoder->FrameBytes(), 2);
    EXPECT_EQ(decoder->SecondsToBytes(0.5), 22050);
    EXPECT_DOUBLE_EQ(decoder->BytesToSeconds(44100), 1.0);
}

TEST(AudioDecoder, SeeksToAPositionInSeconds)
{
    const Samples source = Source();
    QString error;
    const auto wav = AudioDecoder::Open(Fixture(QStringLiteral("dec-source.wav")), {}, error);
    ASSERT_TRUE(wav);
    ASSERT_TRUE(wav->SeekSeconds(0.5));
    EXPECT_EQ(wav->PositionBytes(), 88200);
    Samples block(2048);
    ASSERT_EQ(wav->Read(block.data(), 4096), 4096);
    EXPECT_TRUE(std::equal(block.begin(), block.end(), source.begin() + 44100)) << "exactly at 0.5 s";
    EXPECT_EQ(wav->PositionBytes(), 88200 + 4096);

    const auto ogg = AudioDecoder::Open(Fixture(QStringLiteral("dec-tone.ogg")), {}, error);
    ASSERT_TRUE(ogg);
    ASSERT_TRUE(ogg->SeekSeconds(0.5));
    Samples rest(44100);
    ASSERT_EQ(ogg->Read(rest.data(), 88200), 88200);
    const Samples left = Channel(source, 2, 0);
    const Match match =
        BestMatch(Samples(left.begin() + 22050, left.end()), Channel(rest, 2, 0), 2048, 8192, 256);
    EXPECT_GT(match.Correlation, 0.97);
    EXPECT_NEAR(match.Lag, 0, 16) << "the samples after the seek start at 0.5 s";
}

// Feeds a file through a named pipe: a source with neither a declared duration nor a size.
class PipedFile {
public:
    PipedFile(const QString& fileName)
        : content_(ReadBytes(fileName)), pipe_(folder_.filePath(QStringLiteral("pipe")))
    {
        EXPECT_EQ(::mkfifo(QFile::encodeName(pipe_).constData(), 0600), 0);
        writer_ = std::thread([this] { write(); });
    }
    ~PipedFile() { writer_.join(); }
    QString Name() const { return pipe_; }

private:
    void write()
    {
        sigset_t pipeSignal;
        sigemptyset(&pipeSignal);
        sigaddset(&pipeSignal, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr); // a reader that leaves early gives EPIPE instead
        int fd = -1;
        for (int tries = 0; fd < 0 && tries < 1000; ++tries) {
            fd = ::open(QFile::encodeName(pipe_).constData(), O_WRONLY | O_NONBLOCK);
            if (fd < 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (fd < 0)
            return;
        ::fcntl(fd, F_SETFL, 0);
        for (qsizetype done = 0; done < content_.size();) {
            const ssize_t count =
                ::write(fd, content_.constData() + done, static_cast<size_t>(content_.size() - done));
            if (count <= 0)
                break;
            done += count;
        }
        ::close(fd);
    }

    const QByteArray content_;
    QTemporaryDir folder_;
    const QString pipe_;
    std::thread writer_;
};

TEST(AudioDecoder, LengthIsUnknownWithoutADurationOrAFileSize)
{
    const PipedFile piped(Fixture(QStringLiteral("dec-source.wav")));
    QString error;
    const auto decoder = AudioDecoder::Open(piped.Name(), {}, error);
    ASSERT_TRUE(decoder) << error.toStdString();
    EXPECT_EQ(decoder->LengthBytes(), -1);
    Samples pcm(176400 / 2 + 1000);
    std::int64_t total = 0;
    const auto room = [&] {
        return std::min<std::int64_t>(10240, static_cast<std::int64_t>(pcm.size()) * 2 - total);
    };
    for (std::int64_t count; (count = decoder->Read(pcm.data() + total / 2, room())) > 0;)
        total += count;
    pcm.resize(static_cast<std::size_t>(total) / 2);
    EXPECT_TRUE(pcm == Source());
    EXPECT_EQ(decoder->LengthBytes(), total) << "known once the end is reached";
}

TEST(AudioDecoder, DamagedFilesFailClearlyOrGiveAShorterCorrectResult)
{
    const Samples source = Source();
    // Cut short: everything up to the cut decodes; the end is a plain end.
    for (const char* name : {"dec-truncated.mp3", "dec-truncated.ogg", "dec-truncated.wma"}) {
        const Decoded decoded = DecodeAll(Fixture(QString::fromLatin1(name)));
        ASSERT_TRUE(decoded.Opened) << name;
        EXPECT_FALSE(decoded.Failed) << name;
        EXPECT_GT(decoded.Pcm.size(), 2 * 8192u) << name;
        EXPECT_LT(decoded.Pcm.size(), source.size()) << name;
        EXPECT_GT(BestMatch(Channel(source, 2, 0), Channel(decoded.Pcm, 2, 0), 2048, 4096).Correlation, 0.97)
            << name;
    }

    // Noise over a few frames in the middle: those frames are skipped and decoding goes on after them.
    const Decoded corrupt = DecodeAll(Fixture(QStringLiteral("dec-corrupt-middle.mp3")));
    EXPECT_FALSE(corrupt.Failed);
    EXPECT_GT(corrupt.Pcm.size(), source.size() * 6 / 10);
    const Samples right = Channel(source, 2, 1);
    const Samples tail(corrupt.Pcm.end() - 2 * 12000, corrupt.Pcm.end());
    EXPECT_GT(
        BestMatch(Samples(right.end() - 12000, right.end()), Channel(tail, 2, 1), 2048, 4096).Correlation,
        0.97)
        << "the end of the file decodes after the damage";

    // Nothing decodable: refused at the opening, or a read error, never samples made of garbage.
    QTemporaryDir folder;
    const auto write = [&](const char* name, const QByteArray& content) {
        QFile file(folder.filePath(QString::fromLatin1(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return file.fileName();
    };
    const QString refused[] = {
        Fixture(QStringLiteral("dec-garbage.mp3")),
        write("empty.mp3", QByteArray()),
        write("text.wma", QByteArray("This is not audio at all.\n").repeated(200)),
        write("header only.ogg", ReadBytes(Fixture(QStringLiteral("dec-tone.ogg"))).left(3000)),
        folder.path(),
        folder.filePath(QStringLiteral("missing.mp3"))};
    for (const QString& fileName : refused) {
        const Decoded decoded = DecodeAll(fileName);
        EXPECT_TRUE(!decoded.Opened || (decoded.Failed && decoded.Pcm.empty())) << fileName.toStdString();
        EXPECT_TRUE(decoded.Opened || !decoded.Error.isEmpty()) << fileName.toStdString();
    }
}

TEST(AudioDecoderLibraries, TheBuildsLibrariesPassAndAnyMismatchIsNamed)
{
    EXPECT_EQ(plat::CheckDecoderLibraries(), QString());

    plat::DecoderLibraries loaded = plat::LoadedDecoderLibraries();
    EXPECT_TRUE(loaded.MissingDecoders.isEmpty());
    loaded.AvCodecMajor += 1;
    loaded.MissingDecoders = {QStringLiteral("MP1"), QStringLiteral("WMA 2")};
    const QStringList problems = plat::CheckDecoderLibraries(loaded).split(u'\r');
    ASSERT_EQ(problems.size(), 3);
    EXPECT_TRUE(problems[0].contains(QStringLiteral("libavcodec"))) << problems[0].toStdString();
    EXPECT_TRUE(problems[1].contains(QStringLiteral("MP1")));
    EXPECT_TRUE(problems[2].contains(QStringLiteral("WMA 2")));
}

} // namespace
