#pragma once

#include <string>

namespace tools {

// Where a file system has no unnamed files, the programs write their output under a hidden name beside
// it, ".<name>.<process id>-<attempt>.tmp", and rename it once complete. A program killed before that
// cannot remove it; whoever started the program knows its id and the output, and removes it then.
inline constexpr int kTemporaryNameAttempts = 100;

// target: the output's path, a link already followed.
inline std::string HiddenTemporaryName(const std::string& target, long processId, int attempt)
{
    const std::string::size_type slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    return folder + "." + name + "." + std::to_string(processId) + "-" + std::to_string(attempt) + ".tmp";
}

} // namespace tools
