#include "tests/audio/wave_fixtures.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QtEndian>

#include <algorithm>
#include <cmath>

namespace wavetest {

QString FixturePath(const QString& name)
{
    return QStringLiteral(KORVANE_SOURCE_DIR "/tests/data/") + name;
}

QByteArray ReadFixture(const QString& name)
{
    QFile file(FixturePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::vector<std::int16_t> Samples(const QByteArray& littleEndian16)
{
    std::vector<std::int16_t> samples(littleEndian16.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = qFromLittleEndian<qint16>(littleEndian16.constData() + 2 * i);
    return samples;
}

QByteArray Bytes(const std::vector<std::int16_t>& samples)
{
    QByteArray bytes(static_cast<qsizetype>(samples.size() * 2), '\0');
    for (size_t i = 0; i < samples.size(); ++i)
        qToLittleEndian<qint16>(samples[i], bytes.data() + 2 * i);
    return bytes;
}

double SignalToNoise(const std::vector<std::int16_t>& reference, const std::vector<std::int16_t>& decoded)
{
    const size_t n = std::min(reference.size(), decoded.size());
    double signal = 0, noise = 0;
    for (size_t i = 0; i < n; ++i) {
        signal += double(reference[i]) * reference[i];
        noise += (double(decoded[i]) - reference[i]) * (double(decoded[i]) - reference[i]);
    }
    return noise == 0 ? 200.0 : 10 * std::log10(signal / noise);
}

double BestCorrelation(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b, int maxLag)
{
    double best = 0;
    for (int lag = 0; lag <= maxLag && size_t(lag) < b.size(); ++lag) {
        const size_t n = std::min(a.size(), b.size() - lag);
        double ab = 0, aa = 0, bb = 0;
        for (size_t i = 0; i < n; ++i) {
            ab += double(a[i]) * b[i + lag];
            aa += double(a[i]) * a[i];
            bb += double(b[i + lag]) * b[i + lag];
        }
        if (aa > 0 && bb > 0)
            best = std::max(best, ab / std::sqrt(aa * bb));
    }
    return best;
}

bool ToolInstalled(const QString& program)
{
    return !QStandardPaths::findExecutable(program).isEmpty();
}

ToolRun RunTool(const QString& program, const QStringList& arguments)
{
    ToolRun run;
    if (!ToolInstalled(program))
        return run;
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(60000))
        return run;
    run.Ran = true;
    run.ExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.Output = process.readAllStandardOutput();
    return run;
}

std::uint32_t Le32At(const QByteArray& bytes, int offset)
{
    return qFromLittleEndian<quint32>(bytes.constData() + offset);
}

std::uint16_t Le16At(const QByteArray& bytes, int offset)
{
    return qFromLittleEndian<quint16>(bytes.constData() + offset);
}

void PutLe32(QByteArray& bytes, int offset, std::uint32_t value)
{
    qToLittleEndian<quint32>(value, bytes.data() + offset);
}

void PutLe16(QByteArray& bytes, int offset, std::uint16_t value)
{
    qToLittleEndian<quint16>(value, bytes.data() + offset);
}

} // namespace wavetest
