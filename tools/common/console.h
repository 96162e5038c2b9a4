#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

// What the two programs print and how they fail. Every line goes out at once on stderr (unbuffered),
// because the caller reads our output through a pipe while we work.
namespace tools {

// A failure that ends the program with a "**ERROR:" line and exit code 1.
class Failure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

void Say(std::string_view line);
void Info(std::string_view message);
void Warn(std::string_view message);
void Error(std::string_view message);

// The system's text for errno, for messages about files.
std::string SystemError(int error);

} // namespace tools
