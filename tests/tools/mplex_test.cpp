#include "platform/temporary_name.h"
#include "tests/support/child_tool.h"
#include "tests/support/qt_printers.h"
#include "tests/tools/tool_runner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>

namespace {

constexpr qint64 kSector = 2324;

// The arguments in the order the multiplexer command builds them.
QStringList muxArguments(const QString& output, const QString& input)
{
    return {"-vbr", "-r", "2000", "-f", "2", "-h", "-o", output, input};
}

QByteArray sector(const QByteArray& stream, qint64 index)
{
    return stream.mid(index * kSector, kSector);
}

// The system header of the first pack: start code, length and the nine bytes that describe the stream.
QByteArray systemHeader(const QByteArray& stream)
{
    return stream.mid(12, 15);
}

} // namespace

class Mplex : public ToolWorld {
protected:
    // Layer II audio as the encoder step makes it.
    QString EncodedAudio()
    {
        const QString wav = WriteFile("in.wav", ToneWav(44100, 2, 16, 3.0));
        const QString mp2 = Root() + "in.mp2";
        const ToolRun run = RunTool(ToolameProgram(), {"-r", "-m", "s", "-b", "224", wav, mp2});
        EXPECT_EQ(run.ExitCode, 0);
        return mp2;
    }
    QString Output() const { return Root() + "out.mpg"; }
};

TEST_F(Mplex, AnswersTheVersionProbeAndTheHelpCall)
{
    const ToolRun version = RunTool(MplexProgram(), {"-?"});
    EXPECT_EQ(version.ExitCode, 0);
    const QStringList named = version.Lines.filter("mjpegtools mplex");
    ASSERT_EQ(named.size(), 1) << "the probe keeps the last one";
    EXPECT_TRUE(named[0].startsWith("mjpegtools mplex version") && named[0].contains("1.6.2"));

    const ToolRun help = RunTool(MplexProgram(), {"-help"});
    EXPECT_EQ(help.ExitCode, 0);
    EXPECT_TRUE(help.HasLineStartingWith("usage:"));
}

TEST_F(Mplex, WritesAVideoCdStreamThatGivesTheAudioBack)
{
    const QString audio = EncodedAudio();
    const ToolRun run = RunTool(MplexProgram(), muxArguments(Output(), audio));
    ASSERT_EQ(run.ExitCode, 0) << run.Lines.join(u'\n').toStdString();

    // The progress marks come in the order the engine's stages expect.
    const int scanning = run.IndexOfLineContaining("Scanning for header info");
    const int sequence = run.IndexOfLineContaining("New sequence commences...");
    const int completion = run.IndexOfLineContaining("Multiplex completion");
    const int status = run.IndexOfLineContaining("MUX STATUS");
    EXPECT_TRUE(0 <= scanning && scanning < sequence && sequence < completion && completion < status);
    EXPECT_FALSE(run.HasLineStartingWith("**ERROR:"));
    EXPECT_FALSE(run.HasLineStartingWith("++ WARN:"));

    const QByteArray stream = ReadFile(Output());
    ASSERT_GT(stream.size(), 2 * kSector);
    ASSERT_EQ(stream.size() % kSector, 0);
    const qint64 sectors = stream.size() / kSector;
    for (qint64 i = 0; i < sectors; ++i) {
        SCOPED_TRACE(i);
        const QByteArray bytes = sector(stream, i);
        EXPECT_TRUE(bytes.startsWith(QByteArray::fromHex("000001ba")));
        if (i + 1 < sectors) {
            EXPECT_TRUE(bytes.endsWith(QByteArray(20, '\0')));
        }
        if (i > 0 && i + 1 < sectors) {
            EXPECT_EQ(bytes.mid(12, 4), QByteArray::fromHex("000001c0"));
        }
    }
    EXPECT_TRUE(systemHeader(stream).startsWith(QByteArray::fromHex("000001bb")));
    EXPECT_TRUE(stream.endsWith(QByteArray::fromHex("000001b9")));
    // Audio packets carry the decoder's buffer size (4096 bytes) before their time stamp.
    EXPECT_EQ(sector(stream, 1).mid(18, 2), QByteArray::fromHex("4020"));

    // A mux rate too low for the audio is only a warning.
    QStringList slow = muxArguments(Root() + "slow.mpg", audio);
    slow[2] = "100";
    const ToolRun slowRun = RunTool(MplexProgram(), slow);
    EXPECT_EQ(slowRun.ExitCode, 0);
    EXPECT_TRUE(slowRun.Lines.value(slowRun.IndexOfLineContaining("MUX STATUS")).startsWith("++ WARN:"));

    const QString back = Root() + "back.mp2";
    const ToolRun copy = RunTool("ffmpeg", {"-v", "error", "-i", Output(), "-c", "copy", "-f", "mp2", back});
    if (!copy.Ran)
        GTEST_SKIP() << "ffmpeg is not installed";
    EXPECT_EQ(copy.ExitCode, 0);
    const QMap<QString, QString> probed = Probe(Output());
    EXPECT_EQ(probed.value("format_name") + ' ' + probed.value("codec_name"), "mpeg mp2");
    EXPECT_TRUE(ReadFile(back) == ReadFile(audio)) << "the audio comes back bit for bit";
}

TEST_F(Mplex, LaysOutTheStreamLikeTheReferenceMultiplexer)
{
    const QString reference = QStandardPaths::findExecutable("mplex");
    if (reference.isEmpty())
        GTEST_SKIP() << "mjpegtools mplex is not installed";
    const QString audio = EncodedAudio();
    const QString referenceOutput = Root() + "ref.mpg";
    const QList<QStringList> callers{{"-f", "1"}, muxArguments(QString(), QString()).mid(0, 6)};
    for (const QStringList& options : callers) {
        SCOPED_TRACE(options.join(u' ').toStdString());
        const QStringList files{"-o", Output(), audio};
        ASSERT_EQ(RunTool(MplexProgram(), options + files).ExitCode, 0);
        ASSERT_EQ(RunTool(reference, options + QStringList{"-o", referenceOutput, audio}).ExitCode, 0);
        const QByteArray ours = ReadFile(Output());
        const QByteArray theirs = ReadFile(referenceOutput);
        EXPECT_EQ(systemHeader(ours).toHex(), systemHeader(theirs).toHex());
        EXPECT_EQ(ours.mid(9, 3).toHex(), theirs.mid(9, 3).toHex()) << "mux rate of the packs";
        EXPECT_LE(ours.size(), theirs.size() + 3 * kSector);
        EXPECT_GE(ours.size(), theirs.size() - 3 * kSector);
    }
}

TEST_F(Mplex, RefusesInputThatIsNotLayerTwoAudioAndKeepsTheOutputAsItWas)
{
    QStringList inputs{WriteFile("in.wav", ToneWav(44100, 2, 16, 1.0)), WriteFile("text.mp2", "Not audio.\n"),
                       WriteFile("empty.mp2", QByteArray()),
                       WriteFile("one.mp2", ReadFile(EncodedAudio()).left(731) + "trailing text")};
    // Where ffmpeg is installed: Layer III, and Layer II at a frequency of the MPEG-2 extension.
    for (const auto& [name, codec, rate] :
         {std::tuple{"in.mp3", "libmp3lame", "44100"}, std::tuple{"low.mp2", "mp2", "22050"}}) {
        const QString file = Root() + name;
        if (RunTool("ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "sine=frequency=440:duration=1", "-c:a",
                               codec, "-ar", rate, file})
                .Ran) {
            EXPECT_TRUE(QFileInfo::exists(file)) << name;
            inputs.append(file);
        }
    }
    for (const QString& input : inputs) {
        SCOPED_TRACE(input.toStdString());
        WriteFile(Output(), "keep me");
        const ToolRun run = RunTool(MplexProgram(), muxArguments(Output(), input));
        EXPECT_EQ(run.ExitCode, 1);
        EXPECT_TRUE(
            run.Lines.value(run.IndexOfLineContaining("**ERROR:")).contains("not MPEG-1 Layer II audio"));
        EXPECT_EQ(ReadFile(Output()), QByteArray("keep me"));
    }
}

TEST_F(Mplex, RefusesCallsItCannotCarryOut)
{
    const QString audio = EncodedAudio();
    const QList<QStringList> refused{
        {"-h"},
        {"-o", Output()},
        {audio},
        {"-f", "3", "-o", Output(), audio},
        {"-f", "2", "-r", "fast", "-o", Output(), audio},
        {"-x", "-o", Output(), audio},
        {"-o", Output(), audio, audio},
        {"-o", audio, audio},
    };
    const QByteArray original = ReadFile(audio);
    for (const QStringList& arguments : refused) {
        SCOPED_TRACE(arguments.join(u' ').toStdString());
        const ToolRun run = RunTool(MplexProgram(), arguments);
        EXPECT_EQ(run.ExitCode, 1);
        EXPECT_TRUE(run.HasLineStartingWith("**ERROR:"));
        EXPECT_FALSE(QFileInfo::exists(Output()));
    }
    EXPECT_EQ(ReadFile(audio), original) << "the input is never written over";
}

TEST_F(Mplex, SkipsTagsAndDamagedBytesAndKeepsEveryWholeFrame)
{
    const QString audio = EncodedAudio();
    ASSERT_EQ(RunTool(MplexProgram(), muxArguments(Output(), audio)).ExitCode, 0);
    const QByteArray plain = ReadFile(Output());
    const QByteArray frames = ReadFile(audio);
    const QByteArray id3v2 = QByteArray("ID3\x03\0\0\0\0\0\x0a", 10) + QByteArray(10, 'i');
    const QByteArray id3v1 = "TAG" + QByteArray(125, 't');
    const QByteArray firstFrame = frames.left(731);
    for (const auto& [input, warning] :
         {std::pair{id3v2 + frames + id3v1, QString()},
          std::pair{firstFrame + QByteArray(1024, 'x') + frames.mid(731),
                    QString("1024 damaged bytes skipped in 1 place, the first at byte 731")}}) {
        SCOPED_TRACE(warning.toStdString());
        const ToolRun run = RunTool(MplexProgram(), muxArguments(Output(), WriteFile("damaged.mp2", input)));
        EXPECT_EQ(run.ExitCode, 0) << run.Lines.join(u'\n').toStdString();
        EXPECT_TRUE(ReadFile(Output()) == plain) << "every frame is kept, nothing else";
        EXPECT_EQ(run.HasLineStartingWith("++ WARN:"), !warning.isEmpty());
        EXPECT_TRUE(warning.isEmpty() || run.IndexOfLineContaining(warning) >= 0);
    }
}

// What both programs share: how they open their input and write their output.
TEST_F(Mplex, BothProgramsRefuseInputsThatAreNotRegularFilesAndKeepAnOlderOutputOnFailure)
{
    const QString pipe = Root() + "pipe.mp2";
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString folder = Root() + "folder.wav";
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString audio = EncodedAudio();
    const QString wav = Root() + "in.wav";
    const auto arguments = [this](const QString& program, const QString& input) {
        return program == MplexProgram() ? muxArguments(Output(), input)
                                         : QStringList{"-b", "224", input, Output()};
    };
    for (const QString& program : {MplexProgram(), ToolameProgram()}) {
        SCOPED_TRACE(program.toStdString());
        for (const QString& input : {pipe, folder}) {
            const ToolRun run = RunTool(program, arguments(program, input));
            EXPECT_TRUE(run.Ran) << "nothing waits for a writer";
            EXPECT_EQ(run.ExitCode, 1);
            EXPECT_GE(run.IndexOfLineContaining("the input is not a regular file"), 0);
            EXPECT_TRUE(run.HasLineStartingWith("**ERROR:"));
        }
        // A full disk: the older output stays as it was and no temporary file is left.
        WriteFile("out.mpg", "keep me");
        const QString input = program == MplexProgram() ? audio : wav;
        const ToolRun run = RunTool(program, arguments(program, input), {.FileSizeLimit = 20 * kSector});
        EXPECT_EQ(run.ExitCode, 1);
        EXPECT_GE(run.IndexOfLineContaining("cannot write the output file"), 0);
        EXPECT_EQ(ReadFile(Output()), QByteArray("keep me"));
        EXPECT_EQ(QDir(Root()).entryList(QDir::Hidden | QDir::Files).filter(".tmp"), QStringList());
    }
}

TEST_F(Mplex, BothProgramsWriteUnderAHiddenNameWhereUnnamedFilesAreRefused)
{
    // As on a vfat stick or a network share: no O_TMPFILE.
    const QString noTmpfile = NoTmpfilePath();
    if (noTmpfile.isEmpty())
        GTEST_SKIP() << "this system refuses the filter that takes unnamed files away";
    const QString audio = EncodedAudio();
    const QString wav = Root() + "in.wav";
    for (const QString& program : {MplexProgram(), ToolameProgram()}) {
        SCOPED_TRACE(program.toStdString());
        const QStringList arguments =
            QStringList{program} + (program == MplexProgram() ? muxArguments(Output(), audio)
                                                              : QStringList{"-b", "224", wav, Output()});
        WriteFile("out.mpg", "older");
        EXPECT_EQ(RunTool(noTmpfile, arguments).ExitCode, 0);
        EXPECT_GT(QFileInfo(Output()).size(), 1000);
        WriteFile("out.mpg", "keep me");
        EXPECT_EQ(RunTool(noTmpfile, arguments, {.FileSizeLimit = 20 * kSector}).ExitCode, 1);
        EXPECT_EQ(ReadFile(Output()), QByteArray("keep me"));
        EXPECT_EQ(QDir(Root()).entryList(QDir::Hidden | QDir::Files).filter(".tmp"), QStringList());
    }
}

// The hidden name an output has until it is complete must fit where the output's own name fits.
TEST_F(Mplex, BothProgramsWriteEveryNameTheFileSystemTakesAndRefuseALongerOneBeforeAnyWork)
{
    const QString folder = Root() + "long/";
    ASSERT_TRUE(QDir().mkpath(folder));
    const long limit = ::pathconf(QFile::encodeName(folder).constData(), _PC_NAME_MAX);
    if (limit < 32 || limit > 1024)
        GTEST_SKIP() << "this file system gives no usable name limit";
    const QString audio = EncodedAudio();
    const QString wav = Root() + "in.wav";
    // Directly, and where unnamed files are refused.
    QList<QStringList> launchers{{}};
    if (!NoTmpfilePath().isEmpty())
        launchers.append({NoTmpfilePath()});
    const auto files = [&folder] { return QDir(folder).entryList(QDir::Hidden | QDir::Files); };
    for (const QString& program : {MplexProgram(), ToolameProgram()}) {
        for (const QStringList& launcher : launchers) {
            SCOPED_TRACE((launcher.join(u' ') + u' ' + program).toStdString());
            const auto run = [&](const QString& output) {
                const QStringList command =
                    launcher + QStringList{program} +
                    (program == MplexProgram() ? muxArguments(output, audio)
                                               : QStringList{"-b", "224", wav, output});
                return RunTool(command.first(), command.mid(1));
            };
            for (const qsizetype length : {limit - 12, limit}) {
                const QString name(length, u'a');
                const ToolRun written = run(folder + name);
                EXPECT_EQ(written.ExitCode, 0) << length << ": " << written.Lines.join(u'\n').toStdString();
                EXPECT_GT(QFileInfo(folder + name).size(), 1000);
                EXPECT_EQ(files(), QStringList{name}) << "and nothing hidden left";
                QFile::remove(folder + name);
            }
            const ToolRun refused = run(folder + QString(limit + 1, u'a'));
            EXPECT_EQ(refused.ExitCode, 1);
            EXPECT_GE(refused.IndexOfLineContaining("cannot create the output file (File name too long)"), 0);
            EXPECT_LT(refused.IndexOfLineContaining("Scanning"), 0) << "the input is not even read";
            EXPECT_EQ(files(), QStringList());
        }
    }
}

TEST_F(Mplex, TheHiddenNameFitsTheFolderAndThePathAndKeepsWholeCharacters)
{
    const auto creatable = [](const std::string& name) {
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        return fd >= 0 && ::close(fd) == 0 && ::unlink(name.c_str()) == 0;
    };
    const std::string folder = QFile::encodeName(Root()).toStdString();
    const long limit = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    if (limit < 32 || limit > 1024)
        GTEST_SKIP() << "this file system gives no usable name limit";
    // Two-byte characters, and ids of two lengths: one of them would cut a character in two.
    std::string accented = limit % 2 ? "a" : "";
    while (accented.size() < static_cast<std::size_t>(limit))
        accented += "\xc3\xa9";
    for (const long processId : {419430L, 4194304L}) {
        const std::string hidden = plat::HiddenTemporaryName(folder + accented, processId, 99);
        const std::string name = hidden.substr(folder.size());
        EXPECT_TRUE(name.starts_with("." + accented.substr(0, 8))) << name;
        EXPECT_TRUE(name.ends_with("." + std::to_string(processId) + "-99.tmp")) << name;
        EXPECT_TRUE(QByteArray::fromStdString(name).isValidUtf8()) << name;
        EXPECT_TRUE(creatable(hidden)) << name;
    }

    // A folder so deep that the output's path has just room for its name.
    std::string deep = folder;
    while (deep.size() + 260 < PATH_MAX)
        deep += std::string(200, 'd') + "/";
    deep += std::string(PATH_MAX - 60 - deep.size(), 'e') + "/";
    ASSERT_TRUE(QDir().mkpath(QFile::decodeName(deep.c_str())));
    const std::string output = deep + std::string(50, 'o');
    ASSERT_LT(output.size(), static_cast<std::size_t>(PATH_MAX));
    const std::string hidden = plat::HiddenTemporaryName(output, 4194304, 99);
    EXPECT_LT(hidden.size(), static_cast<std::size_t>(PATH_MAX));
    EXPECT_TRUE(creatable(hidden)) << hidden.substr(deep.size());
    // One that has no room is refused before any work.
    const QString wav = WriteFile("in.wav", ToneWav(44100, 2, 16, 1.0));
    const ToolRun refused =
        RunTool(ToolameProgram(), {"-b", "224", wav, QFile::decodeName(deep.c_str()) + QString(70, u'o')});
    EXPECT_EQ(refused.ExitCode, 1);
    EXPECT_GE(refused.IndexOfLineContaining("cannot create the output file (File name too long)"), 0);
}
