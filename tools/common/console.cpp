#include "tools/common/console.h"

#include <cstdio>
#include <cstring>

namespace tools {

void Say(std::string_view line)
{
    // One write per line, so lines never interleave with anything else on the pipe.
    std::string text(line);
    text += '\n';
    std::fwrite(text.data(), 1, text.size(), stderr);
}

void Info(std::string_view message)
{
    Say(std::string("INFO: ").append(message));
}

void Warn(std::string_view message)
{
    Say(std::string("++ WARN: ").append(message));
}

void Error(std::string_view message)
{
    Say(std::string("**ERROR: ").append(message));
}

std::string SystemError(int error)
{
    return std::strerror(error);
}

} // namespace tools
