#include "audio/acs_classes.h"
#include "platform/messages.h"
#include "tests/support/acs_test_components.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace std::chrono_literals;

namespace {

QByteArray Pattern(int size)
{
    QByteArray data(size, Qt::Uninitialized);
    for (int k = 0; k < size; ++k)
        data[k] = char(k * 7 + k / 251);
    return data;
}

QString RaisedText(const std::function<void()>& call)
{
    try {
        call();
    } catch (const EACSException& e) {
        return e.Message();
    }
    return QString();
}

// A raw PCM file: 16-bit stereo at 1000 Hz, no header.
class RawFileIn : public TACSFileIn {
public:
    using TACSFileIn::TACSFileIn;
    int Opens = 0, Releases = 0;

    void OpenFile() override
    {
        if (OpenCount == 0) {
            ++Opens;
            if (!StreamAssigned) {
                Own = std::make_unique<QFile>(FileName);
                Stream = Own.get();
                Valid = Own->open(QIODevice::ReadOnly);
            } else {
                Valid = true;
            }
            BPS = 16, Ch = 2, SR = 1000;
            Size = Valid ? Stream->size() : 0;
            TotalSamples = Size / 4;
        }
        ++OpenCount;
    }
    void CloseFile() override
    {
        if (OpenCount == 1) {
            ++Releases;
            if (StreamAssigned) {
                Stream->seek(0);
            } else {
                Own.reset();
                Stream = nullptr;
            }
        }
        OpenCount = std::max(0, OpenCount - 1);
    }
    bool Seek(std::int64_t SampleNum) override { return Stream->seek(SampleNum * 4); }
    std::int64_t GetData(void* Buffer, std::int64_t BufferSize) override
    {
        const std::int64_t count = std::min<std::int64_t>(BufferSize, Size - Position);
        const std::int64_t read = Stream->read(static_cast<char*>(Buffer), count);
        Position += read;
        return read;
    }

private:
    std::unique_ptr<QFile> Own;
};

} // namespace

TEST(ACSOutput, RunsTheChainToItsEndOnceAndReportsDoneFromTheWorker)
{
    MemorySource source(Pattern(100'000), 16, 2, 44100);
    source.ChunkSize = 777;
    MemorySink sink;
    sink.SetInput(&source);
    RunRecorder recorder(sink);

    sink.Run();
    ASSERT_TRUE(recorder.WaitForEnds(1));
    std::this_thread::sleep_for(30ms);

    EXPECT_EQ(sink.Data(), source.Data);
    EXPECT_EQ(recorder.DoneCount(), 1);
    EXPECT_EQ(recorder.ExceptionCount(), 0);
    EXPECT_NE(recorder.EventThread(), std::this_thread::get_id());
    EXPECT_EQ(sink.Dones, 1);
    EXPECT_EQ(source.Inits, 1);
    EXPECT_EQ(source.Flushes, 1);
    EXPECT_EQ(sink.GetStatus(), 2);
}

TEST(ACSOutput, DoneReachesTheMainThreadAsAPostedMessage)
{
    const auto doneMessage = plat::RegisterWindowMessage(QStringLiteral("WM_ACS_DONE_test"));
    plat::MessageWindow window;
    QThread* handledOn = nullptr;
    window.SetHandler(doneMessage, [&](const plat::PostedMessage&) { handledOn = QThread::currentThread(); });
    MemorySource source(Pattern(10'000), 16, 2, 44100);
    MemorySink sink;
    sink.SetInput(&source);
    sink.SetOnDone([&](QObject*) { plat::Post(&window, doneMessage); });

    sink.Run();
    EXPECT_TRUE(QTest::qWaitFor([&] { return handledOn != nullptr; }, 5000));
    EXPECT_EQ(handledOn, QCoreApplication::instance()->thread());
}

TEST(ACSOutput, RunsAgainAndAgainWithoutMissingAStart)
{
    MemorySource source(Pattern(3'000), 8, 1, 8000);
    MemorySink sink;
    sink.SetInput(&source);
    RunRecorder recorder(sink);
    // Each Run comes while the worker is still finishing the previous end: a start lost there
    // would hang here.
    for (int run = 1; run <= 300; ++run) {
        ASSERT_TRUE(WaitUntil([&] { return sink.GetStatus() == 2; }));
        sink.Run();
        ASSERT_TRUE(recorder.WaitForEnds(run)) << "run " << run;
    }
    EXPECT_EQ(recorder.DoneCount(), 300);
    EXPECT_EQ(sink.Prepares, 300);
    EXPECT_EQ(sink.Data(), source.Data);
}

TEST(ACSOutput, RefusesToRunWhenBusyOrWithoutInput)
{
    MemorySink sink;
    EXPECT_EQ(RaisedText([&] { sink.Run(); }), QStringLiteral("Input is not assigned"));

    MemorySource source(QByteArray(), 16, 2, 44100);
    source.Endless = true;
    sink.SetInput(&source);
    RunRecorder recorder(sink);
    sink.Run();
    EXPECT_EQ(RaisedText([&] { sink.Run(); }), QStringLiteral("Component is buisy"));
    const std::int64_t readSoFar = source.BytesRead;
    EXPECT_TRUE(WaitUntil([&] { return source.BytesRead > readSoFar; })) << "the running run goes on";
    EXPECT_EQ(sink.Prepares, 1);
    sink.Stop();
    ASSERT_TRUE(recorder.WaitForEnds(1));
}

TEST(ACSOutput, StopEndsTheRunThroughDoneAndOnDone)
{
    MemorySource source(QByteArray(), 16, 2, 44100);
    source.Endless = true;
    MemorySink sink;
    sink.SetInput(&source);
    RunRecorder recorder(sink);

    sink.Run();
    ASSERT_TRUE(WaitUntil([&] { return source.BytesRead > 20'000; }));
    EXPECT_EQ(sink.GetStatus(), 0);
    sink.Stop();
    ASSERT_TRUE(recorder.WaitForEnds(1));
    EXPECT_EQ(recorder.DoneCount(), 1);
    EXPECT_EQ(recorder.ExceptionCount(), 0);
    EXPECT_EQ(sink.Dones, 1);
    EXPECT_EQ(source.Flushes, 1);
    EXPECT_TRUE(WaitUntil([&] { return sink.GetStatus() == 2; }));

    // An idle worker waits without passing through the output.
    std::this_thread::sleep_for(10ms);
    const int passes = sink.Passes;
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(sink.Passes, passes);
}

TEST(ACSOutput, DestroyingARunningOutputClosesItsRunAndJoinsItsWorker)
{
    MemorySource source(QByteArray(), 16, 2, 44100);
    source.Endless = true;
    auto sink = std::make_unique<MemorySink>();
    sink->SetInput(&source);
    sink->Run();
    ASSERT_TRUE(WaitUntil([&] { return source.BytesRead > 10'000; }));

    sink.reset();
    EXPECT_EQ(source.Flushes, 1) << "Done closed the run";
    const std::int64_t readAtEnd = source.BytesRead;
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(source.BytesRead, readAtEnd) << "no worker reads any more";
}

TEST(ACSOutput, FailureInPrepareReachesTheCallerAsAFailureBeforeRunReturns)
{
    MemorySource source(Pattern(5'000), 16, 2, 44100);
    MemorySink sink;
    sink.SetInput(&source);
    RunRecorder recorder(sink);
    sink.FailPrepare = true;

    EXPECT_NO_THROW(sink.Run());
    EXPECT_EQ(recorder.ExceptionCount(), 1);
    EXPECT_EQ(recorder.EventThread(), std::this_thread::get_id());
    EXPECT_EQ(recorder.LastError(), QStringLiteral("Cannot open the target"));
    EXPECT_EQ(recorder.DoneCount(), 0);
    EXPECT_EQ(sink.Dones, 0);
    EXPECT_EQ(sink.GetStatus(), 2);

    sink.FailPrepare = false;
    sink.Run();
    ASSERT_TRUE(recorder.WaitForEnds(2));
    EXPECT_EQ(recorder.DoneCount(), 1);
    EXPECT_EQ(sink.Data(), source.Data);
}

TEST(ACSOutput, ReadFailureDuringTheRunReachesTheOwnerAsAFailure)
{
    MemorySource source(Pattern(50'000), 16, 2, 44100);
    source.FailAfter = 20'000;
    MemorySink sink;
    sink.SetInput(&source);
    RunRecorder recorder(sink);

    sink.Run();
    ASSERT_TRUE(recorder.WaitForEnds(1));
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(recorder.ExceptionCount(), 1);
    EXPECT_EQ(recorder.DoneCount(), 0);
    EXPECT_EQ(recorder.LastError(), QStringLiteral("Read error"));
    EXPECT_NE(recorder.EventThread(), std::this_thread::get_id());
    EXPECT_EQ(sink.Dones, 1) << "the run is closed once";
    EXPECT_EQ(source.Flushes, 1);
    EXPECT_EQ(sink.GetStatus(), 2);
}

TEST(ACSOutput, ProgressFollowsTheInputAndReportsEachChange)
{
    MemorySink sink;
    EXPECT_EQ(sink.GetProgress(), 0) << "no input";
    MemorySource empty(QByteArray(), 16, 2, 44100);
    sink.SetInput(&empty);
    empty.Init();
    EXPECT_EQ(sink.GetProgress(), 0) << "empty input";
    empty.SizeUnknown = true;
    empty.Init();
    EXPECT_EQ(sink.GetProgress(), -1) << "unknown size";
    empty.Flush();

    MemorySource source(Pattern(60'000), 16, 2, 44100);
    sink.SetInput(&source);
    std::mutex lock;
    std::vector<int> reported;
    sink.SetOnProgress([&](QObject* sender) {
        const std::lock_guard guard(lock);
        reported.push_back(static_cast<TACSOutput*>(sender)->GetProgress());
    });
    RunRecorder recorder(sink);
    sink.Run();
    ASSERT_TRUE(recorder.WaitForEnds(1));
    const std::lock_guard guard(lock);
    ASSERT_FALSE(reported.empty());
    EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end()));
    EXPECT_EQ(std::adjacent_find(reported.begin(), reported.end()), reported.end()) << "each change once";
    EXPECT_EQ(reported.back(), 100);
}

TEST(ACSOutput, InputSwappedDuringARunTakesOverBetweenTwoReads)
{
    MemorySource first(QByteArray(), 16, 2, 44100);
    first.Endless = true;
    MemorySource second(Pattern(30'000), 16, 2, 44100);
    MemorySink sink;
    sink.SetInput(&first);
    RunRecorder recorder(sink);
    sink.Run();
    ASSERT_TRUE(WaitUntil([&] { return first.BytesRead > 5'000; }));

    sink.SetInput(&second);
    EXPECT_EQ(second.Inits, 1);
    EXPECT_EQ(first.Flushes, 1);
    ASSERT_TRUE(recorder.WaitForEnds(1));
    EXPECT_TRUE(sink.Data().endsWith(second.Data));
    EXPECT_EQ(second.Flushes, 1);
}

TEST(ACSOutput, ClearingTheInputOfARunningOutputEndsTheRunFirst)
{
    MemorySource source(QByteArray(), 16, 2, 44100);
    source.Endless = true;
    MemorySink sink;
    sink.SetInput(&source);
    RunRecorder recorder(sink);
    sink.Run();
    ASSERT_TRUE(WaitUntil([&] { return source.BytesRead > 5'000; }));

    sink.SetInput(nullptr);
    EXPECT_EQ(sink.GetInput(), nullptr);
    EXPECT_EQ(source.Flushes, 1) << "Done closed the run before the input went";
    ASSERT_TRUE(recorder.WaitForEnds(1));
    EXPECT_EQ(recorder.DoneCount(), 1);
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

class ACSFileIn : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        fileName = folder.filePath(QStringLiteral("raw.pcm"));
        QFile file(fileName);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        // 2.5 seconds of 16-bit stereo at 1000 Hz.
        file.write(Pattern(10'000));
    }
    QTemporaryDir folder;
    QString fileName;
};

TEST_F(ACSFileIn, FormatQueriesOpenTheFileOnlyAroundThemselves)
{
    RawFileIn in;
    EXPECT_FALSE(in.GetValid()) << "no name, no stream";
    in.FileName = fileName;
    EXPECT_TRUE(in.GetValid());
    EXPECT_EQ(in.GetBPS(), 16);
    EXPECT_EQ(in.GetCh(), 2);
    EXPECT_EQ(in.GetSR(), 1000);
    EXPECT_EQ(in.GetTotalTime(), 2) << "2.5 s rounds half to even";
    EXPECT_EQ(in.Opens, 5);
    EXPECT_EQ(in.Releases, 5);

    in.FileName = folder.filePath(QStringLiteral("missing.pcm"));
    EXPECT_FALSE(in.GetValid());
}

TEST_F(ACSFileIn, InitChecksItsStateAndReadsTheChosenSamples)
{
    RawFileIn in;
    EXPECT_EQ(RaisedText([&] { in.Init(); }), QStringLiteral("The file name is not assigned"));
    in.FileName = fileName;
    in.StartSample = 100;
    in.EndSample = 600;
    in.Init();
    EXPECT_EQ(RaisedText([&] { in.Init(); }), QStringLiteral("The component is buisy"));
    EXPECT_EQ(in.Size.load(), 500 * 4);
    EXPECT_EQ(in.GetCh(), 2) << "a query during a run leaves the file alone";
    EXPECT_EQ(in.Opens, 1);
    in.Flush();
    EXPECT_EQ(in.Releases, 1);

    in.EndSample = -1;
    EXPECT_EQ(PullAll(in), Pattern(10'000).mid(400));
}

TEST_F(ACSFileIn, ReadsAStreamHandedInAndLeavesItOpen)
{
    QByteArray content = Pattern(4'000);
    QBuffer buffer(&content);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    RawFileIn in;
    in.SetStream(&buffer);
    EXPECT_TRUE(in.GetValid());
    EXPECT_EQ(PullAll(in), content);
    EXPECT_TRUE(buffer.isOpen());
    EXPECT_EQ(buffer.pos(), 0) << "rewound for the next reader";
}

TEST_F(ACSFileIn, ResetClosesEveryOpenLevel)
{
    RawFileIn in;
    in.FileName = fileName;
    in.Init();
    in.OpenFile();
    in.Reset();
    EXPECT_EQ(in.Releases, 1);
    EXPECT_FALSE(in.Busy);
    in.GetBPS();
    EXPECT_EQ(in.Opens, 2) << "the next query opens the file afresh";
}
