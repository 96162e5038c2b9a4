#pragma once

#include "audio/acs_classes.h"
#include "tests/support/acs_test_components.h"
#include "tests/support/audio_fixtures.h"
#include "tests/support/reference_tools.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// Helpers shared by the WAV tests: crafted RIFF files and runs of an output.
namespace wavetest {

std::uint32_t Le32At(const QByteArray& bytes, int offset);
std::uint16_t Le16At(const QByteArray& bytes, int offset);
void PutLe32(QByteArray& bytes, int offset, std::uint32_t value);
void PutLe16(QByteArray& bytes, int offset, std::uint16_t value);

// RIFF building blocks for crafted files; a chunk with an odd body gets its pad byte.
QByteArray Chunk(const char* code, const QByteArray& body, std::optional<std::uint32_t> declaredSize = {});
QByteArray PcmFormat(int channels, std::uint32_t rate, int bits);
QByteArray Riff(const QByteArray& chunks);

// A memory source that announces a size estimate of the test's choosing at Init.
class EstimatedSource : public MemorySource {
public:
    EstimatedSource(QByteArray data, int bps, int channels, int rate, std::int64_t estimate);
    void Init() override;
    std::int64_t Estimate;
};

struct RunResult {
    bool Done = false;
    bool Failed = false;
    QString Error;
};
// Runs an output and waits for its end.
RunResult RunToEnd(TACSOutput& output);

} // namespace wavetest
