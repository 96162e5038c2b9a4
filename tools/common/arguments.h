#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tools {

// The command line, read one token at a time. Options and names come as separate tokens.
class ArgumentList {
public:
    ArgumentList(int argc, const char* const* argv);

    bool AtEnd() const { return next_ >= tokens_.size(); }
    const std::string& Next() { return tokens_[next_++]; }
    // The token after an option; throws Failure when the option is the last token.
    const std::string& ValueOf(const std::string& option);

private:
    std::vector<std::string> tokens_;
    std::size_t next_ = 0;
};

// A whole decimal number; nothing else may follow it.
std::optional<int> ParseInt(std::string_view text);
// ParseInt, or a Failure that names the option.
int IntValueOf(ArgumentList& arguments, const std::string& option);

} // namespace tools
