#include "tools/mplex/mplex_options.h"

#include "tools/common/console.h"
#include "tools/mplex/vcd_stream.h"

#include <optional>
#include <vector>

namespace mplex {

namespace {

// The pack header field has 22 bits.
constexpr int kLargestRateKbps = ((1 << 22) - 1) * 400 / 1000;

struct Settings {
    int format = 1;
    std::optional<int> rateKbps;
};

void readOption(const std::string& option, tools::ArgumentList& arguments, Options& options,
                Settings& settings)
{
    if (option == "-?")
        options.version = true;
    else if (option == "-help")
        options.help = true;
    else if (option == "-vbr" || option == "-V" || option == "-h")
        return; // Audio alone always goes at a variable rate, with the one system header it needs.
    else if (option == "-f")
        settings.format = tools::IntValueOf(arguments, option);
    else if (option == "-r")
        settings.rateKbps = tools::IntValueOf(arguments, option);
    else if (option == "-o")
        options.output = arguments.ValueOf(option);
    else
        throw tools::Failure("unknown option " + option);
}

int muxRateOf(const Settings& settings)
{
    if (settings.format != 1 && settings.format != 2)
        throw tools::Failure("format " + std::to_string(settings.format) +
                             " is not supported (use -f 1 or -f 2 for Video CD)");
    if (settings.format == 1 || !settings.rateKbps)
        return kVideoCdMuxRate;
    const int kbps = *settings.rateKbps;
    if (kbps <= 0 || kbps > kLargestRateKbps)
        throw tools::Failure("mux rate " + std::to_string(kbps) + " kbit/s is out of range");
    return (kbps * 1000 + 399) / 400;
}

} // namespace

Options ParseArguments(tools::ArgumentList arguments)
{
    Options options;
    Settings settings;
    std::vector<std::string> inputs;
    while (!arguments.AtEnd()) {
        const std::string& token = arguments.Next();
        if (token.size() > 1 && token.front() == '-')
            readOption(token, arguments, options, settings);
        else
            inputs.push_back(token);
    }
    if (options.help || options.version)
        return options;
    if (options.output.empty())
        throw tools::Failure("no output file: use -o <file>");
    if (inputs.size() != 1)
        throw tools::Failure("expected exactly one MPEG audio input file");
    options.input = inputs.front();
    options.muxRate = muxRateOf(settings);
    return options;
}

} // namespace mplex
