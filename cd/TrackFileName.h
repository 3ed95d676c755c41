#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillon {

constexpr size_t kMaxTrackFileNameBytes = 200;

// The one file-name component a track title gives (the file is this plus ".WAV", ".mp3"
// and the like, inside the chosen folder). A title is typed or read from a disc text file,
// so it must not reach another folder: "/" and control characters become "_", leading
// blanks and dots are dropped (no hidden file, no ".."). The name is always UTF-8: a
// title that is not is read as Windows-1252, and a character cut in half at its end is
// dropped. A name is cut between characters at kMaxTrackFileNameBytes, leaving room in a
// folder entry of 255 bytes for the extension and the hidden name of a file being
// written. "" when nothing usable is left
// (a title of only dots or blanks): such a title is refused. The tag and the disc text
// keep the title as typed.
std::string TrackFileName(std::string_view title);

// The refusal of such a title.
std::string TrackNameNotAFileName(std::string_view title);

struct NamedTrack
{
    int number = 0; // the track's number on the disc
    std::string title;
};

// Two tracks whose titles give one file name would write one file and lose a track, so
// such a choice is refused before anything is read: the refusal naming the first two,
// or "" when every track has a file of its own.
std::string TrackNameClash(const std::vector<NamedTrack>& tracks);

} // namespace quillon
