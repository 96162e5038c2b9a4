#include "tests/fuzz/fuzz_check.h"

#include "tools/common/console.h"
#include "tools/common/files.h"
#include "tools/mplex/mpeg_audio_frame.h"
#include "tools/mplex/multiplexer.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

// A folder of this process's own, in memory when possible: every run writes files.
class Folder {
public:
    Folder()
    {
        const char* base = std::getenv("TMPDIR");
        const fs::path parent = base ? base : fs::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
        path_ = parent / ("mplex_fuzzer." + std::to_string(::getpid()));
        fs::create_directories(path_);
    }
    ~Folder() { fs::remove_all(path_); }
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

const Folder folder;

Bytes ReadAll(const fs::path& name)
{
    Bytes bytes(fs::file_size(name));
    std::ifstream(name, std::ios::binary).read(reinterpret_cast<char*>(bytes.data()), std::ssize(bytes));
    return bytes;
}

// The payloads of the audio packets, put back together.
Bytes AudioPayload(const Bytes& stream)
{
    Bytes audio;
    const std::size_t sectors = stream.size() / mplex::kSectorBytes;
    for (std::size_t i = 1; i + 1 < sectors; ++i) {
        const unsigned char* packet = stream.data() + i * mplex::kSectorBytes + 12;
        Require(packet[0] == 0 && packet[1] == 0 && packet[2] == 1 && packet[3] == 0xC0,
                "each middle sector holds an audio packet");
        const std::size_t end = 6 + (packet[4] << 8 | packet[5]);
        std::size_t at = 6;
        while (packet[at] == 0xFF)
            ++at;
        at += 2;                                   // buffer size
        at += (packet[at] & 0xF0) == 0x20 ? 5 : 1; // time stamp or none
        Require(end <= mplex::kSectorBytes - 12 && at <= end, "packet lengths stay in the sector");
        audio.insert(audio.end(), packet + at, packet + end);
    }
    return audio;
}

// The payload is whole Layer II frames, and it is the input's bytes where the scan found frames, in order.
void RequireInputFrames(const Bytes& audio, const Bytes& input, const std::vector<mplex::FrameRun>& runs)
{
    for (std::size_t at = 0; at < audio.size();) {
        Require(at + 4 <= audio.size(), "the payload ends with a whole frame");
        const auto header = mplex::ParseLayerTwoHeader(audio.data() + at);
        Require(header && at + header->frameBytes <= audio.size(), "the payload is whole frames");
        at += static_cast<std::size_t>(header->frameBytes);
    }
    Bytes frames;
    std::int64_t end = 0;
    for (const mplex::FrameRun& run : runs) {
        Require(run.offset >= end && run.offset + run.bytes <= std::ssize(input), "runs follow each other");
        frames.insert(frames.end(), input.begin() + run.offset, input.begin() + run.offset + run.bytes);
        end = run.offset + run.bytes;
    }
    Require(audio == frames, "the payload is the input's frames byte for byte");
}

// Multiplexes as the program does; false when the input is refused.
bool Multiplex(const fs::path& inputName, const Bytes& inputBytes, const fs::path& outputName)
{
    const tools::InputFile input = tools::OpenInput(inputName);
    const std::optional<mplex::AudioStreamScan> scan = mplex::ScanLayerTwoStream(input.get());
    if (!scan)
        return false;
    Require(!scan->frameBytes.empty() && scan->audioBytes > 0, "a stream has frames");
    tools::OutputFile output(outputName, inputName);
    const mplex::MuxPlan plan =
        mplex::WriteProgramStream(input.get(), inputName, *scan, mplex::kVideoCdMuxRate, output);
    const Bytes stream = ReadAll(outputName);
    Require(stream.size() == (plan.packets.size() + 2) * mplex::kSectorBytes, "the output is whole sectors");
    const Bytes audio = AudioPayload(stream);
    RequireInputFrames(audio, inputBytes, scan->runs);
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fs::path input = folder.Path() / "in.mp2";
    const fs::path output = folder.Path() / "out.mpg";
    std::ofstream(input, std::ios::binary).write(reinterpret_cast<const char*>(data), std::streamsize(size));
    // An older output in place: only a finished run may replace it.
    const Bytes older{'o', 'l', 'd'};
    std::ofstream(output, std::ios::binary).write("old", 3);
    bool written = false;
    try {
        written = Multiplex(input, Bytes(data, data + size), output);
    } catch (const tools::Failure&) {
    }
    Require(written || ReadAll(output) == older, "a failed run keeps the older output");
    const auto files = std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator());
    Require(files == 2, "no temporary file is left behind");
    return 0;
}
