#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// The texts of a track the grabber edits, in the order of the tag record.
enum class TrackField { Title, Artist, Album, Year, Comment };
constexpr size_t kTrackFields = 5;

// A track's texts whole, in UTF-8, as typed or read: the 128-byte record beside them keeps
// only what fits.
struct TrackTexts
{
    std::array<std::string, kTrackFields> fields;

    std::string& operator[](TrackField f) { return fields[static_cast<size_t>(f)]; }
    const std::string& operator[](TrackField f) const { return fields[static_cast<size_t>(f)]; }
};

// The longest text a field keeps, in characters.
constexpr size_t kMaxTrackTextLength = 255;

// The whole texts of a disc, stored beside its record file as "cddata/%08x.txt". UTF-8
// lines: the first is kDiscTextHeader; then one line per field of a track:
//     <track position from 1> <field name> <text>
// with the field names title, artist, album, year, comment, and in the text a backslash
// written as "\\", a line feed as "\n" and a carriage return as "\r", so that any text
// keeps to its line. Unknown lines are skipped, so later versions may add some.
extern const char* const kDiscTextHeader;

std::string FormatDiscTexts(const std::vector<TrackTexts>& tracks);

// The texts of the first `tracks` positions; a field the file does not hold is empty, a
// text longer than kMaxTrackTextLength characters is cut between characters. False when
// the first line is not kDiscTextHeader.
bool ParseDiscTexts(std::string_view file, size_t tracks, std::vector<TrackTexts>& texts);

} // namespace quillon
