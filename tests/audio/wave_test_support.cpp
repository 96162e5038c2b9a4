#include "tests/audio/wave_test_support.h"

#include "tests/audio/wave_fixtures.h"

#include <QtEndian>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>

namespace wavetest {

MemorySource::MemorySource(QByteArray Pcm, int Channels, int SampleRate, int Bits, std::int64_t Declared)
    : DeclaredSize(Declared), pcm_(std::move(Pcm)), channels_(Channels), rate_(SampleRate), bits_(Bits)
{
}

std::int64_t MemorySource::GetData(void* Buffer, std::int64_t BufferSize)
{
    const std::int64_t count = std::min<std::int64_t>(BufferSize, pcm_.size() - at_);
    std::memcpy(Buffer, pcm_.constData() + at_, count);
    at_ += count;
    Position += count;
    return count;
}

void MemorySource::Init()
{
    at_ = 0;
    Position = 0;
    Size = DeclaredSize;
    Busy = true;
}

RunResult RunToEnd(TACSOutput& output)
{
    // Shared with the callbacks, which may still be returning on the worker when the run is seen ended.
    struct State {
        std::mutex Lock;
        std::condition_variable Ended;
        RunResult Result;
        bool Finished = false;
    };
    const auto state = std::make_shared<State>();
    auto finish = [state](bool failed, const QString& error) {
        const std::lock_guard guard(state->Lock);
        state->Result = {!failed, failed, error};
        state->Finished = true;
        state->Ended.notify_all();
    };
    output.SetOnDone([finish](QObject*) { finish(false, {}); });
    output.SetOnThreadException(
        [finish](QObject*, const std::exception& e) { finish(true, QString::fromUtf8(e.what())); });
    output.Run();
    std::unique_lock guard(state->Lock);
    state->Ended.wait_for(guard, std::chrono::seconds(60), [&] { return state->Finished; });
    return state->Result;
}

QByteArray Chunk(const char* code, const QByteArray& body, std::optional<std::uint32_t> declaredSize)
{
    QByteArray chunk(code, 4);
    QByteArray size(4, '\0');
    PutLe32(size, 0, declaredSize.value_or(std::uint32_t(body.size())));
    chunk += size + body;
    if (body.size() & 1)
        chunk += '\0';
    return chunk;
}

QByteArray PcmFormat(int channels, std::uint32_t rate, int bits)
{
    QByteArray body(16, '\0');
    PutLe16(body, 0, 1);
    PutLe16(body, 2, std::uint16_t(channels));
    PutLe32(body, 4, rate);
    PutLe32(body, 8, rate * std::uint32_t(channels * bits / 8));
    PutLe16(body, 12, std::uint16_t(channels * bits / 8));
    PutLe16(body, 14, std::uint16_t(bits));
    return body;
}

QByteArray Riff(const QByteArray& chunks)
{
    QByteArray size(4, '\0');
    PutLe32(size, 0, std::uint32_t(chunks.size() + 4));
    return QByteArray("RIFF") + size + QByteArray("WAVE") + chunks;
}

} // namespace wavetest
