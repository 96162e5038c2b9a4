#include "tests/fuzz/fuzz_check.h"

#include "tools/common/console.h"
#include "tools/toolame/wav_input.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace {

struct Closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// A header the encoder accepts describes samples that the file holds from where the reading stopped.
void RequireReadableAudio(std::FILE* file, const toolame::WavFormat& format, std::size_t size)
{
    Require(format.dataOffset > 0 && format.dataOffset <= static_cast<std::int64_t>(size),
            "the samples start inside the file");
    Require(format.bytesInFile == static_cast<std::int64_t>(size) - format.dataOffset,
            "the bytes in the file are counted");
    Require(std::ftell(file) == format.dataOffset, "the file is left where the samples start");
    const std::int64_t audio = toolame::AudioBytes(format);
    Require(audio >= 0 && audio <= format.bytesInFile, "the audio lies within the file");
    Require(format.dataSize < 0 || audio <= format.dataSize, "the audio lies within the data chunk");
    if (!toolame::UnsupportedReason(format).empty())
        return;
    Require((format.channels == 1 || format.channels == 2) && format.bitsPerSample == 16,
            "only 16-bit mono or stereo is accepted");
    std::vector<unsigned char> samples(static_cast<std::size_t>(audio));
    Require(std::fread(samples.data(), 1, samples.size(), file) == samples.size(), "the audio can be read");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<unsigned char> bytes(data, data + size);
    const std::unique_ptr<std::FILE, Closer> file(fmemopen(bytes.data(), bytes.size(), "rb"));
    if (!file)
        return 0;
    try {
        const toolame::WavFormat format = toolame::ReadWavHeader(file.get());
        RequireReadableAudio(file.get(), format, size);
    } catch (const tools::Failure&) {
    }
    return 0;
}
