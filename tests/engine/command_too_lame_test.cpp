#include "tests/engine/mpeg_steps.h"
#include "tests/support/child_tool.h"
#include "tests/support/patience.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QtEndian>

namespace {

using EncoderCommand = MpegSteps;

TAudioMp2EncodingPref Pref(int bitRate, TMp2ChannelMode mode, bool flags = false)
{
    TAudioMp2EncodingPref pref;
    pref.BitRate = bitRate;
    pref.ChannelMode = mode;
    pref.ErrorProtection = pref.OriginalFlag = pref.CopyrightFlag = flags;
    return pref;
}

} // namespace

TEST_F(EncoderCommand, ArgumentsFollowThePreferenceAndNamesArriveWhole)
{
    const QString in = "/music/L'été \"live\" $HOME.wav", out = "/tmp/-out put.mp2";
    const TConsoleArguments plain = MakeEncoder(in, out, Pref(224, mcmStereo))->GetArguments();
    EXPECT_EQ(plain.Text(), "-r -p 1 -m s -t 2 -b 224  -s 44.1 \"" + in + "\" \"" + out + '"');
    EXPECT_EQ(plain.List(),
              QStringList({"-r", "-p", "1", "-m", "s", "-t", "2", "-b", "224", "-s", "44.1", in, out}));
    const QString flagged = MakeEncoder(in, out, Pref(192, mcmMono, true))->GetArguments().Text();
    EXPECT_TRUE(flagged.startsWith("-c -o -e -r -p 1 -a -m m -t 2 -b 192  -s 44.1 "));
    for (const auto& [mode, option] : {std::pair{mcmMono, "-a -m m "},
                                       {mcmStereo, "-m s "},
                                       {mcmJointStereo, "-m j "},
                                       {mcmDualChannel, "-m d "},
                                       {TMp2ChannelMode(4), ""}}) {
        const QString expected = QString("-r -p 1 ") + option + "-t 2 -b 128 ";
        EXPECT_EQ(MakeEncoder(in, out, Pref(128, mode))->GetArguments().Text().left(expected.size()),
                  expected);
    }
    EXPECT_TRUE(MakeEncoder(in, out, {}, 0)->GetArguments().List().isEmpty())
        << "no encoder, nothing to pass";
    TooLameFolder.clear();
    EXPECT_EQ(MakeEncoder(in, out)->GetExePath(), "/toolame") << "never a program found in PATH";
}

TEST_F(EncoderCommand, CountersBecomeProgressAndLevelledLinesBecomeTags)
{
    auto command = MakeEncoder("/in.wav", "/out.mp2");
    command->Info()->FrameCount = 2000;
    for (const QString line :
         {"[1234]", "tooLAME version 0.2l", "MPEG Audio Layer II encoder", "Hit end of audio data",
          "You have multiple copies of cygwin1.dll", "[12345678]", "INFO:  In  file ( 44.1 kHz)",
          "++ WARN: odd", "**ERROR:  no  room", "shared version mismatch detected"})
        command->HandleLine(command.get(), line);
    EXPECT_EQ(bar->Position(), 61);
    EXPECT_EQ(log, QStringList({"[12345678]", "<log level=\"information\">In file (44.1 kHz)</log>",
                                "<log level=\"warning\">odd</log>", "<log level=\"error\">no room</log>",
                                "shared version mismatch detected"}));
    ASSERT_EQ(command->Status.Errors.size(), 2);
    EXPECT_EQ(command->Status.Errors[0], "no room");
    EXPECT_TRUE(command->Status.Errors[1].contains("cygwin1.dll"));
}

TEST_F(EncoderCommand, AFailedOrRefusedRunRemovesTheUsedInputAndAnyOutput)
{
    source = WriteWav("song.wav");
    const QString mono = WriteWav("mono.wav", 22050, 1);
    // The real encoder refusing a bit rate, a program dying half-way through its output, and an input
    // the encoder cannot take (refused before anything runs).
    const QString halfWriter = ScriptTool("toolame", "for last; do :; done\necho partial > \"$last\"\n"
                                                     "echo '**ERROR: input ended early'\nexit 1");
    // One killed says nothing itself: the step says how it ended.
    const QString killed = Root() + "killed/";
    QFile::setPermissions(WriteFile("killed/toolame", "#!/bin/sh\nfor last; do :; done\n"
                                                      "echo partial > \"$last\"\nkill -9 $$\n"),
                          QFile::ReadOwner | QFile::ExeOwner);
    for (const auto& [folder, wav] :
         {std::pair(TooLameFolder, source), {halfWriter, source}, {halfWriter, mono}, {killed, source}}) {
        SCOPED_TRACE(folder.toStdString() + " " + wav.toStdString());
        TooLameFolder = folder;
        statuses.clear();
        echo->Clear();
        const QString input = Temp() + "Tmp1.wav", output = Temp() + "Tmp2.tmp";
        QFile::copy(wav, input);
        queue->AddCommand(MakeEncoder(input, output, Pref(500, mcmStereo)));
        RunQueue();
        ASSERT_EQ(statuses.size(), 1);
        EXPECT_FALSE(statuses[0].Succeeded);
        EXPECT_EQ(statuses[0].Done, wav == source) << "a refused step never ran";
        EXPECT_EQ(echo->Lines.isEmpty(), wav == mono);
        if (wav == source) {
            EXPECT_TRUE(log.contains("<log level=\"error\">" + statuses[0].Errors.value(0) + "</log>"));
        }
        if (folder == killed) {
            EXPECT_EQ(statuses[0].Errors, QStringList{"toolame ended by signal 9 (Killed)"});
        }
        EXPECT_FALSE(QFileInfo::exists(output));
        EXPECT_FALSE(QFileInfo::exists(input));
        EXPECT_TRUE(QFileInfo::exists(source));
    }
}

TEST_F(EncoderCommand, ACancelLeavesNoHiddenOutputWhereTheFileSystemHasNoUnnamedFiles)
{
    if (NoTmpfilePath().isEmpty())
        GTEST_SKIP() << "this system refuses the filter that takes unnamed files away";
    // Ten minutes of silence, sparse on disk: long enough to be caught encoding.
    const qint64 dataSize = 600LL * 44100 * 4;
    QByteArray header = MakeWavImage(44100, 2, 16, QByteArray());
    qToLittleEndian<quint32>(quint32(36 + dataSize), header.data() + 4);
    qToLittleEndian<quint32>(quint32(dataSize), header.data() + 40);
    const QString input = WriteFile("work/Tmp1.wav", header);
    ASSERT_TRUE(QFile::resize(input, 44 + dataSize));
    // The real encoder, on what behaves as a vfat stick: unnamed files are refused.
    TooLameFolder = ScriptTool("toolame", "exec '" + NoTmpfilePath() + "' '" + BuiltProgramFolder() +
                                              "TooLame/toolame' \"$@\"");
    const QString output = Root() + "work/Tmp2.tmp";
    auto command = MakeEncoder(input, output);
    command->Cancellable = true;
    queue->AddCommand(std::move(command));
    RunQueue(false);
    const auto hidden = [this] {
        return QDir(Root() + "work").entryList(QDir::Files | QDir::Hidden).filter(QRegularExpression("^\\."));
    };
    ASSERT_TRUE(Reaches([&] { return !hidden().isEmpty(); }, "the encoder's hidden output"));
    EXPECT_TRUE(hidden().first().startsWith(".Tmp2.tmp.")) << hidden().first().toStdString();
    queue->Cancel();
    ASSERT_TRUE(Reaches([this] { return !queue->IsRunning(); }, "the batch's end"));
    ASSERT_EQ(statuses.size(), 1);
    EXPECT_TRUE(statuses[0].Cancelled);
    EXPECT_EQ(hidden(), QStringList());
    EXPECT_FALSE(QFileInfo::exists(output));
}
