#pragma once

#include "cd/CdDrive.h"

#include <string>
#include <vector>

namespace quillon {

// The track list as the grabber shows it: one row per track of the loaded disc, its
// columns in this order.
enum class TrackColumn { Name, Number, Length, Size, Type, Artist, Genre };
constexpr int kTrackListColumns = 7;
extern const char* const kTrackListHeaders[kTrackListColumns];

struct TrackRow
{
    std::string name;   // "Track Name"
    std::string number; // "Track No."
    std::string length; // "  Length  ", mm:ss
    std::string size;   // "   Size   ", "%.1f MB"
    std::string type;   // "Track Type": Audio, ROM or Unknown
    std::string artist; // " Artist Name "
    std::string genre;  // "Music Genre"
};

// The text a row shows in a column.
const std::string& TrackRowText(const TrackRow& row, TrackColumn column);

// "Audio" for ADR/control 0x10, "ROM" for 0x14, "Unknown" otherwise.
const char* TrackTypeText(uint8_t adrControl);
// True for an audio track (control bit 2 clear); a data track must never be grabbed as audio.
bool IsAudioTrack(const TrackRecord& track);
// The sectors of audio a grab reads of the drive's track `index`: its TOC length,
// but for the last audio track before a data session (an enhanced CD), which ends 11400
// sectors (the session gap) before the data track; no drive reads audio in the gap.
uint32_t AudioSectorsToGrab(const CdDrive& drive, int index);
// "Track%02d" of the 0-based track index.
std::string DefaultTrackName(int index);
// "%<width>.1f" with a decimal point whatever the user's locale.
std::string FixedOneDecimal(double value, int width = 0);
// "%d MBytes" of the whole disc.
std::string DiscSizeText(int32_t totalSectors);

// Rows for every track of the drive; `names` gives the stored names (missing or empty
// entries take the default name).
std::vector<TrackRow> BuildTrackRows(const CdDrive& drive, const std::vector<std::string>& names);

struct SelectionTotals
{
    int count = 0;
    uint32_t sectors = 0;
    uint32_t seconds = 0;
    std::string tracksText; // "%d Track(s) "
    std::string sizeText;   // "%.1f MB "
    std::string timeText;   // "%02d:%02d:%02d "
};

// Totals over the ticked rows (row i is track i).
SelectionTotals UpdateSelectionTotals(const CdDrive& drive, const std::vector<bool>& ticked);

} // namespace quillon
