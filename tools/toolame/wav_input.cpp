#include "tools/toolame/wav_input.h"

#include "tools/common/console.h"

#include <array>
#include <cstring>

namespace toolame {

namespace {

constexpr int kPcm = 1;

std::uint32_t littleEndian(const unsigned char* bytes, int count)
{
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = (value << 8) | bytes[i];
    return value;
}

void readExactly(std::FILE* file, unsigned char* buffer, std::size_t size)
{
    if (std::fread(buffer, 1, size, file) != size)
        throw tools::Failure("not a RIFF WAVE file (the header is cut short)");
}

void readFormatChunk(std::FILE* file, std::uint32_t size, WavFormat& format)
{
    if (size < 16)
        throw tools::Failure("not a RIFF WAVE file (the format chunk is too short)");
    std::array<unsigned char, 16> fields{};
    readExactly(file, fields.data(), fields.size());
    format.formatTag = static_cast<int>(littleEndian(&fields[0], 2));
    format.channels = static_cast<int>(littleEndian(&fields[2], 2));
    format.sampleRate = static_cast<int>(littleEndian(&fields[4], 4) & 0x7FFFFFFF);
    format.blockAlign = static_cast<int>(littleEndian(&fields[12], 2));
    format.bitsPerSample = static_cast<int>(littleEndian(&fields[14], 2));
    // Chunks are padded to an even size.
    const std::int64_t rest = static_cast<std::int64_t>(size) - 16 + (size & 1);
    if (std::fseek(file, rest, SEEK_CUR) != 0)
        throw tools::Failure("not a RIFF WAVE file (the format chunk is cut short)");
}

// Notes where the samples start and how many bytes the file holds from there, and goes back there.
void measureData(std::FILE* file, WavFormat& format)
{
    format.dataOffset = std::ftell(file);
    if (format.dataOffset < 0 || std::fseek(file, 0, SEEK_END) != 0)
        throw tools::Failure("cannot read the input file");
    const std::int64_t end = std::ftell(file);
    if (end < format.dataOffset || std::fseek(file, format.dataOffset, SEEK_SET) != 0)
        throw tools::Failure("cannot read the input file");
    format.bytesInFile = end - format.dataOffset;
}

} // namespace

WavFormat ReadWavHeader(std::FILE* file)
{
    std::array<unsigned char, 12> riff{};
    readExactly(file, riff.data(), riff.size());
    if (std::memcmp(&riff[0], "RIFF", 4) != 0 || std::memcmp(&riff[8], "WAVE", 4) != 0)
        throw tools::Failure("not a RIFF WAVE file");

    WavFormat format;
    bool formatSeen = false;
    for (;;) {
        std::array<unsigned char, 8> chunk{};
        if (std::fread(chunk.data(), 1, chunk.size(), file) != chunk.size())
            throw tools::Failure("not a RIFF WAVE file (no data chunk)");
        const std::uint32_t size = littleEndian(&chunk[4], 4);
        if (std::memcmp(&chunk[0], "fmt ", 4) == 0) {
            readFormatChunk(file, size, format);
            formatSeen = true;
        } else if (std::memcmp(&chunk[0], "data", 4) == 0) {
            if (!formatSeen)
                throw tools::Failure("not a RIFF WAVE file (data before the format chunk)");
            // Writers that stream often leave the size open.
            format.dataSize = size == 0 || size == 0xFFFFFFFF ? -1 : size;
            measureData(file, format);
            return format;
        } else if (std::fseek(file, static_cast<long>(size) + (size & 1), SEEK_CUR) != 0) {
            throw tools::Failure("not a RIFF WAVE file (a chunk is cut short)");
        }
    }
}

std::string UnsupportedReason(const WavFormat& format)
{
    if (format.formatTag != kPcm)
        return "not a 16-bit PCM WAV file (compressed samples, format tag " +
               std::to_string(format.formatTag) + ")";
    if (format.bitsPerSample != 16)
        return "not a 16-bit PCM WAV file (" + std::to_string(format.bitsPerSample) + "-bit samples)";
    if (format.channels != 1 && format.channels != 2)
        return "not a 16-bit PCM WAV file with one or two channels (" + std::to_string(format.channels) +
               " channels)";
    if (format.blockAlign != 2 * format.channels)
        return "not a 16-bit PCM WAV file (block size " + std::to_string(format.blockAlign) + ")";
    if (format.sampleRate != 32000 && format.sampleRate != 44100 && format.sampleRate != 48000)
        return "sampling frequency " + std::to_string(format.sampleRate) +
               " Hz cannot be encoded (use 32000, 44100 or 48000)";
    if (AudioBytes(format) < format.blockAlign)
        return "the WAV file holds no audio";
    return {};
}

std::int64_t AudioBytes(const WavFormat& format)
{
    if (format.dataSize < 0 || format.dataSize > format.bytesInFile)
        return format.bytesInFile;
    return format.dataSize;
}

} // namespace toolame
