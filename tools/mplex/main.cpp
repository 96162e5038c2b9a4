// mplex: multiplexes an MPEG-1 Layer II audio file into a Video CD program stream.

#include "tools/common/console.h"
#include "tools/common/files.h"
#include "tools/mplex/mpeg_audio_frame.h"
#include "tools/mplex/mplex_options.h"
#include "tools/mplex/multiplexer.h"
#include "tools/mplex/vcd_stream.h"

#include <exception>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

void info(const std::string& message)
{
    tools::Info("[mplex] " + message);
}

void warn(const std::string& message)
{
    tools::Warn("[mplex] " + message);
}

void error(const std::string& message)
{
    tools::Error("[mplex] " + message);
}

void printUsage()
{
    tools::Say("usage: mplex [options] -o <output.mpg> <audio.mp2>");
    tools::Say("  -f 1        Video CD at the standard mux rate");
    tools::Say("  -f 2        Video CD at the mux rate of -r");
    tools::Say("  -r kbit/s   mux rate for -f 2");
    tools::Say("  -vbr, -V    variable bit rate (always the case for audio alone)");
    tools::Say("  -h          accepted for compatibility");
    tools::Say("  -o file     output program stream");
    tools::Say("  -?          version");
    tools::Say("  -help       this help");
}

// One line however damaged the file is: the log is read by people.
void warnSkipped(const std::vector<mplex::FrameRun>& skipped)
{
    if (skipped.empty())
        return;
    std::int64_t bytes = 0;
    for (const mplex::FrameRun& stretch : skipped)
        bytes += stretch.bytes;
    warn(std::to_string(bytes) + " damaged bytes skipped in " + std::to_string(skipped.size()) +
         (skipped.size() == 1 ? " place" : " places") + ", the first at byte " +
         std::to_string(skipped.front().offset));
}

mplex::AudioStreamScan scanInput(std::FILE* input, const std::string& name)
{
    info("Scanning for header info: Audio stream c0 (" + name + ")");
    const std::optional<mplex::AudioStreamScan> scan = mplex::ScanLayerTwoStream(input);
    if (!scan)
        throw tools::Failure(name + ": not MPEG-1 Layer II audio");
    const mplex::MpegAudioHeader& first = scan->first;
    info("MPEG-1 Layer II audio, " + std::to_string(first.bitrateKbps) + " kbit/s, " +
         std::to_string(first.sampleRate) + " Hz, " + mplex::ModeName(first.mode) + ", " +
         std::to_string(scan->frameBytes.size()) + " frames");
    warnSkipped(scan->skipped);
    if (scan->ignoredBytes > 0)
        warn(std::to_string(scan->ignoredBytes) + " bytes after the last whole audio frame are left out");
    return std::move(*scan);
}

void writeStream(const mplex::Options& options, std::FILE* input, const mplex::AudioStreamScan& scan,
                 tools::OutputFile& output)
{
    info("New sequence commences...");
    const mplex::MuxPlan plan =
        mplex::WriteProgramStream(input, options.input, scan, options.muxRate, output);
    info("Multiplex completion at SCR=" + std::to_string(plan.endScr) + ".");
    info("Audio c0: " + std::to_string(scan.audioBytes) + " bytes in " +
         std::to_string(plan.packets.size() + 2) + " sectors of " + std::to_string(mplex::kSectorBytes) +
         " bytes");
    if (plan.underRuns == 0)
        info("MUX STATUS: no under-runs detected.");
    else
        warn("MUX STATUS: " + std::to_string(plan.underRuns) +
             " audio frames arrive late: the mux rate is too low");
}

void multiplex(const mplex::Options& options)
{
    const tools::InputFile input = tools::OpenInput(options.input);
    // An output that cannot be written is refused before the input is read.
    tools::OutputFile output(options.output, options.input);
    const mplex::AudioStreamScan scan = scanInput(input.get(), options.input);
    writeStream(options, input.get(), scan, output);
}

} // namespace

int main(int argc, char** argv)
{
    mplex::Options options;
    try {
        options = mplex::ParseArguments(tools::ArgumentList(argc, argv));
    } catch (const tools::Failure& failure) {
        error(failure.what());
        printUsage();
        return 1;
    }
    if (options.version || options.help) {
        tools::Say(std::string("mjpegtools mplex version ") + mplex::kVersion);
        printUsage();
        return 0;
    }
    try {
        multiplex(options);
        return 0;
    } catch (const std::exception& failure) {
        error(failure.what());
        return 1;
    }
}
