#include "audio/acs_converters.h"
#include "audio/acs_wave.h"
#include "tests/fuzz/fuzz_check.h"

#include <QBuffer>

#include <array>
#include <cmath>
#include <condition_variable>
#include <mutex>

extern "C" {
#include <libavutil/log.h>
}

// Arbitrary WAV headers and data through the WAV conversion as the WAV step wires it: the reader, the
// converters it needs for the target the last byte picks (rate, channels, sample size, PCM or IMA
// ADPCM), and the writer. An input the reader accepts must come out as whole frames of the target
// format, as many as its frames at the new rate, and in a file the reader takes back as that format.

namespace {

constexpr std::array<int, 8> Rates = {8000, 11025, 22050, 32000, 44100, 48000, 96000, 192000};
// Past this much output only whole frames are checked.
constexpr std::int64_t MostBytes = 1 << 16;
// A source at a few hertz raised to a common rate gives thousands of frames for each of its own, which
// takes the run's time without reaching other code.
constexpr double MostRatio = 64;

struct Target {
    TWavType Type = wtPCM;
    TPcmFormat Format;
    int FrameBytes() const { return Format.Channels * Format.Bits / 8; }
};

Target TargetOf(std::uint8_t selector)
{
    Target target;
    target.Format = {selector & 1 ? 8 : 16, selector & 2 ? 1 : 2, Rates[(selector >> 2) & 7]};
    // The writer refuses 8-bit IMA ADPCM: the WAV step's own test covers that refusal.
    if ((selector & 32) && target.Format.Bits == 16)
        target.Type = wtDVIADPCM;
    return target;
}

std::int64_t ReaderFrames(TWaveIn& in)
{
    const int frameBytes = in.GetCh() * in.GetBPS() / 8;
    in.Init();
    std::int64_t bytes = 0;
    char buffer[4096];
    for (std::int64_t count; (count = in.GetData(buffer, sizeof buffer)) > 0;)
        bytes += count;
    in.Flush();
    Require(bytes % frameBytes == 0, "the reader hands out whole frames");
    return bytes / frameBytes;
}

// Output frames for the input frames at the new rate, give or take the frame where the phase starts.
bool FramesFit(std::int64_t out, std::int64_t in, double ratio)
{
    return std::abs(double(out) - double(in) * ratio) <= 2;
}

// Pulls at most MostBytes through the chain in whole-frame requests: each answer is whole frames.
std::int64_t PulledFrames(TACSInput& last, const Target& target, bool& capped)
{
    std::vector<char> buffer(6 * 4096);
    const std::int64_t request = std::int64_t(buffer.size()) / target.FrameBytes() * target.FrameBytes();
    last.Init();
    std::int64_t bytes = 0, count;
    while ((count = last.GetData(buffer.data(), request)) > 0 && bytes < MostBytes) {
        Require(count % target.FrameBytes() == 0, "the chain hands out whole frames");
        bytes += count;
    }
    capped = count > 0;
    last.Flush();
    return bytes / target.FrameBytes();
}

// The writer's run to its end, into memory.
bool Write(TACSInput& last, const Target& target, QBuffer& file)
{
    TWaveOut out;
    std::mutex lock;
    std::condition_variable ended;
    bool done = false, failed = false;
    const auto end = [&](bool withFailure) {
        const std::lock_guard guard(lock);
        done = true;
        failed = withFailure;
        ended.notify_all();
    };
    out.SetOnDone([&](QObject*) { end(false); });
    out.SetOnThreadException([&](QObject*, const std::exception&) { end(true); });
    out.SetWavType(target.Type);
    out.SetStream(&file);
    out.SetInput(&last);
    out.Run();
    std::unique_lock guard(lock);
    ended.wait(guard, [&] { return done; });
    guard.unlock();
    out.SetInput(nullptr);
    return !failed;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    av_log_set_level(AV_LOG_QUIET);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const Target target = TargetOf(data[size - 1]);
    QBuffer source;
    source.setData(reinterpret_cast<const char*>(data), qsizetype(size));
    source.open(QIODevice::ReadOnly);
    TWaveIn in;
    in.SetStream(&source);
    if (!in.GetValid())
        return 0;
    const double ratio = double(target.Format.Rate) / in.GetSR();
    if (ratio > MostRatio)
        return 0;
    const std::int64_t inputFrames = ReaderFrames(in);

    TSampleConverter to16, to8;
    TMSConverter channels;
    TRateConverter rate;
    TACSInput& last = *WireConverters(in, target.Format, to16, channels, rate, to8);
    Require(last.GetBPS() == target.Format.Bits && last.GetCh() == target.Format.Channels &&
                last.GetSR() == target.Format.Rate,
            "the chain announces the target format");
    bool capped = false;
    const std::int64_t frames = PulledFrames(last, target, capped);
    if (capped)
        return 0;
    Require(FramesFit(frames, inputFrames, ratio), "as many frames as the source holds, at the new rate");
    Require(inputFrames == 0 || frames > 0, "a source that holds audio gives audio");

    QBuffer file;
    file.open(QIODevice::ReadWrite);
    Require(Write(last, target, file), "the writer takes what the chain gives");
    file.seek(0);
    TWaveIn back;
    back.SetStream(&file);
    Require(back.GetValid() && back.GetWavType() == target.Type, "the reader takes the written file back");
    Require(back.GetCh() == target.Format.Channels && back.GetSR() == target.Format.Rate &&
                back.GetBPS() == (target.Type == wtPCM ? target.Format.Bits : 16),
            "the file is of the target format");
    const std::int64_t written = back.Size / back.GetCh() / (back.GetBPS() / 8);
    Require(written == frames, "the file holds every frame the chain gave");
    return 0;
}
