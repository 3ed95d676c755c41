#pragma once

#include <functional>
#include <string>

namespace quillon {

// Width of a UTF-8 text in the units of the available width (pixels on a screen).
using TextWidth = std::function<int(const std::string&)>;

inline constexpr const char* kEllipsis = "...";

// The longest beginning of text, followed by "...", that fits; the text itself when it
// fits whole. Cuts only between UTF-8 characters.
std::string ElideEnd(const std::string& text, int available, const TextWidth& width);

// Shortens in the middle of a path: keeps as much as fits of the beginning, then "...",
// then the last part from the last '/' on (the file name). When even "..." and the last
// part do not fit, the last part is itself shortened at its end.
std::string ElidePath(const std::string& text, int available, const TextWidth& width);

} // namespace quillon
