#include "tools/toolame/toolame_options.h"

#include "tools/common/console.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace toolame {

namespace {

constexpr std::array kLayerTwoBitrates{32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384};

ChannelMode modeOf(const std::string& letter)
{
    if (letter == "s")
        return ChannelMode::Stereo;
    if (letter == "j")
        return ChannelMode::JointStereo;
    if (letter == "d")
        return ChannelMode::DualChannel;
    if (letter == "m")
        return ChannelMode::Mono;
    throw tools::Failure("unknown channel mode \"" + letter + "\" (use s, j, d or m)");
}

// The sampling frequency comes in kHz ("44.1"); MPEG-1 knows three of them.
int sampleRateOf(const std::string& text)
{
    double kHz = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, kHz);
    const long hz = error == std::errc() && stop == end ? std::lrint(kHz * 1000) : 0;
    if (hz != 32000 && hz != 44100 && hz != 48000)
        throw tools::Failure("sampling frequency " + text + " kHz is not allowed (use 32, 44.1 or 48)");
    return static_cast<int>(hz);
}

void readOption(const std::string& option, tools::ArgumentList& arguments, Options& options, bool& downmix)
{
    if (option == "-h" || option == "-?" || option == "-help")
        options.help = true;
    else if (option == "-c")
        options.copyright = true;
    else if (option == "-o")
        options.original = true;
    else if (option == "-e")
        options.errorProtection = true;
    else if (option == "-r")
        options.paddingOff = true;
    else if (option == "-a")
        downmix = true;
    else if (option == "-p")
        options.psychoacousticModel = tools::IntValueOf(arguments, option);
    else if (option == "-m")
        options.mode = modeOf(arguments.ValueOf(option));
    else if (option == "-t")
        options.verbosity = tools::IntValueOf(arguments, option);
    else if (option == "-b")
        options.bitrateKbps = tools::IntValueOf(arguments, option);
    else if (option == "-s")
        options.sampleRateHz = sampleRateOf(arguments.ValueOf(option));
    else
        throw tools::Failure("unknown option " + option);
}

void checkSettings(const Options& options)
{
    if (options.psychoacousticModel < -1 || options.psychoacousticModel > 4)
        throw tools::Failure("psychoacoustic model " + std::to_string(options.psychoacousticModel) +
                             " does not exist (use -1 to 4)");
    if (options.verbosity < 0)
        throw tools::Failure("verbosity cannot be negative");
    if (!BitrateAllowed(options.bitrateKbps, options.mode))
        throw tools::Failure("bit rate " + std::to_string(options.bitrateKbps) +
                             " kbit/s is not allowed for " + ModeName(options.mode));
}

} // namespace

Options ParseArguments(tools::ArgumentList arguments)
{
    Options options;
    bool downmix = false;
    std::vector<std::string> names;
    while (!arguments.AtEnd()) {
        const std::string& token = arguments.Next();
        if (token.size() > 1 && token.front() == '-')
            readOption(token, arguments, options, downmix);
        else
            names.push_back(token);
    }
    if (options.help)
        return options;
    if (downmix)
        options.mode = ChannelMode::Mono;
    if (names.size() != 2)
        throw tools::Failure("expected an input WAV file and an output file");
    options.input = names[0];
    options.output = names[1];
    checkSettings(options);
    return options;
}

bool BitrateAllowed(int kbps, ChannelMode mode)
{
    if (std::find(kLayerTwoBitrates.begin(), kLayerTwoBitrates.end(), kbps) == kLayerTwoBitrates.end())
        return false;
    // Layer II keeps the low rates for one channel and the high ones for two.
    if (mode == ChannelMode::Mono)
        return kbps <= 192;
    return kbps >= 64 && kbps != 80;
}

const char* ModeName(ChannelMode mode)
{
    switch (mode) {
    case ChannelMode::Stereo:
        return "stereo";
    case ChannelMode::JointStereo:
        return "joint stereo";
    case ChannelMode::DualChannel:
        return "dual channel";
    case ChannelMode::Mono:
        return "mono";
    }
    return "";
}

} // namespace toolame
