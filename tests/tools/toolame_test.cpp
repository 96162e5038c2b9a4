#include "platform/encoder_banner.h"
#include "tests/support/wav_image.h"
#include "tests/tools/tool_runner.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <cmath>
#include <numbers>

namespace {

// The arguments in the order the encoder command builds them.
QStringList encoderArguments(const QStringList& flags, const QStringList& mode, int kbps,
                             const QString& input, const QString& output)
{
    return flags + QStringList{"-r", "-p", "1"} + mode +
           QStringList{"-t", "2", "-b", QString::number(kbps), "-s", "44.1", input, output};
}

const QStringList kStereo{"-m", "s"};

constexpr qint64 kFrame = 1152;
// The frames the encoder gives each of its threads at a time.
constexpr qint64 kSegment = 200 * kFrame;

// Sweeps and noise, so that no two frames give the encoder the same work.
QByteArray MusicWav(int rate, int channels, qint64 samples)
{
    QByteArray bytes;
    bytes.reserve(samples * channels * 2);
    quint32 noise = 1;
    for (qint64 i = 0; i < samples; ++i) {
        const double t = static_cast<double>(i) / rate;
        for (int channel = 1; channel <= channels; ++channel) {
            noise = noise * 1664525U + 1013904223U;
            const double value = 0.4 * std::sin(2 * std::numbers::pi * (200 * channel * t + 150 * t * t)) +
                                 0.1 * (static_cast<double>(noise >> 8) / (1 << 24) - 0.5);
            const auto sample = static_cast<qint16>(std::lrint(value * 32767));
            bytes.append(static_cast<char>(sample & 0xFF)).append(static_cast<char>((sample >> 8) & 0xFF));
        }
    }
    return MakeWavImage(rate, channels, 16, bytes);
}

} // namespace

class Toolame : public ToolWorld {
protected:
    QString Wav(const QString& name, int rate = 44100, int bits = 16)
    {
        return WriteFile(name, ToneWav(rate, 2, bits, 2.0));
    }
    QString Output() const { return Root() + "out.mp2"; }
    ToolRun Encode(const QString& input, const QString& output)
    {
        return RunTool(ToolameProgram(), encoderArguments({}, kStereo, 224, input, output));
    }
};

TEST_F(Toolame, AnswersTheVersionProbeAndEveryHelpCallBeforeItsUsage)
{
    for (const QString option : {"-?", "-h", "-help"}) {
        SCOPED_TRACE(option.toStdString());
        const ToolRun run = RunTool(ToolameProgram(), {option});
        EXPECT_EQ(run.ExitCode, 0);
        const int version =
            run.IndexOfLineContaining("tooLAME version 0.2l (" + QString(plat::kEncoderHomePage) + ")");
        ASSERT_GE(version, 0);
        EXPECT_LT(version, run.IndexOfLineContaining("usage:"));
    }
}

TEST_F(Toolame, EncodesLayerTwoAtTheBitRateModeAndFlagsAsked)
{
    struct EncodeCase {
        QStringList flags, mode;
        int kbps, headerMode;
    };
    const QString input = Wav("in.wav");
    const EncodeCase cases[] = {
        {{}, kStereo, 224, 0},
        {{"-c", "-o", "-e"}, {"-m", "j"}, 192, 1},
        {{"-o"}, {"-a", "-m", "m"}, 128, 3},
        {{"-e"}, {"-m", "d"}, 256, 2},
    };
    for (const EncodeCase& test : cases) {
        SCOPED_TRACE((test.flags + test.mode).join(u' ').toStdString());
        const ToolRun run =
            RunTool(ToolameProgram(), encoderArguments(test.flags, test.mode, test.kbps, input, Output()));
        ASSERT_EQ(run.ExitCode, 0) << run.Lines.join(u'\n').toStdString();

        const auto header = FirstFrameHeader(Output());
        ASSERT_TRUE(header.has_value());
        EXPECT_EQ(header->bitrateKbps, test.kbps);
        EXPECT_EQ(header->mode, test.headerMode);
        EXPECT_EQ(
            std::tuple(header->crc, header->copyright, header->original),
            std::tuple(test.flags.contains("-e"), test.flags.contains("-c"), test.flags.contains("-o")));
        EXPECT_FALSE(header->padding) << "-r turns padding off";
        // Two seconds make 77 whole frames, all of one size without padding.
        EXPECT_EQ(QFileInfo(Output()).size(), 77 * header->frameBytes);
        EXPECT_GE(run.IndexOfLineContaining("INFO: 77 frames written"), 0);

        // The frame counter comes in bracketed lines that only grow.
        QList<int> counts;
        for (const QString& line : run.Lines.filter(QRegularExpression("^\\[\\d+\\]$")))
            counts.append(line.mid(1, line.size() - 2).toInt());
        EXPECT_TRUE(std::is_sorted(counts.begin(), counts.end()));
        EXPECT_EQ(counts.value(counts.size() - 1), 88200 / 1152);
    }
    const ToolRun quiet = RunTool(ToolameProgram(), {"-t", "0", input, Output()});
    EXPECT_EQ(quiet.ExitCode, 0);
    EXPECT_FALSE(quiet.HasLineStartingWith("["));
}

TEST_F(Toolame, RefusesBitRatesAndOptionsItCannotUse)
{
    const QString input = Wav("in.wav");
    const QList<QStringList> refused{
        encoderArguments({}, {"-a", "-m", "m"}, 224, input, Output()),
        encoderArguments({}, kStereo, 32, input, Output()),
        encoderArguments({}, kStereo, 500, input, Output()),
        {"-s", "22.05", input, Output()},
        {"-b", "high", input, Output()},
        {input, Output(), "-b"},
        {input},
    };
    for (const QStringList& arguments : refused) {
        SCOPED_TRACE(arguments.join(u' ').toStdString());
        const ToolRun run = RunTool(ToolameProgram(), arguments);
        EXPECT_EQ(run.ExitCode, 1);
        EXPECT_TRUE(run.HasLineStartingWith("**ERROR:"));
        EXPECT_TRUE(run.HasLineStartingWith("usage:"));
        EXPECT_FALSE(QFileInfo::exists(Output()));
    }
    const ToolRun mono = RunTool(ToolameProgram(), refused.first());
    EXPECT_GE(mono.IndexOfLineContaining("**ERROR: bit rate 224 kbit/s is not allowed for mono"), 0);
}

TEST_F(Toolame, RefusesInputThatIsNotSixteenBitPcmAndNeverWritesOverAFile)
{
    const QByteArray wav = ToneWav(44100, 2, 16, 0.5);
    const QStringList inputs{
        WriteFile("text.wav", "This is no sound at all.\n"),
        Wav("eight.wav", 44100, 8),
        WriteFile("cut.wav", wav.left(30)),
        Wav("low.wav", 22050),
        WriteFile("empty.wav", wav.left(44)),
    };
    for (const QString& input : inputs) {
        SCOPED_TRACE(input.toStdString());
        WriteFile(Output(), "keep me");
        const ToolRun run = Encode(input, Output());
        EXPECT_EQ(run.ExitCode, 1);
        const QString error = run.Lines.value(run.IndexOfLineContaining("**ERROR:"));
        EXPECT_TRUE(error.startsWith("**ERROR:") && error.contains(QFileInfo(input).fileName()));
        EXPECT_EQ(ReadFile(Output()), "keep me");
    }
    EXPECT_GE(Encode(inputs[1], Output()).IndexOfLineContaining("not a 16-bit PCM WAV file"), 0);

    const QString input = Wav("in.wav");
    const QByteArray before = ReadFile(input);
    const ToolRun over = Encode(input, input);
    EXPECT_EQ(over.ExitCode, 1);
    EXPECT_TRUE(over.HasLineStartingWith("**ERROR:"));
    EXPECT_EQ(ReadFile(input), before);
}

TEST_F(Toolame, RemovesAHalfWrittenOutput)
{
    // In one pass, and in segments on every core.
    for (const QString& input : {Wav("in.wav"), WriteFile("long.wav", MusicWav(44100, 2, 3 * kSegment))}) {
        const ToolRun run = RunTool(ToolameProgram(), encoderArguments({}, kStereo, 224, input, Output()),
                                    {.FileSizeLimit = 20000});
        EXPECT_EQ(run.ExitCode, 1);
        EXPECT_GE(run.IndexOfLineContaining("cannot write the output file"), 0);
        EXPECT_FALSE(QFileInfo::exists(Output()));
    }
}

TEST_F(Toolame, WritesOnEveryCoreTheBytesOfASinglePass)
{
    struct SegmentCase {
        QString flags;
        char mode;
        int kbps, channels, rate;
        qint64 samples;
        bool headerClaimsMore = false;
        int model = 1;
    };
    const SegmentCase cases[] = {
        {"", 's', 224, 2, 44100, 5 * kFrame}, // fewer frames than threads
        {"-e", 'j', 224, 2, 44100, kSegment + kFrame},
        {"", 'j', 128, 2, 48000, 3 * kSegment + 3 * kFrame + 500}, // a partial last frame
        {"-e", 'd', 384, 2, 32000, 2 * kSegment},
        {"-e", 'm', 192, 1, 44100, 4 * kSegment + 700},
        {"", 's', 256, 2, 44100, 2 * kSegment + 100, true}, // the file holds less than its header says
        // More segments than the threads may run ahead of the one written.
        {"", 'm', 32, 1, 32000, 26 * kSegment + kFrame},
        {"", 'j', 192, 2, 44100, 2 * kSegment, false, 2}, // the library prints a line per encoder
    };
    const QMap<char, QString> ffmpegModes{
        {'s', "stereo"}, {'j', "joint_stereo"}, {'d', "dual_channel"}, {'m', "mono"}};
    for (const SegmentCase& test : cases) {
        SCOPED_TRACE(
            QString("%1 -m %2, %3 samples").arg(test.flags).arg(test.mode).arg(test.samples).toStdString());
        QByteArray wav = MusicWav(test.rate, test.channels, test.samples);
        if (test.headerClaimsMore)
            wav.replace(40, 4, "\xF0\xFF\xFF\xFF", 4); // the data chunk's size
        const QString input = WriteFile("in.wav", wav);
        const QStringList flags = test.flags.split(u' ', Qt::SkipEmptyParts);
        const QString model = QString::number(test.model);
        const QStringList arguments =
            encoderArguments(flags, {"-m", QString(test.mode), "-p", model}, test.kbps, input, Output());
        const ToolRun onOneCore = RunTool("taskset", QStringList{"-c", "0", ToolameProgram()} + arguments);
        ASSERT_EQ(onOneCore.ExitCode, 0) << onOneCore.Output.toStdString();
        EXPECT_EQ(onOneCore.HasLineStartingWith("++ WARN: the WAV file ends before"), test.headerClaimsMore);
        const QByteArray singlePass = ReadFile(Output());
        EXPECT_EQ(RunTool(ToolameProgram(), arguments).Lines, onOneCore.Lines);
        EXPECT_TRUE(ReadFile(Output()) == singlePass);

        if (test.model != 1)
            continue; // ffmpeg's libtwolame writes what we write with the engine's model only
        QStringList reference{"-v", "error", "-y", "-i", input, "-c:a", "libtwolame", "-psymodel", "1"};
        reference << "-mode" << ffmpegModes[test.mode] << "-b:a" << QString::number(test.kbps) + "k";
        for (const auto& [flag, option] :
             {std::pair{"-e", "-error_protection"}, {"-c", "-copyright"}, {"-o", "-original"}})
            if (flags.contains(flag))
                reference << option << "1";
        if (RunTool("ffmpeg", reference + QStringList{"-f", "mp2", Root() + "ffmpeg.mp2"}).Ran) {
            EXPECT_TRUE(ReadFile(Root() + "ffmpeg.mp2") == singlePass);
        }
    }
}
