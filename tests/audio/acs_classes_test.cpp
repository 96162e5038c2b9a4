#include "audio/acs_classes.h"
#include "tests/support/acs_test_components.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

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
        EXPECT_TRUE(WaitUntil([&] { return source.BytesRead > 10'000; }));
    }
    MemorySource source{QByteArray(), 16, 2, 44100};
    MemorySink sink;
    RunRecorder recorder{sink};
};

// Raw 16-bit stereo PCM at 1000 Hz, no header, from a file or a stream handed in.
class RawFileIn : public TACSFileIn {
public:
    int Opens = 0, Releases = 0;

    void OpenFile() override
    {
        if (OpenCount++ > 0)
            return;
        ++Opens;
        if (!StreamAssigned) {
            Own = std::make_unique<QFile>(FileName);
            Stream = Own.get();
        }
        Valid = Stream->isOpen() || Stream->open(QIODevice::ReadOnly);
        BPS = 16, Ch = 2, SR = 1000;
        Size = Valid ? Stream->size() : 0;
        TotalSamples = Size / 4;
    }
    void CloseFile() override
    {
        if (OpenCount == 1) {
            ++Releases;
            StreamAssigned ? void(Stream->seek(0)) : Own.reset();
        }
        OpenCount = std::max(0, OpenCount - 1);
    }
    bool Seek(std::int64_t SampleNum) override { return Stream->seek(SampleNum * 4); }
    std::int64_t GetData(void* Buffer, std::int64_t BufferSize) override
    {
        const std::int64_t read =
            Stream->read(static_cast<char*>(Buffer), std::min<std::int64_t>(BufferSize, Size - Position));
        Position += read;
        return read;
    }

private:
    std::unique_ptr<QFile> Own;
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
        ASSERT_TRUE(WaitUntil([&] { return sink.GetStatus() == 2; }));
        sink.Run();
        ASSERT_TRUE(recorder.WaitForEnds(run)) << "run " << run;
    }
    ASSERT_TRUE(WaitUntil([&] { return sink.GetStatus() == 2; }));
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
    EXPECT_TRUE(WaitUntil([&] { return run.source.BytesRead > readSoFar; })) << "the run goes on";

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
    ASSERT_TRUE(WaitUntil([&] { return source.BytesRead > 10'000; }));

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
    ASSERT_TRUE(WaitUntil([&] { return sink.GetStatus() == 2; }));
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
    source.SizeUnknown = true;
    source.Init();
    EXPECT_EQ(sink.GetProgress(), -1) << "unknown size";

    source.SizeUnknown = false;
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
    EXPECT_TRUE(WaitUntil([&] { return second.BytesRead > 0; }));

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

TEST(ACSFileIn, FormatQueriesOpenTheFileOnlyAroundThemselves)
{
    QTemporaryDir folder;
    QFile file(folder.filePath("raw.pcm"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(Pattern(10'000)); // 2.5 seconds
    file.close();

    RawFileIn in;
    EXPECT_FALSE(in.GetValid()) << "no name, no stream";
    in.FileName = file.fileName();
    EXPECT_TRUE(in.GetValid());
    EXPECT_EQ(in.GetBPS(), 16);
    EXPECT_EQ(in.GetCh(), 2);
    EXPECT_EQ(in.GetSR(), 1000);
    EXPECT_EQ(in.GetTotalTime(), 2) << "2.5 s rounds half to even";
    EXPECT_EQ(in.Opens, 5);
    EXPECT_EQ(in.Releases, 5);

    in.Init();
    EXPECT_EQ(in.GetCh(), 2);
    EXPECT_EQ(in.Opens, 6) << "a query during a run leaves the file alone";
    in.OpenFile();
    in.Reset();
    EXPECT_EQ(in.Releases, 6) << "Reset closes every level";
    EXPECT_FALSE(in.Busy);

    in.FileName = folder.filePath("missing.pcm");
    EXPECT_FALSE(in.GetValid());
}

TEST(ACSFileIn, InitChecksItsStateAndReadsTheChosenSamples)
{
    QByteArray content = Pattern(10'000);
    QBuffer buffer(&content);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    RawFileIn in;
    EXPECT_EQ(RaisedText([&] { in.Init(); }), "The file name is not assigned");
    in.SetStream(&buffer);
    in.StartSample = 100;
    in.EndSample = 600;
    in.Init();
    EXPECT_EQ(RaisedText([&] { in.Init(); }), "The component is buisy");
    EXPECT_EQ(in.Size.load(), 500 * 4);
    in.Flush();

    in.EndSample = -1;
    EXPECT_EQ(PullAll(in), content.mid(400));
    EXPECT_TRUE(buffer.isOpen()) << "a stream handed in is left open";
    EXPECT_EQ(buffer.pos(), 0) << "and rewound for the next reader";
}
