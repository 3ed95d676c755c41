#include "cd/TrackList.h"

#include <charconv>
#include <cstdio>

namespace quillon {

const char* const kTrackListHeaders[kTrackListColumns] = {
    "Track Name", "Track No.", "  Length  ", "   Size   ", "Track Type", " Artist Name ", "Music Genre",
};

namespace {

template <typename... Args>
std::string Format(const char* format, Args... args)
{
    char text[64];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

} // namespace

const std::string& TrackRowText(const TrackRow& row, TrackColumn column)
{
    switch (column) {
    case TrackColumn::Name: return row.name;
    case TrackColumn::Number: return row.number;
    case TrackColumn::Length: return row.length;
    case TrackColumn::Size: return row.size;
    case TrackColumn::Type: return row.type;
    case TrackColumn::Artist: return row.artist;
    case TrackColumn::Genre: break;
    }
    return row.genre;
}

std::string FixedOneDecimal(double value, int width)
{
    // printf's "%.1f" follows LC_NUMERIC, which the window toolkit takes from the user's
    // environment; these texts keep their decimal point everywhere.
    char digits[64];
    const auto end = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 1).ptr;
    std::string text(digits, end);
    if (static_cast<int>(text.size()) < width)
        text.insert(0, static_cast<size_t>(width) - text.size(), ' ');
    return text;
}

bool IsAudioTrack(const TrackRecord& track)
{
    return (track.entry.adrControl & 0x04) == 0;
}

uint32_t AudioSectorsToGrab(const CdDrive& drive, int index)
{
    // Lead-out, lead-in and pre-gap between an enhanced CD's audio session and its data session.
    constexpr uint32_t kSessionGap = 11400;
    if (index < 0 || index >= drive.trackCount)
        return 0;
    const TrackRecord& track = drive.tracks[static_cast<size_t>(index)];
    if (index + 1 >= drive.trackCount || !IsAudioTrack(track) ||
        IsAudioTrack(drive.tracks[static_cast<size_t>(index) + 1]))
        return track.sectors;
    // A data track too close for a gap (an image that leaves it out) ends the audio there.
    return track.sectors > kSessionGap ? track.sectors - kSessionGap : track.sectors;
}

const char* TrackTypeText(uint8_t adrControl)
{
    if (adrControl == 0x10)
        return "Audio";
    if (adrControl == 0x14)
        return "ROM";
    return "Unknown";
}

std::string DefaultTrackName(int index)
{
    return Format("Track%02d", index + 1);
}

std::string DiscSizeText(int32_t totalSectors)
{
    return Format("%d MBytes", totalSectors / 1024 * 2352 / 1024);
}

std::vector<TrackRow> BuildTrackRows(const CdDrive& drive, const std::vector<std::string>& names)
{
    std::vector<TrackRow> rows;
    for (int g = 0; g < drive.trackCount; ++g) {
        const TrackRecord& t = drive.tracks[g];
        TrackRow row;
        row.name = g < static_cast<int>(names.size()) && !names[g].empty() ? names[g] : DefaultTrackName(g);
        row.number = Format("%d", g + 1);
        row.length = Format("%02d:%02d", static_cast<int>(t.seconds / 60), static_cast<int>(t.seconds % 60));
        row.size = FixedOneDecimal(static_cast<double>(t.sectors) * 2352.0 / 1048576.0) + " MB";
        row.type = TrackTypeText(t.entry.adrControl);
        rows.push_back(std::move(row));
    }
    return rows;
}

SelectionTotals UpdateSelectionTotals(const CdDrive& drive, const std::vector<bool>& ticked)
{
    SelectionTotals totals;
    for (size_t i = 0; i < ticked.size() && i < static_cast<size_t>(drive.trackCount); ++i) {
        if (!ticked[i])
            continue;
        ++totals.count;
        totals.sectors += drive.tracks[i].sectors;
        totals.seconds += drive.tracks[i].seconds;
    }
    totals.tracksText = Format("%d Track(s) ", totals.count);
    totals.sizeText = FixedOneDecimal(static_cast<double>(totals.sectors) * 2352.0 / 1048576.0) + " MB ";
    totals.timeText = Format("%02d:%02d:%02d ", static_cast<int>(totals.seconds / 3600),
                             static_cast<int>(totals.seconds / 60 % 60), static_cast<int>(totals.seconds % 60));
    return totals;
}

} // namespace quillon
