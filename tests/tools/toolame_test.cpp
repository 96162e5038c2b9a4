#include "tests/tools/tool_runner.h"
#include "tools/toolame/toolame_options.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace {

// The arguments in the order the encoder command builds them.
QStringList encoderArguments(const QStringList& flags, const QStringList& mode, int kbps,
                             const QString& input, const QString& output)
{
    return flags + QStringList{"-r", "-p", "1"} + mode +
           QStringList{"-t", "2", "-b", QString::number(kbps), "-s", "44.1", input, output};
}

const QStringList kStereo{"-m", "s"};

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

TEST_F(Toolame, AnswersTheVersionProbeBeforeItsUsage)
{
    for (const QString option : {"-h", "-?"}) {
        const ToolRun run = RunTool(ToolameProgram(), {option});
        EXPECT_EQ(run.ExitCode, 0) << option.toStdString();
        const int version = run.IndexOfLineContaining("tooLAME version");
        ASSERT_GE(version, 0);
        EXPECT_LT(version, run.IndexOfLineContaining("usage:"));
        EXPECT_TRUE(run.Lines[version].startsWith("tooLAME version"));
        // What the probe keeps of the line once the brackets, the address and the prefix are gone.
        QString kept = run.Lines[version];
        kept.remove(u'(').remove(u')').remove(QLatin1String(toolame::kHomePage));
        EXPECT_EQ(kept.remove("tooLAME version").trimmed(), "0.2l");
    }
}

TEST_F(Toolame, EncodesLayerTwoAtTheBitRateModeAndFlagsAsked)
{
    struct EncodeCase {
        QStringList flags, mode;
        int kbps, headerMode, channels;
    };
    const QString input = Wav("in.wav");
    const EncodeCase cases[] = {
        {{}, kStereo, 224, 0, 2},
        {{"-c", "-o", "-e"}, {"-m", "j"}, 192, 1, 2},
        {{"-o"}, {"-a", "-m", "m"}, 128, 3, 1},
        {{"-e"}, {"-m", "d"}, 256, 2, 2},
    };
    for (const EncodeCase& test : cases) {
        SCOPED_TRACE((test.flags + test.mode).join(u' ').toStdString());
        const ToolRun run =
            RunTool(ToolameProgram(), encoderArguments(test.flags, test.mode, test.kbps, input, Output()));
        ASSERT_EQ(run.ExitCode, 0) << run.Lines.join(u'\n').toStdString();

        const auto header = FirstFrameHeader(Output());
        ASSERT_TRUE(header.has_value());
        EXPECT_EQ(header->bitrateKbps, test.kbps);
        EXPECT_EQ(header->sampleRate, 44100);
        EXPECT_EQ(header->mode, test.headerMode);
        EXPECT_EQ(header->crc, test.flags.contains("-e"));
        EXPECT_EQ(header->copyright, test.flags.contains("-c"));
        EXPECT_EQ(header->original, test.flags.contains("-o"));
        EXPECT_FALSE(header->padding) << "-r turns padding off";
        // Two seconds make 77 whole frames, all of one size without padding.
        EXPECT_EQ(QFileInfo(Output()).size(), 77 * header->frameBytes);
        EXPECT_GE(run.IndexOfLineContaining("INFO: 77 frames written"), 0);

        // The frame counter comes in short bracketed lines that only grow.
        QList<int> counts;
        for (const QString& line : run.Lines.filter(QRegularExpression("^\\[\\d+\\]$"))) {
            EXPECT_LT(line.size(), 10);
            counts.append(line.mid(1, line.size() - 2).toInt());
        }
        EXPECT_TRUE(std::is_sorted(counts.begin(), counts.end()));
        EXPECT_EQ(counts.value(counts.size() - 1), 88200 / 1152);

        const QMap<QString, QString> probe = Probe(Output());
        if (probe.isEmpty())
            continue; // ffprobe is not installed
        EXPECT_EQ(probe.value("codec_name"), "mp2");
        EXPECT_EQ(probe.value("sample_rate"), "44100");
        EXPECT_EQ(probe.value("bit_rate"), QString::number(test.kbps * 1000));
        EXPECT_EQ(probe.value("channels"), QString::number(test.channels));
        if (header->crc) {
            const ToolRun check = RunTool("ffmpeg", {"-v", "error", "-err_detect", "crccheck+explode", "-i",
                                                     Output(), "-f", "null", "-"});
            EXPECT_TRUE(!check.Ran || check.ExitCode == 0);
        }
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
        encoderArguments({}, {"-m", "j"}, 80, input, Output()),
        encoderArguments({}, kStereo, 500, input, Output()),
        {"-s", "22.05", input, Output()},
        {"-m", "x", input, Output()},
        {"-b", "high", input, Output()},
        {"-x", input, Output()},
        {input, Output(), "-b"},
        {input},
        {},
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
        const int error = run.IndexOfLineContaining("**ERROR:");
        ASSERT_GE(error, 0);
        EXPECT_TRUE(run.Lines[error].startsWith("**ERROR:"));
        EXPECT_TRUE(run.Lines[error].contains(QFileInfo(input).fileName()));
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
    const ToolRun run = RunTool(ToolameProgram(), encoderArguments({}, kStereo, 224, Wav("in.wav"), Output()),
                                {.FileSizeLimit = 20000});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_GE(run.IndexOfLineContaining("cannot write the output file"), 0);
    EXPECT_FALSE(QFileInfo::exists(Output()));
}

TEST_F(Toolame, EncodesAtTheWavFilesOwnFrequencyWithAWarning)
{
    const ToolRun run = Encode(Wav("in48.wav", 48000), Output());
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_TRUE(run.HasLineStartingWith("++ WARN:"));
    const auto header = FirstFrameHeader(Output());
    ASSERT_TRUE(header.has_value());
    EXPECT_EQ(header->sampleRate, 48000);
}
