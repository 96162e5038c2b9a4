// toolame: encodes a 16-bit PCM WAV file into MPEG-1 Layer II audio with libtwolame.

#include "platform/encoder_banner.h"
#include "tools/common/console.h"
#include "tools/common/files.h"
#include "tools/toolame/toolame_options.h"
#include "tools/toolame/twolame_encoder.h"
#include "tools/toolame/wav_input.h"

#include <exception>
#include <string>

namespace {

void printBanner()
{
    tools::Say(std::string("tooLAME version ") + plat::kEncoderVersion + " (" + plat::kEncoderHomePage + ")");
    tools::Say("MPEG Audio Layer II encoder");
}

void printUsage()
{
    tools::Say("usage: toolame [options] <input.wav> <output.mp2>");
    tools::Say("  -m s|j|d|m  channel mode: stereo, joint stereo, dual channel or mono");
    tools::Say("  -a          mix the input down to mono");
    tools::Say("  -b kbit/s   bit rate, 32 to 384");
    tools::Say("  -s kHz      sampling frequency expected: 32, 44.1 or 48");
    tools::Say("  -p n        psychoacoustic model, -1 to 4");
    tools::Say("  -r          no padding slot in any frame");
    tools::Say("  -e          error protection (CRC)");
    tools::Say("  -c          copyright flag");
    tools::Say("  -o          original flag");
    tools::Say("  -t n        0 hides the frame counter");
    tools::Say("  -h          this help (also -? and -help)");
}

std::string progressLine(std::int64_t frames)
{
    std::string line(1, '[');
    return line.append(std::to_string(frames)).append(1, ']');
}

toolame::WavFormat readFormat(std::FILE* input, const std::string& name)
{
    toolame::WavFormat format;
    try {
        format = toolame::ReadWavHeader(input);
    } catch (const tools::Failure& failure) {
        throw tools::Failure(name + ": " + failure.what());
    }
    const std::string reason = toolame::UnsupportedReason(format);
    if (!reason.empty())
        throw tools::Failure(name + ": " + reason);
    return format;
}

void encode(const toolame::Options& options)
{
    const tools::InputFile input = tools::OpenInput(options.input);
    const toolame::WavFormat format = readFormat(input.get(), options.input);
    // We cannot resample: the WAV file's own frequency is what gets encoded.
    if (format.sampleRate != options.sampleRateHz)
        tools::Warn("the WAV file holds " + std::to_string(format.sampleRate) + " Hz audio, not " +
                    std::to_string(options.sampleRateHz) + " Hz: encoding at " +
                    std::to_string(format.sampleRate) + " Hz");
    if (format.dataSize > format.bytesInFile)
        tools::Warn("the WAV file ends before the size its header gives");
    tools::OutputFile output(options.output, options.input);
    tools::Info("Input file '" + options.input + "': " + std::to_string(format.sampleRate) + " Hz, " +
                std::to_string(format.channels) + (format.channels == 1 ? " channel" : " channels"));
    tools::Info("Output file '" + options.output + "': " + std::to_string(options.bitrateKbps) +
                " kbit/s MPEG-1 Layer II " + toolame::ModeName(options.mode) + ", psychoacoustic model " +
                std::to_string(options.psychoacousticModel));
    tools::Info(std::string("CRC ") + (options.errorProtection ? "on" : "off") + ", copyright " +
                (options.copyright ? "on" : "off") + ", original " + (options.original ? "on" : "off") +
                ", padding " + (options.paddingOff ? "off" : "on"));

    const auto progress = [&options](std::int64_t frames) {
        if (options.verbosity > 0)
            tools::Say(progressLine(frames));
    };
    const toolame::EncodeResult result = toolame::EncodeWav(options, format, input.get(), output, progress);
    output.Commit();
    tools::Info(std::to_string(result.frames) + " frames written (" + std::to_string(result.bytes) +
                " bytes)");
}

} // namespace

int main(int argc, char** argv)
{
    toolame::Options options;
    try {
        options = toolame::ParseArguments(tools::ArgumentList(argc, argv));
    } catch (const tools::Failure& failure) {
        tools::Error(failure.what());
        printUsage();
        return 1;
    }
    printBanner();
    if (options.help) {
        printUsage();
        return 0;
    }
    try {
        encode(options);
        return 0;
    } catch (const std::exception& failure) {
        tools::Error(failure.what());
        return 1;
    }
}
