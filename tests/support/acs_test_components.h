#pragma once

#include "audio/acs_classes.h"

#include <QByteArray>
#include <QString>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
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
    std::int64_t ChunkSize = 4096;         // the most handed out per call
    std::optional<std::int64_t> Announced; // the Size Init sets, when not the data's (-1: unknown)
    std::int64_t FailAfter = -1;           // raises "Read error" once this many bytes are out
    bool Endless = false;                  // hands out zeros for ever, slowly
    std::atomic<int> Inits{0}, Flushes{0};
    std::atomic<std::int64_t> BytesRead{0};

private:
    std::int64_t Offset = 0;
};

class MemorySink : public TACSFileOut {
public:
    using TACSFileOut::TACSFileOut;
    ~MemorySink() override { TerminateThread(); }

    QByteArray Data() const;
    bool FailPrepare = false;
    std::atomic<int> Prepares{0}, Dones{0};

protected:
    bool DoOutput(bool Abort) override;
    void Done() override;
    void Prepare() override;

private:
    mutable std::mutex DataLock;
    QByteArray Collected;
};

// Records how an output's runs ended and lets a test wait for them.
class RunRecorder {
public:
    struct Ends {
        int Done = 0, Failed = 0;
        QString Error;
        std::thread::id Thread;
    };

    explicit RunRecorder(TACSOutput& output);
    ~RunRecorder(); // unhooks the events, waiting for one being delivered

    ::testing::AssertionResult WaitForEnds(int ends);
    Ends Seen() const;

private:
    void Ended(bool failed, const QString& error);

    TACSOutput& Output;
    mutable std::mutex Lock;
    Ends Recorded;
};

// 16-bit little-endian PCM and back.
QByteArray Pcm16(const std::vector<std::int16_t>& samples);
std::vector<std::int16_t> Samples16(const QByteArray& pcm);

// Everything a source hands out from Init to the end, asked for in chunks of chunkSize bytes.
QByteArray PullAll(TACSInput& input, std::int64_t chunkSize = 5000);

// The message of the EACSException call raises, empty when it raises none.
QString RaisedText(const std::function<void()>& call);
