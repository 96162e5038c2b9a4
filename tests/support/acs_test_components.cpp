#include "tests/support/acs_test_components.h"

#include "tests/support/patience.h"

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
    Size = Endless ? -1 : Announced.value_or(Data.size());
    Busy = true;
}

void MemorySource::Flush()
{
    ++Flushes;
    Busy = false;
}

std::int64_t MemorySource::GetData(void* buffer, std::int64_t bufferSize)
{
    if (FailAfter >= 0 && Offset >= FailAfter)
        throw EACSException(QStringLiteral("Read error"));
    std::int64_t count = std::min(bufferSize, ChunkSize);
    if (Endless) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        std::memset(buffer, 0, std::size_t(count));
    } else {
        count =
            std::min<std::int64_t>({count, Data.size() - Offset, FailAfter < 0 ? count : FailAfter - Offset});
        std::memcpy(buffer, Data.constData() + Offset, std::size_t(count));
    }
    Offset += count;
    Position += count;
    BytesRead += count;
    return count;
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
    const std::lock_guard lock(DataLock);
    Collected.clear();
    GetInput()->Init();
}

bool MemorySink::DoOutput(bool Abort)
{
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
    output.SetOnDone([this](QObject*) { Ended(false, QString()); });
    output.SetOnThreadException([this](QObject*, const std::exception& e) {
        const auto* error = dynamic_cast<const EKorvaneError*>(&e);
        Ended(true, error ? error->Message() : QString::fromUtf8(e.what()));
    });
}

RunRecorder::~RunRecorder()
{
    Output.SetOnDone(nullptr);
    Output.SetOnThreadException(nullptr);
}

void RunRecorder::Ended(bool failed, const QString& error)
{
    const std::lock_guard lock(Lock);
    ++(failed ? Recorded.Failed : Recorded.Done);
    Recorded.Error = error;
    Recorded.Thread = std::this_thread::get_id();
}

::testing::AssertionResult RunRecorder::WaitForEnds(int ends)
{
    return Reaches(
        [&] {
            const Ends seen = Seen();
            return seen.Done + seen.Failed >= ends;
        },
        "end " + std::to_string(ends) + " of the run", Events::Held);
}

RunRecorder::Ends RunRecorder::Seen() const
{
    const std::lock_guard lock(Lock);
    return Recorded;
}

QByteArray Pcm16(const std::vector<std::int16_t>& samples)
{
    QByteArray pcm;
    for (const std::int16_t sample : samples)
        pcm.append(char(sample & 0xFF)).append(char(std::uint16_t(sample) >> 8));
    return pcm;
}

std::vector<std::int16_t> Samples16(const QByteArray& pcm)
{
    std::vector<std::int16_t> samples;
    for (qsizetype k = 0; k + 1 < pcm.size(); k += 2)
        samples.push_back(std::int16_t(std::uint8_t(pcm[k]) | std::uint8_t(pcm[k + 1]) << 8));
    return samples;
}

QByteArray PullAll(TACSInput& input, std::int64_t chunkSize)
{
    input.Init();
    QByteArray all;
    std::vector<char> buffer(static_cast<std::size_t>(chunkSize));
    while (const std::int64_t count = input.GetData(buffer.data(), chunkSize))
        all.append(buffer.data(), count);
    input.Flush();
    return all;
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
