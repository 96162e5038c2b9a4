#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

// Helpers shared by the WAV tests: committed fixtures, sample arithmetic and reference tools.
namespace wavetest {

QString FixturePath(const QString& name);
QByteArray ReadFixture(const QString& name);
std::vector<std::int16_t> Samples(const QByteArray& littleEndian16);
QByteArray Bytes(const std::vector<std::int16_t>& samples);

// Signal-to-noise ratio of decoded against reference, in dB, over their common length.
double SignalToNoise(const std::vector<std::int16_t>& reference, const std::vector<std::int16_t>& decoded);
// Best normalised correlation of b against a, with b delayed by 0..maxLag samples.
double BestCorrelation(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b, int maxLag);

// Runs a reference tool; empty optional-like result (ok false) when it is not installed.
struct ToolRun {
    bool Ran = false;
    int ExitCode = -1;
    QByteArray Output;
};
bool ToolInstalled(const QString& program);
ToolRun RunTool(const QString& program, const QStringList& arguments);

std::uint32_t Le32At(const QByteArray& bytes, int offset);
std::uint16_t Le16At(const QByteArray& bytes, int offset);
void PutLe32(QByteArray& bytes, int offset, std::uint32_t value);
void PutLe16(QByteArray& bytes, int offset, std::uint16_t value);

} // namespace wavetest
