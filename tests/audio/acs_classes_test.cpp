#include "audio/acs_classes.h"

#include "audio/acs_wave.h"
#include "tests/support/acs_test_components.h"
#include "tests/support/patience.h"
#include "tests/support/temp_world.h"
#include "tests/support/wav_image.h"

#include <QBuffer>
#include <QDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

QByteArray Pattern(int size)
{
    QByteArray data(size, Qt::Uninitialized);
    for (int k = 0; k < size; ++k)
        data[k] = char(k * 7 + k / 251);
    return data;
}

// A running output reading an endless source.
struct EndlessRun {
    EndlessRun()
    {
        source.Endless = true;
        sink.SetInput(&source);
        sink.Run();
        EXPECT_TRUE(
            Reaches([&] { return source.BytesRead > 10'000; }, "the run's first reads", Events::Held));
    }
    MemorySource source{QByteArray(), 16, 2, 44100};
    MemorySink sink;
    RunRecorder recorder{sink};
};

} // namespace

TEST(ACSOutput, RunsTheChainToItsEndOnEveryRunAndReportsDoneFromTheWorker)
{
    MemorySource source(Pattern(3'000), 8, 1, 8000);
    source.ChunkSize = 777;
    MemorySink sink;
    sink.SetInput(&source);
    RunRecorder recorder(sink);
    // Each Run comes while the worker may still be finishing the previous end: a start lost there
    // would hang here.
    for (int run = 1; run <= 300; ++run) {
        ASSERT_TRUE(Reaches([&] { return sink.GetStatus() == 2; }, "the idle output", Events::Held));
        sink.Run();
        ASSERT_TRUE(recorder.WaitForEnds(run)) << "run " << run;
    }
    ASSERT_TRUE(Reaches([&] { return sink.GetStatus() == 2; }, "the idle output", Events::Held));
    EXPECT_EQ(sink.Data(), source.Data);
    EXPECT_EQ(recorder.Seen().Done, 300);
    EXPECT_EQ(recorder.Seen().Failed, 0);
    EXPECT_NE(recorder.Seen().Thread, std::this_thread::get_id());
    EXPECT_EQ(sink.Dones, 300);
    EXPECT_EQ(source.Flushes, 300);
}

TEST(ACSOutput, RefusesASecondRunAndStopsThroughDoneAndOnDone)
{
    MemorySink idle;
    EXPECT_EQ(RaisedText([&] { idle.Run(); }), "Input is not assigned");

    EndlessRun run;
    EXPECT_EQ(run.sink.GetStatus(), 0);
    EXPECT_EQ(RaisedText([&] { run.sink.Run(); }), "Component is buisy");
    const std::int64_t readSoFar = run.source.BytesRead;
    EXPECT_TRUE(Reaches([&] { return run.source.BytesRead > readSoFar; }, "more reads", Events::Held))
        << "the run goes on";

    run.sink.Stop();
    ASSERT_TRUE(run.recorder.WaitForEnds(1));
    EXPECT_EQ(run.recorder.Seen().Done, 1);
    EXPECT_EQ(run.sink.Dones, 1);
    EXPECT_EQ(run.source.Flushes, 1);
    EXPECT_EQ(run.sink.Prepares, 1);
}

TEST(ACSOutput, DestroyingARunningOutputClosesItsRun)
{
    MemorySource source(QByteArray(), 16, 2, 44100);
    source.Endless = true;
    auto sink = std::make_unique<MemorySink>();
    sink->SetInput(&source);
    sink->Run();
    ASSERT_TRUE(Reaches([&] { return source.BytesRead > 10'000; }, "the run's first reads", Events::Held));

    sink.reset();
    EXPECT_EQ(source.Flushes, 1) << "Done closed the run";
}

TEST(ACSOutput, FailuresInPrepareOrDuringTheRunReachTheOwnerAsFailures)
{
    MemorySource source(Pattern(50'000), 16, 2, 44100);
    MemorySink sink;
    sink.SetInput(&source);
    RunRecorder recorder(sink);
    sink.FailPrepare = true;
    EXPECT_NO_THROW(sink.Run());
    auto ends = recorder.Seen();
    EXPECT_EQ(ends.Failed, 1) << "before Run returns";
    EXPECT_EQ(ends.Done, 0);
    EXPECT_EQ(ends.Error, "Cannot open the target");
    EXPECT_EQ(ends.Thread, std::this_thread::get_id());
    EXPECT_EQ(sink.Dones, 0);
    EXPECT_EQ(sink.GetStatus(), 2);

    sink.FailPrepare = false;
    source.FailAfter = 20'000;
    sink.Run();
    ASSERT_TRUE(recorder.WaitForEnds(2));
    ASSERT_TRUE(Reaches([&] { return sink.GetStatus() == 2; }, "the idle output", Events::Held));
    ends = recorder.Seen();
    EXPECT_EQ(ends.Failed, 2);
    EXPECT_EQ(ends.Done, 0);
    EXPECT_EQ(ends.Error, "Read error");
    EXPECT_EQ(sink.Dones, 1) << "the run is closed once";
    EXPECT_EQ(source.Flushes, 1);

    source.FailAfter = -1;
    sink.Run();
    ASSERT_TRUE(recorder.WaitForEnds(3));
    EXPECT_EQ(sink.Data(), source.Data);
}

TEST(ACSOutput, ProgressFollowsTheInputAndReportsEachChange)
{
    MemorySink sink;
    EXPECT_EQ(sink.GetProgress(), 0) << "no input";
    MemorySource source(QByteArray(), 16, 2, 44100);
    sink.SetInput(&source);
    source.Init();
    EXPECT_EQ(sink.GetProgress(), 0) << "empty input";
    source.Announced = -1;
    source.Init();
    EXPECT_EQ(sink.GetProgress(), -1) << "unknown size";

    source.Announced.reset();
    source.Data = Pattern(60'000);
    std::vector<int> reported; // written by the worker only
    sink.SetOnProgress(
        [&](QObject* sender) { reported.push_back(static_cast<TACSOutput*>(sender)->GetProgress()); });
    RunRecorder recorder(sink);
    sink.Run();
    ASSERT_TRUE(recorder.WaitForEnds(1));
    sink.SetOnProgress(nullptr);
    ASSERT_FALSE(reported.empty());
    EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end()));
    EXPECT_EQ(std::adjacent_find(reported.begin(), reported.end()), reported.end()) << "each change once";
    EXPECT_EQ(reported.back(), 100);
}

TEST(ACSOutput, InputSwappedDuringARunTakesOverAndClearingItEndsTheRun)
{
    EndlessRun run;
    MemorySource second(Pattern(30'000), 16, 2, 44100);
    second.ChunkSize = 10;
    run.sink.SetInput(&second);
    EXPECT_EQ(second.Inits, 1);
    EXPECT_EQ(run.source.Flushes, 1);
    EXPECT_TRUE(
        Reaches([&] { return second.BytesRead > 0; }, "the second input's first reads", Events::Held));

    run.sink.SetInput(nullptr);
    EXPECT_EQ(run.sink.GetInput(), nullptr);
    EXPECT_EQ(second.Flushes, 1) << "Done closed the run before the input went";
    ASSERT_TRUE(run.recorder.WaitForEnds(1));
    EXPECT_EQ(run.recorder.Seen().Done, 1);
}

TEST(ACSComponents, FreeingAnInputClearsItWhereverItIsUsed)
{
    auto source = std::make_unique<MemorySource>(Pattern(100), 16, 2, 44100);
    MemorySink sink;
    sink.SetInput(source.get());
    MemorySource other(Pattern(100), 16, 2, 44100);
    MemorySink otherSink;
    otherSink.SetInput(&other);
    otherSink.SetInput(source.get());

    source.reset();
    EXPECT_EQ(sink.GetInput(), nullptr);
    EXPECT_EQ(otherSink.GetInput(), nullptr);
}

class ACSFileIn : public TempWorld {};

TEST_F(ACSFileIn, InitChecksItsStateReadsTheChosenSamplesAndResetClosesEveryLevel)
{
    const QByteArray pcm = Pattern(10'000); // 2.5 seconds
    QByteArray image = MakeWavImage(1000, 2, 16, pcm);
    QBuffer buffer(&image);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    TWaveIn in;
    EXPECT_FALSE(in.GetValid()) << "no name, no stream";
    EXPECT_EQ(RaisedText([&] { in.Init(); }), "The file name is not assigned");
    in.SetStream(&buffer);
    EXPECT_EQ(in.GetTotalTime(), 2) << "2.5 s rounds half to even";
    in.StartSample = 100;
    in.EndSample = 600;
    in.Init();
    EXPECT_EQ(RaisedText([&] { in.Init(); }), "The component is buisy");
    EXPECT_EQ(in.Size.load(), 500 * 4);
    in.Flush();
    EXPECT_EQ(PullAll(in, 64), pcm.mid(400, 2000));
    EXPECT_TRUE(buffer.isOpen()) << "a stream handed in is left open";
    EXPECT_EQ(buffer.pos(), 0) << "and rewound for the next reader";

    TWaveIn file;
    file.FileName = WriteFile("x.wav", image);
    const auto openFiles = [] { return QDir("/proc/self/fd").count(); };
    const auto before = openFiles();
    file.Init();
    file.OpenFile();
    file.Reset();
    EXPECT_EQ(openFiles(), before);
    EXPECT_FALSE(file.Busy);
}
