#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// One track of a release's medium, its texts whole (any script, UTF-8).
struct ReleaseTrack
{
    std::string title;
    std::string artist; // the track's artist credit, join phrases included
};

// A release the web service offers for a disc, with the medium that is the disc.
struct ReleaseChoice
{
    std::string id; // the release's MusicBrainz id (the Cover Art Archive's key)
    std::string title;
    std::string artist; // the release's artist credit: the album artist
    std::string date;   // as given: "1970", "1970-01" or "1970-01-26"
    std::string country;
    std::string label;
    std::string format; // of the chosen medium ("CD", "Enhanced CD")
    int mediumPosition = 1;
    int mediumCount = 1;
    int trackCount = 0;              // of the chosen medium
    std::vector<std::string> genres; // the release's genres and tags, most votes first
    std::vector<ReleaseTrack> tracks;
    bool frontCover = true; // false when the answer says the archive has no front cover

    // The first four characters of the date when they are digits, else "".
    std::string Year() const;
};

// "Artist – Title (year, country, label, format, n tracks)", leaving out what is unknown;
// a medium of several is named ("CD 2/3").
std::string ReleaseLine(const ReleaseChoice& release);

// The releases of a disc-id answer (fmt=json) in the order given, each with the medium whose
// disc id is `discId`, else (a fuzzy TOC answer) the first medium with `audioTracks`
// tracks, else its first medium. False with `problem` set when the text is not such an
// answer; an answer without releases is read (none found).
bool ParseDiscAnswer(std::string_view text, const std::string& discId, int audioTracks,
                     std::vector<ReleaseChoice>& releases, std::string& problem);

} // namespace quillon
