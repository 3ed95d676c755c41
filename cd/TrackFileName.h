#pragma once

#include <string>
#include <string_view>

namespace quillon {

// The one file-name component a track title gives (the file is this plus ".WAV", ".mp3"
// and the like, inside the chosen folder). A title is typed or read from a disc text file,
// so it must not reach another folder: "/" and control characters become "_", leading
// blanks and dots are dropped (no hidden file, no ".."). "" when nothing usable is left
// (a title of only dots or blanks): such a title is refused. The tag and the disc text
// keep the title as typed.
std::string TrackFileName(std::string_view title);

// The refusal of such a title.
std::string TrackNameNotAFileName(std::string_view title);

} // namespace quillon
