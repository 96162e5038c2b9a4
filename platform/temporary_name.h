#pragma once

// Plain C++ with no Qt: the encoder and multiplexer programs use it too.

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <string>

namespace plat {

// Where a file system has no unnamed files, the programs write their output under a hidden name beside
// it, ".<name>.<process id>-<attempt>.tmp", and rename it once complete. A program killed before that
// cannot remove it; whoever started the program knows its id and the output, and removes it then.
inline constexpr int kTemporaryNameAttempts = 100;

// The longest name, in bytes, that the folder ("" for the current one) takes.
inline std::size_t NameLimit(const std::string& folder)
{
    const long limit = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    return limit > 0 ? static_cast<std::size_t>(limit) : NAME_MAX;
}

// The longest start of the name, in bytes, that leaves room for extra bytes beside it in a name of that
// folder, never cut in the middle of a UTF-8 character.
inline std::string NameStartThatFits(const std::string& folder, const std::string& name, std::size_t extra)
{
    const std::size_t pathRoom = folder.size() < PATH_MAX ? PATH_MAX - 1 - folder.size() : 0;
    const std::size_t room = std::min(NameLimit(folder), pathRoom);
    std::size_t kept = std::min(name.size(), room > extra ? room - extra : 0);
    while (kept > 0 && kept < name.size() && (static_cast<unsigned char>(name[kept]) & 0xC0) == 0x80)
        --kept;
    return name.substr(0, kept);
}

// A hidden name beside the target, ".<name><suffix>", its name cut short where the whole would pass what
// the file system takes; the suffix keeps it unique all the same.
inline std::string HiddenNameBeside(const std::string& target, const std::string& suffix)
{
    const std::string::size_type slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    return folder + "." + NameStartThatFits(folder, name, suffix.size() + 1) + suffix;
}

// target: the output's path, a link already followed.
inline std::string HiddenTemporaryName(const std::string& target, long processId, int attempt)
{
    // Appended piece by piece: g++ 12 at -O3 warns wrongly on "." + a temporary string.
    std::string suffix(1, '.');
    suffix += std::to_string(processId);
    suffix += '-';
    suffix += std::to_string(attempt);
    suffix += ".tmp";
    return HiddenNameBeside(target, suffix);
}

// True when the path is one of the hidden names a program gives the target's data before it is complete,
// whatever its process id and attempt.
inline bool IsHiddenTemporaryNameOf(const std::string& path, const std::string& target)
{
    const std::string end = ".tmp";
    if (path.size() <= end.size() || path.compare(path.size() - end.size(), end.size(), end) != 0)
        return false;
    const std::string::size_type dash = path.rfind('-');
    const std::string::size_type dot = dash == std::string::npos ? dash : path.rfind('.', dash);
    if (dot == std::string::npos)
        return false;
    const std::string processId = path.substr(dot + 1, dash - dot - 1);
    const std::string attempt = path.substr(dash + 1, path.size() - end.size() - dash - 1);
    const auto isNumber = [](const std::string& text) {
        return !text.empty() && text.size() < 10 &&
               std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    return isNumber(processId) && isNumber(attempt) &&
           HiddenTemporaryName(target, std::stol(processId), std::stoi(attempt)) == path;
}

} // namespace plat
