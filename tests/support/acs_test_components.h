#pragma once

#include "audio/acs_classes.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

// In-memory audio components for tests: a source handing out a byte array and a sink collecting
// what its worker reads.

class MemorySource : public TACSInput {
public:
    MemorySource(QByteArray data, int bps, int channels, int rate);

    int GetBPS() override { return Bps; }
    int GetCh() override { return Channels; }
    int GetSR() override { return Rate; }
    std::int64_t GetData(void* buffer, std::int64_t bufferSize) override;
    void Init() override;
    void Flush() override;

    QByteArray Data;
    int Bps, Channels, Rate;
    // The most handed out per call.
    std::int64_t ChunkSize = 4096;
    bool SizeUnknown = false;
    // Raises "Read error" once this many bytes are out (-1: never).
    std::int64_t FailAfter = -1;
    // Hands out zeros for ever, slowly.
    bool Endless = false;

    std::atomic<int> Inits{0}, Flushes{0};
    std::atomic<std::int64_t> BytesRead{0};

private:
    std::int64_t Offset = 0;
};

class MemorySink : public TACSFileOut {
public:
    using TACSFileOut::TACSFileOut;
    ~MemorySink() override;

    QByteArray Data() const;
    bool FailPrepare = false;
    std::atomic<int> Prepares{0}, Dones{0}, Passes{0};

protected:
    bool DoOutput(bool Abort) override;
    void Done() override;
    void Prepare() override;

private:
    mutable std::mutex DataLock;
    QByteArray Collected;
};

// Records an output's end events (done or failure) and lets a test wait for them.
class RunRecorder {
public:
    explicit RunRecorder(TACSOutput& output);
    // Unhooks the events, waiting for one being delivered.
    ~RunRecorder();

    // Waits until this many runs have ended in all.
    bool WaitForEnds(int ends, std::chrono::milliseconds limit = std::chrono::seconds(10));
    int DoneCount() const;
    int ExceptionCount() const;
    QString LastError() const;
    std::thread::id EventThread() const;

private:
    void Ended(std::thread::id thread, const QString& error, bool failed);

    TACSOutput& Output;
    mutable std::mutex Lock;
    std::condition_variable Changed;
    int Dones = 0, Exceptions = 0;
    QString Error;
    std::thread::id Thread;
};

// Waits until condition holds (polling); false after the limit.
template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(10))
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// 16-bit little-endian PCM and back.
QByteArray Pcm16(const std::vector<std::int16_t>& samples);
std::vector<std::int16_t> Samples16(const QByteArray& pcm);

// Everything a source hands out from Init to the end, asked for in chunks of chunkSize bytes.
QByteArray PullAll(TACSInput& input, std::int64_t chunkSize = 5000);
