#include "platform/audio_decoder.h"
#include "tests/fuzz/fuzz_check.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sanitizer/allocator_interface.h>

#include <array>
#include <memory>
#include <vector>

// Arbitrary bytes, as a file, through the decoder layer with the options the first byte picks (the
// name's extension, the rate and channels asked for, one core or all). An opened source hands out whole
// frames of the format it announces, ends for good, fails rather than giving nothing, and never holds
// more memory than a song does.

namespace {

constexpr std::array<const char*, 8> Extensions = {".mp3", ".wav", ".ogg", ".wma",
                                                   ".mp2", ".mp1", ".mpg", ".dat"};
constexpr std::array<int, 4> Rates = {0, 8000, 44100, 48000};
// A tiny file at 1 Hz lasts hours at 48 kHz: past this much output the reading stops.
constexpr std::int64_t MostBytes = 1 << 21;
constexpr std::size_t MostHeld = 100u << 20;

std::unique_ptr<QTemporaryDir> folder;

void RequireMemoryWithinBound(std::size_t before)
{
    const std::size_t now = __sanitizer_get_current_allocated_bytes();
    Require(now < before || now - before < MostHeld, "the decoder holds no more than a song's memory");
}

QString WriteSource(const std::uint8_t* data, std::size_t size, const char* extension)
{
    QFile file(folder->filePath(QStringLiteral("source") + QString::fromLatin1(extension)));
    Require(file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                file.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size),
            "the source can be written");
    return file.fileName();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    folder = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/decoder_fuzzer-XXXXXX"));
    return folder->isValid() ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::uint8_t selector = data[0];
    const plat::AudioDecoderOptions options{.OutRate = Rates[(selector >> 3) & 3],
                                            .OutChannels = (selector >> 5) % 3,
                                            .AllCores = (selector & 0x80) != 0};
    const QString name = WriteSource(data + 1, size - 1, Extensions[selector & 7]);
    const std::size_t before = __sanitizer_get_current_allocated_bytes();
    QString error;
    const auto decoder = plat::AudioDecoder::Open(name, options, error);
    RequireMemoryWithinBound(before);
    if (!decoder) {
        Require(!error.isEmpty(), "a refusal says why");
        return 0;
    }
    Require(decoder->Channels() == 1 || decoder->Channels() == 2, "mono or stereo");
    Require(options.OutChannels == 0 || decoder->Channels() == options.OutChannels, "the channels asked for");
    Require(options.OutRate == 0 ? decoder->SampleRate() > 0 && decoder->SampleRate() <= 384000
                                 : decoder->SampleRate() == options.OutRate,
            "the rate asked for, or a usable one");

    std::vector<char> block(10240 + 1); // a size no frame divides
    std::int64_t total = 0, count;
    while ((count = decoder->Read(block.data(), std::int64_t(block.size()))) > 0 && total < MostBytes) {
        Require(count % decoder->FrameBytes() == 0, "whole frames");
        total += count;
        Require(decoder->PositionBytes() == total, "the position follows what was handed out");
        RequireMemoryWithinBound(before);
    }
    if (count > 0)
        return 0;
    Require(!decoder->Active(), "the end stays the end");
    Require(decoder->Read(block.data(), std::int64_t(block.size())) == count, "the end stays the end");
    Require(count < 0 || total > 0, "a source that gives no sample fails");
    return 0;
}
