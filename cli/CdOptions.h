#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quillon::cli {

// Options of the CD commands.
struct CdOptions
{
    std::optional<int> drive;          // the stored default CD drive when not given
    std::string tracks;                // "1,3-5"
    std::string outputDir = ".";       // the current folder
    std::optional<int> release;        // lookup: the release's number in the list, from 1
    bool save = false;                 // lookup: store the release's texts and cover
    std::optional<int> readCorrection; // grab's read offset correction, in samples
    bool secure = false;               // grab: read every sector until its reads agree
    bool accurateRip = true;           // grab: check the tracks against the AccurateRip database
};

// Parses the words after the command; false with `error` set on a bad word.
bool ParseCdOptions(int argc, char** argv, CdOptions& options, std::string& error);

// The option words ParseCdOptions knows, from its table.
std::vector<std::string> CdOptionWords();

// "1,3-5" to 0-based track indices in the order given, each at most once; false with
// `error` set on a malformed list or a track the disc does not have.
bool ParseTrackList(const std::string& text, int trackCount, std::vector<int>& tracks, std::string& error);

} // namespace quillon::cli
