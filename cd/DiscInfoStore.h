#pragma once

#include "cd/CdDrive.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillon {

// The 128-byte tag record of a track: kept per disc and appended to MPEG files made
// from CD tracks.
struct TrackInfo
{
    char tag[3];
    char title[30];
    char artist[30];
    char album[30];
    char year[4];
    char comment[30];
    uint8_t genre;
};
static_assert(sizeof(TrackInfo) == 128, "the tag record is 128 bytes");

// Puts a UTF-8 text into a fixed field: in Latin-1 when what fits is Latin-1, else in
// UTF-8; a text that fills the field has no terminator, a longer one is cut between
// characters; bytes after a shorter text's terminator keep what they held.
void PutTrackInfoField(char* field, size_t width, std::string_view text);
// The text of a field in UTF-8: up to its terminator or its width; a field that is not
// UTF-8 (Latin-1, as the tag and earlier records hold) is read as Windows-1252, and a
// character an earlier cut left in half is dropped.
std::string TrackInfoField(const char* field, size_t width);

// Marker "TAG" and the title, as the grabber stores a row's name.
void SetTrackInfoTitle(TrackInfo& info, std::string_view title);
// Title, artist, album, year, comment in that order, then the genre byte.
void SetTrackInfo(TrackInfo& info, std::string_view title, std::string_view artist, std::string_view album,
                  std::string_view year, std::string_view comment, uint8_t genre);

// Identifier of a disc from its tracks' whole-second lengths: (id + k × seconds) × 2
// for k = 1..n, in unsigned 32-bit arithmetic.
uint32_t DiscIdentifierStep(uint32_t id, uint32_t trackNumber, uint32_t seconds);

// Per-disc texts of the tracks, in memory for every slot of the drive table × 100 tracks
// and on disk as "cddata/%08x.cdd". Discs of more than 100 tracks are not kept: nothing
// is stored or read for them.
class DiscInfoStore
{
public:
    // Every drive that detection can fill behaves as the first: a smaller table once left
    // the last two drives without texts.
    static constexpr int kDrives = kDriveSlots;
    static constexpr int kTracks = 100;

    DiscInfoStore() { Clear(); }

    void Clear();
    // The record of a track, or null outside the table.
    TrackInfo* Record(int driveIndex, int track);
    const TrackInfo* Record(int driveIndex, int track) const;

    // Writes the drive's first N records (N = its track count); false when nothing was
    // written (identifier 0, a drive or disc the table does not keep, file not created).
    bool SaveDiscInfo(int driveIndex, const CdDrive& drive) const;
    // Reads the disc's records. When the file cannot be opened the drive's records are
    // cleared and filled from the text the disc itself offers (an image's CUE sheet),
    // if any; false when there is none.
    bool LoadDiscInfo(int driveIndex, const CdDrive& drive);

    // "cddata/%08x.cdd" relative to `baseDir` (the current directory when empty).
    std::string DiscFilePath(uint32_t discId) const;
    std::string baseDir;

private:
    std::array<std::array<TrackInfo, kTracks>, kDrives> records_;
    bool Keeps(int driveIndex, const CdDrive& drive) const;
    bool LoadOfferedText(int driveIndex, const CdDrive& drive);
};

} // namespace quillon
