#include "tests/support/acs_test_components.h"

#include <algorithm>
#include <cstring>

MemorySource::MemorySource(QByteArray data, int bps, int channels, int rate)
    : Data(std::move(data)), Bps(bps), Channels(channels), Rate(rate)
{
}

void MemorySource::Init()
{
    ++Inits;
    Offset = 0;
    Position = 0;
    Size = SizeUnknown || Endless ? -1 : Data.size();
    Busy = true;
}

void MemorySource::Flush()
{
    ++Flushes;
    Busy = false;
}

std::int64_t MemorySource::GetData(void* buffer, std::int64_t bufferSize)
{
    if (!Busy)
        throw EACSException(QStringLiteral("The Stream is not opened"));
    if (FailAfter >= 0 && Offset >= FailAfter)
        throw EACSException(QStringLiteral("Read error"));
    std::int64_t count = std::min(bufferSize, ChunkSize);
    if (Endless) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        std::memset(buffer, 0, std::size_t(count));
    } else {
        count = std::min<std::int64_t>(count, Data.size() - Offset);
        if (FailAfter >= 0)
            count = std::min(count, FailAfter - Offset);
        std::memcpy(buffer, Data.constData() + Offset, std::size_t(count));
    }
    Offset += count;
    Position += count;
    BytesRead += count;
    return count;
}

MemorySink::~MemorySink()
{
    TerminateThread();
}

QByteArray MemorySink::Data() const
{
    const std::lock_guard lock(DataLock);
    return Collected;
}

void MemorySink::Prepare()
{
    ++Prepares;
    if (FailPrepare)
        throw EACSException(QStringLiteral("Cannot open the target"));
    {
        const std::lock_guard lock(DataLock);
        Collected.clear();
    }
    GetInput()->Init();
}

bool MemorySink::DoOutput(bool Abort)
{
    ++Passes;
    if (!Active)
        return true;
    CheckProgress();
    if (Abort)
        return false;
    char buffer[3000];
    const std::int64_t count = GetInputData(buffer, sizeof buffer);
    const std::lock_guard lock(DataLock);
    Collected.append(buffer, count);
    return count > 0;
}

void MemorySink::Done()
{
    ++Dones;
    GetInput()->Flush();
}

RunRecorder::RunRecorder(TACSOutput& output) : Output(output)
{
    output.SetOnDone([this](QObject*) { Ended(std::this_thread::get_id(), QString(), false); });
    output.SetOnThreadException([this](QObject*, const std::exception& e) {
        const auto* error = dynamic_cast<const EKorvaneError*>(&e);
        Ended(std::this_thread::get_id(), error ? error->Message() : QString::fromUtf8(e.what()), true);
    });
}

RunRecorder::~RunRecorder()
{
    Output.SetOnDone(nullptr);
    Output.SetOnThreadException(nullptr);
}

void RunRecorder::Ended(std::thread::id thread, const QString& error, bool failed)
{
    const std::lock_guard lock(Lock);
    ++(failed ? Exceptions : Dones);
    Error = error;
    Thread = thread;
    Changed.notify_all();
}

bool RunRecorder::WaitForEnds(int ends, std::chrono::milliseconds limit)
{
    std::unique_lock lock(Lock);
    return Changed.wait_for(lock, limit, [&] { return Dones + Exceptions >= ends; });
}

int RunRecorder::DoneCount() const
{
    const std::lock_guard lock(Lock);
    return Dones;
}

int RunRecorder::ExceptionCount() const
{
    const std::lock_guard lock(Lock);
    return Exceptions;
}

QString RunRecorder::LastError() const
{
    const std::lock_guard lock(Lock);
    return Error;
}

std::thread::id RunRecorder::EventThread() const
{
    const std::lock_guard lock(Lock);
    return Thread;
}

QByteArray Pcm16(const std::vector<std::int16_t>& samples)
{
    QByteArray pcm;
    pcm.reserve(std::ssize(samples) * 2);
    for (const std::int16_t sample : samples) {
        pcm.append(char(std::uint16_t(sample) & 0xFF));
        pcm.append(char(std::uint16_t(sample) >> 8));
    }
    return pcm;
}

std::vector<std::int16_t> Samples16(const QByteArray& pcm)
{
    std::vector<std::int16_t> samples(std::size_t(pcm.size() / 2));
    for (std::size_t k = 0; k < samples.size(); ++k)
        samples[k] =
            std::int16_t(std::uint8_t(pcm[qsizetype(2 * k)]) | std::uint8_t(pcm[qsizetype(2 * k + 1)]) << 8);
    return samples;
}

QByteArray PullAll(TACSInput& input, std::int64_t chunkSize)
{
    input.Init();
    QByteArray all;
    std::vector<char> buffer(static_cast<std::size_t>(chunkSize));
    for (;;) {
        const std::int64_t count = input.GetData(buffer.data(), chunkSize);
        if (count == 0)
            break;
        all.append(buffer.data(), count);
    }
    input.Flush();
    return all;
}
