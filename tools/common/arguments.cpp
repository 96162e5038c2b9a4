#include "tools/common/arguments.h"

#include "tools/common/console.h"

#include <charconv>

namespace tools {

ArgumentList::ArgumentList(int argc, const char* const* argv)
{
    for (int i = 1; i < argc; ++i)
        tokens_.emplace_back(argv[i]);
}

const std::string& ArgumentList::ValueOf(const std::string& option)
{
    if (AtEnd())
        throw Failure("option " + option + " needs a value");
    return Next();
}

std::optional<int> ParseInt(std::string_view text)
{
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

int IntValueOf(ArgumentList& arguments, const std::string& option)
{
    const std::string& text = arguments.ValueOf(option);
    const std::optional<int> value = ParseInt(text);
    if (!value)
        throw Failure("option " + option + " needs a whole number, not \"" + text + "\"");
    return *value;
}

} // namespace tools
