#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// What a CUE sheet says, before any file it names is opened. Positions are in frames
// (1/75 s) from the start of the index's own file.
enum class CueTrackMode {
    Audio,
    Mode1Raw,    // MODE1/2352
    Mode1Cooked, // MODE1/2048: user data only in the file
    Mode2Raw,    // MODE2/2352
};

struct CueFile
{
    std::string name;
    bool wave = false; // WAVE; BINARY otherwise
    int line = 0;
};

struct CueIndex
{
    int number = 0;
    uint32_t frames = 0;
    int file = 0; // into CueSheet::files
    int line = 0;
};

struct CueTrack
{
    int number = 0;
    int line = 0;
    CueTrackMode mode = CueTrackMode::Audio;
    uint32_t pregap = 0;           // PREGAP: silence not held by the file
    uint32_t postgap = 0;          // POSTGAP
    std::vector<CueIndex> indexes; // in sheet order, numbers rising
    std::string title;
    std::string isrc; // ISRC, as written
};

struct CueSheet
{
    std::vector<CueFile> files;
    std::vector<CueTrack> tracks;
    // The texts (and the tracks' titles) in UTF-8: a sheet whose bytes are not UTF-8 is
    // read as Windows-1252.
    std::string title;     // disc TITLE
    std::string performer; // disc PERFORMER
    std::string date;      // REM DATE
    std::string genre;     // REM GENRE
    std::string catalog;   // CATALOG, as written
    int lineCount = 0;
};

// Reads a sheet held in memory (no file is touched, so any buffer may be fed to it).
// On refusal `error` is "line N: reason" and false is returned.
bool ParseCueSheet(std::string_view text, CueSheet& sheet, std::string& error);

} // namespace quillon
