#pragma once

#include "audio/acs_classes.h"
#include "tests/support/acs_test_components.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

// Helpers shared by the WAV tests: committed fixtures, crafted RIFF files, sample arithmetic, runs of
// an output and the reference tools.
namespace wavetest {

QString FixturePath(const QString& name);
QByteArray ReadFixture(const QString& name);

// Signal-to-noise ratio of decoded against reference, in dB, over their common length.
double SignalToNoise(const std::vector<std::int16_t>& reference, const std::vector<std::int16_t>& decoded);
// Best normalised correlation of b against a, with b delayed by 0..maxLag samples.
double BestCorrelation(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b, int maxLag);

// A tool run; Ran is false when the tool is not installed.
struct ToolRun {
    bool Ran = false;
    int ExitCode = -1;
    QByteArray Output;
};
ToolRun RunTool(const QString& program, const QStringList& arguments);

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
