#pragma once

#include <string>
#include <string_view>

namespace quillon::cli {

// A stored or foreign text (a track title, a codec program's line, a file name) made safe
// to print: control characters, which could move the cursor, ring the bell or start an
// escape sequence on the user's terminal, are shown as "\n", "\r", "\t" or "\xHH", and the
// C1 controls of UTF-8 (U+0080 to U+009F) as "\u00HH". Everything else stays as it is.
std::string TerminalText(std::string_view text);

} // namespace quillon::cli
