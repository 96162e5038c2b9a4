#include "tests/audio/wave_fixtures.h"

#include <QtEndian>

namespace wavetest {

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
