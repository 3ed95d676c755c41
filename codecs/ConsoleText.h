#pragma once

#include <string>
#include <string_view>

namespace quillon {

// Makes text safe for the codec's standard output: Quillon reads that pipe as text where
// 0xFF stops its reader and 0x1A ends the stream, so those bytes and every other control
// character (line breaks included) become '?'.
std::string SanitizeConsoleText(std::string_view text);

// The file name part of a path, shortened to at most maxBytes bytes ("..." and the tail)
// without splitting a UTF-8 character, for lines that should stay short.
std::string ShortFileName(std::string_view path, size_t maxBytes = 48);

// Writes one sanitized line and a line feed to standard output. A failed write (Quillon
// has closed the pipe) is ignored and later lines are dropped: the work goes on.
void PrintLine(std::string_view text);

// Minutes and seconds of audio, "1:05.3".
std::string FormatAudioTime(double seconds);

} // namespace quillon
