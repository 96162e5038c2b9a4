#include "audio/acs_wave.h"

#include <QBuffer>

#include <array>

extern "C" {
#include <libavutil/log.h>
}

namespace {

// Every whole block after the header, through the decoder the header names, whatever layout it claims:
// the decoders must refuse what they cannot decode rather than read or write out of bounds.
void DecodeBlocks(const QByteArray& bytes, const TWaveHeader& header)
{
    if (header.BlockAlign <= 0)
        return;
    std::array<std::int16_t, WaveBufferSize / 2> out;
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    for (std::int64_t at = header.DataOffset; at + header.BlockAlign <= bytes.size();
         at += header.BlockAlign) {
        DecodeImaBlock(data + at, header.BlockAlign, header.Channels, out.data());
        DecodeMsAdpcmBlock(data + at, header.BlockAlign, header.Channels, header.SamplesPerBlock,
                           header.Coefficients, header.CoefficientCount, out.data());
    }
}

// The reader as the chain uses it: open, check, read to the end.
void ReadThrough(const QByteArray& bytes)
{
    QBuffer stream;
    stream.setData(bytes);
    stream.open(QIODevice::ReadOnly);
    TWaveIn in;
    in.SetStream(&stream);
    if (!in.GetValid())
        return;
    in.Init();
    char buffer[4096];
    while (in.GetData(buffer, sizeof buffer) > 0) {
    }
    in.Flush();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    av_log_set_level(AV_LOG_QUIET);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    DecodeBlocks(bytes, ScanWaveHeader(bytes, bytes.size()));
    ReadThrough(bytes);
    return 0;
}
