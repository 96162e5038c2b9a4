#include "tests/engine/mpeg_steps.h"
#include "tests/support/patience.h"
#include "tests/support/scripted_dialogs.h"

#include <QDir>
#include <QFileInfo>

using MplexCommand = MpegSteps;

TEST_F(MplexCommand, ArgumentsPutTheOutputFirst)
{
    const QString in = "/tmp/Tmp 2 \"é\".tmp", out = "/music/-song's.vcd.mpg";
    const TConsoleArguments arguments =
        Make<TCommandMplex>(std::make_unique<TMplexData>(), 1, in, out)->GetArguments();
    EXPECT_EQ(arguments.Text(), " -vbr -r 2000 -f 2 -h -o \"" + out + "\" \"" + in + '"');
    EXPECT_EQ(arguments.List(), QStringList({"-vbr", "-r", "2000", "-f", "2", "-h", "-o", out, in}));
    EXPECT_TRUE(
        Make<TCommandMplex>(std::make_unique<TMplexData>(), 0, in, out)->GetArguments().List().isEmpty());
    EXPECT_EQ(Make<TCommandFake>(std::make_unique<TFakeData>(), 1)->GetArguments().List(),
              QStringList({"-help"}));
}

TEST_F(MplexCommand, StagesBecomeProgressAndErrorsAlwaysShow)
{
    auto command = Make<TCommandMplex>(std::make_unique<TMplexData>(), 1, "/in.tmp", "/out.mpg");
    QList<int> progress;
    for (const QString line :
         {"INFO: New sequence commences...", "INFO: [mplex] Selecting VCD output profile",
          "Scanning for header info: c0", "New sequence commences...", "Multiplex completion",
          "Audio c0: done", "++ WARN: data rate low", "**ERROR:  Audio-only  trouble", "more", "more", "more",
          "more"}) {
        command->HandleLine(command.get(), line);
        progress << bar->Position();
    }
    EXPECT_EQ(progress, QList<int>({0, 0, 20, 30, 40, 50, 60, 70, 80, 90, 100, 100}));
    EXPECT_EQ(log.filter("Selecting VCD"), QStringList());
    EXPECT_TRUE(log.contains("<log level=\"warning\">data rate low</log>"));
    EXPECT_TRUE(log.contains("<log level=\"error\">Audio-only trouble</log>"));
    EXPECT_EQ(command->Status.Errors, QStringList({"Audio-only trouble"}));
    bar->Positions.clear();
    command->Stage = 2;
    command->HandleLine(command.get(), "INFO: [mplex] MUX STATUS: no under-runs detected.");
    EXPECT_EQ(bar->Position(), 100);
}

TEST_F(MplexCommand, TheFinalizingStepNeedsNoMultiplexer)
{
    for (const std::uint8_t found : {1, 0}) {
        if (!found)
            MplexFolder.clear();
        statuses.clear();
        echo->Clear();
        queue->AddCommand(Make<TCommandFake>(std::make_unique<TFakeData>(), found));
        RunQueue();
        EXPECT_TRUE(statuses.value(0).IsSucceeded()) << int(found);
        EXPECT_EQ(echo->Lines.join(u'\n').contains("mplex\" -help"), found == 1);
    }
    EXPECT_EQ(log.filter("usage"), QStringList()) << "nothing of the program is logged";
    EXPECT_EQ(waitEnds, 2);
}

TEST_F(MplexCommand, TheEchoMemoIsClearedOnlyPast200Lines)
{
    for (const int lines : {200, 201}) {
        echo->Lines = QStringList(lines, "earlier line");
        queue->AddCommand(Make<TCommandFake>(std::make_unique<TFakeData>(), 1));
        RunQueue();
        const QStringList shown = echo->Lines;
        ASSERT_EQ(shown.size(), lines == 200 ? 203 : 3) << lines;
        EXPECT_EQ(shown[shown.size() - 3], "cd \"" + MplexFolder + '"');
        EXPECT_EQ(shown[shown.size() - 2], '"' + MplexFolder + "mplex\" -help");
        EXPECT_EQ(shown.last(), "");
        EXPECT_TRUE(echo->ShowsFirstLine);
    }
}

TEST_F(MplexCommand, ACancelDuringTheChecksEndsTheStepQuietlyAndKeepsAnExistingOutput)
{
    const QString input = WriteFile("work/in.mp2", "not used");
    const QString output = WriteFile("music/Song.vcd.mpg", "the user's earlier file");
    auto command = Make<TCommandMplex>(std::make_unique<TMplexData>(), 1, input, output);
    command->MplexData()->CommonData.SetOutputPolicy(false, false, false);
    command->Cancellable = true;
    // The cancel is waiting in the event queue when the step starts, so it lands in the checks' first pump.
    plat::RunOnMain(command.get(), [&] { command->Cancel(); });
    command->Start(echo, nullptr, nullptr);
    EXPECT_TRUE(command->Cancelled);
    EXPECT_EQ(ReadFile(output), "the user's earlier file");
    EXPECT_TRUE(Dialogs().Messages().isEmpty()) << "no check runs for a cancelled step";
}

TEST_F(MplexCommand, ABatchStoppedAfterTheEncoderLeavesNoIntermediateFile)
{
    source = WriteWav("music/Song.wav");
    const QString mp2 = Temp() + "Tmp-encoded.tmp";
    const QString output = Root() + "music/Song.vcd.mpg";
    auto encoder = MakeEncoder(source, mp2);
    encoder->Info()->CommonData.SetFiles(QString(), source, false, false);
    // The user answers "no" to going on after the first step.
    encoder->OnAfterCommand = [](TCommandInterface*, const TExecuteStatus&, QObject*, bool& goOn) {
        goOn = false;
    };
    queue->AddCommand(std::move(encoder));
    queue->AddCommand(Make<TCommandMplex>(std::make_unique<TMplexData>(), 1, mp2, output));
    RunQueue();
    EXPECT_FALSE(QFileInfo::exists(mp2)) << "the step that never ran drops the file made for it";
    EXPECT_FALSE(QFileInfo::exists(output));
    EXPECT_TRUE(QFileInfo::exists(source));
}

TEST_F(MplexCommand, AProgramKilledOrDeadBeforeItsEndLeavesNoHiddenOutput)
{
    const QString input = Root() + "work/in.mp2";
    const QString output = Root() + "music/Song.vcd.mpg";
    // What the multiplexer leaves where the file system has no unnamed files, and an older leftover of
    // another program that is not this run's to remove.
    const QString others = WriteFile("music/.Song.vcd.mpg.1-0.tmp", "");
    const QString writeHidden = "for a; do [ \"$previous\" = -o ] && out=$a; previous=$a; done\n"
                                "hidden=\"$(dirname \"$out\")/.$(basename \"$out\").$$\"\n"
                                ": > \"$hidden-0.tmp\"; : > \"$hidden-7.tmp\"\n";
    const auto hidden = [this] { return QDir(Root() + "music").entryList(QDir::Files | QDir::Hidden); };
    for (const QString& end : {QString("exec sleep 600"), QString("kill -9 $$")}) {
        SCOPED_TRACE(end.toStdString());
        MplexFolder = ScriptTool("mplex", writeHidden + end);
        WriteFile("work/in.mp2", "not read"); // the failed step deletes its input
        statuses.clear();
        auto command = Make<TCommandMplex>(std::make_unique<TMplexData>(), 1, input, output);
        command->Cancellable = true;
        queue->AddCommand(std::move(command));
        RunQueue(false);
        if (end.startsWith("exec")) {
            // The run's own hidden name for the output, and the multiplexer's beside it.
            ASSERT_TRUE(Reaches([&] { return hidden().size() == 4; }, "the multiplexer's hidden files"));
            queue->Cancel();
        }
        ASSERT_TRUE(Reaches([this] { return !queue->IsRunning(); }, "the batch's end"));
        ASSERT_EQ(statuses.size(), 1);
        EXPECT_FALSE(statuses[0].Succeeded);
        EXPECT_EQ(hidden(), QStringList{".Song.vcd.mpg.1-0.tmp"});
    }
    EXPECT_TRUE(QFileInfo::exists(others));
}
