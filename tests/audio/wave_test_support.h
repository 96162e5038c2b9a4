#pragma once

#include "audio/acs_classes.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace wavetest {

// A source of PCM held in memory, with a format and a size estimate of the test's choosing.
class MemorySource : public TACSInput {
public:
    MemorySource(QByteArray Pcm, int Channels, int SampleRate, int Bits, std::int64_t DeclaredSize);
    // The estimate the source announces at Init; defaults to the true length.
    std::int64_t DeclaredSize;

    int GetBPS() override { return bits_; }
    int GetCh() override { return channels_; }
    int GetSR() override { return rate_; }
    std::int64_t GetData(void* Buffer, std::int64_t BufferSize) override;
    void Init() override;
    void Flush() override { Busy = false; }

private:
    QByteArray pcm_;
    int channels_, rate_, bits_;
    std::int64_t at_ = 0;
};

// How a run of an output ended.
struct RunResult {
    bool Done = false;
    bool Failed = false;
    QString Error;
};
RunResult RunToEnd(TACSOutput& output);

// RIFF building blocks for crafted files.
QByteArray Chunk(const char* code, const QByteArray& body, std::optional<std::uint32_t> declaredSize = {});
QByteArray PcmFormat(int channels, std::uint32_t rate, int bits);
QByteArray Riff(const QByteArray& chunks);

} // namespace wavetest
