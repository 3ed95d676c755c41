#pragma once

#include <string_view>

namespace quillon {

// The first line of `text` without its '\n', with `text` moved past it; the drive list
// and the CUE sheet are read a line at a time.
inline std::string_view TakeLine(std::string_view& text)
{
    const auto end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    return line;
}

} // namespace quillon
