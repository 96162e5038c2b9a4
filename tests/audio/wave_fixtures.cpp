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

ToolRun RunTool(const QString& program, const QStringList& arguments)
{
    ToolRun run;
    if (QStandardPaths::findExecutable(program).isEmpty())
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

QByteArray Chunk(const char* code, const QByteArray& body, std::optional<std::uint32_t> declaredSize)
{
    QByteArray size(4, '\0');
    PutLe32(size, 0, declaredSize.value_or(std::uint32_t(body.size())));
    QByteArray chunk = QByteArray(code, 4) + size + body;
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

EstimatedSource::EstimatedSource(QByteArray data, int bps, int channels, int rate, std::int64_t estimate)
    : MemorySource(std::move(data), bps, channels, rate), Estimate(estimate)
{
}

void EstimatedSource::Init()
{
    MemorySource::Init();
    Size = Estimate;
}

RunResult RunToEnd(TACSOutput& output)
{
    RunRecorder recorder(output);
    output.Run();
    recorder.WaitForEnds(1);
    const RunRecorder::Ends ends = recorder.Seen();
    return {ends.Done == 1, ends.Failed == 1, ends.Error};
}

} // namespace wavetest
