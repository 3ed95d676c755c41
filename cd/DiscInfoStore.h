#pragma once

#include "cd/CdDrive.h"
#include "cd/DiscTextFile.h"
#include "formats/TrackTags.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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

// Puts a text into a fixed field as the tag holds it: its first `width` bytes in Latin-1,
// each character Latin-1 lacks as "?"; a text that fills the field has no terminator;
// bytes after a shorter text's terminator keep what they held. A text that is not UTF-8
// is read as Windows-1252.
void PutTrackInfoField(char* field, size_t width, std::string_view text);
// The text of a field in UTF-8: up to its terminator or its width; a field that is not
// UTF-8 (Latin-1, as the tag holds it) is read as Windows-1252, and a character an
// earlier version's cut left in half is dropped (earlier versions stored UTF-8 there).
std::string TrackInfoField(const char* field, size_t width);

// The field of a record that keeps a text's first bytes, and its width.
char* RecordField(TrackInfo& info, TrackField field, size_t& width);

// Sets a field's whole text (cut at kMaxTrackTextLength characters) and the record's
// field from it.
void SetTrackText(TrackInfo& info, TrackTexts& texts, TrackField field, std::string_view text);
// A field's text: the whole text while the record still holds its first bytes, else the
// record's own (a record set alone, or a disc an earlier version stored or changed).
std::string TrackText(const TrackInfo& info, const TrackTexts& texts, TrackField field);

// Marker "TAG" and the title, as the grabber stores a row's name.
void SetTrackInfoTitle(TrackInfo& info, std::string_view title);
void SetTrackInfoTitle(TrackInfo& info, TrackTexts& texts, std::string_view title);
// Title, artist, album, year, comment in that order, then the genre byte.
void SetTrackInfo(TrackInfo& info, std::string_view title, std::string_view artist, std::string_view album,
                  std::string_view year, std::string_view comment, uint8_t genre);
void SetTrackInfo(TrackInfo& info, TrackTexts& texts, std::string_view title, std::string_view artist,
                  std::string_view album, std::string_view year, std::string_view comment, uint8_t genre);

// Identifier of a disc from its tracks' whole-second lengths: (id + k × seconds) × 2
// for k = 1..n, in unsigned 32-bit arithmetic.
uint32_t DiscIdentifierStep(uint32_t id, uint32_t trackNumber, uint32_t seconds);

// Per-disc texts of the tracks, in memory for every slot of the drive table × 100 tracks
// and on disk as "cddata/%08x.cdd" (the 128-byte records, as earlier versions and other
// copies read them) with the whole texts beside it in "cddata/%08x.txt" (DiscTextFile.h).
// Discs of more than 100 tracks are not kept: nothing is stored or read for them.
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
    // The whole texts beside a record, or null outside the table.
    TrackTexts* Texts(int driveIndex, int track);
    const TrackTexts* Texts(int driveIndex, int track) const;
    // A field's text as TrackText gives it; "" outside the table.
    std::string Text(int driveIndex, int track, TrackField field) const;

    // Writes the drive's first N records (N = its track count) and their whole texts;
    // false when either was not written (identifier 0, a drive or disc the table does not
    // keep, file not created).
    bool SaveDiscInfo(int driveIndex, const CdDrive& drive) const;
    // Reads the disc's records and, when stored, their whole texts. When the record file
    // cannot be opened the drive's records are cleared and filled from the text the disc
    // itself offers (an image's CUE sheet), if any; false when there is none.
    bool LoadDiscInfo(int driveIndex, const CdDrive& drive);

    // "cddata/%08x.cdd" relative to `baseDir` (the current directory when empty).
    std::string DiscFilePath(uint32_t discId) const;
    // "cddata/%08x.txt" likewise: the whole texts.
    std::string TextFilePath(uint32_t discId) const;
    // "cddata/%08x.cover" likewise: a copy of the disc's cover picture (JPEG or PNG).
    std::string CoverFilePath(uint32_t discId) const;

    // Keeps the disc's cover picture (written as the other files are); false when not.
    bool SaveCover(const CdDrive& drive, const TagPicture& cover) const;
    // The disc's kept cover picture; empty when there is none or it is no longer usable.
    TagPicture LoadCover(const CdDrive& drive) const;
    std::string baseDir;

private:
    std::array<std::array<TrackInfo, kTracks>, kDrives> records_;
    std::vector<TrackTexts> texts_ = std::vector<TrackTexts>(kDrives * kTracks);
    bool Keeps(int driveIndex, const CdDrive& drive) const;
    void ClearDrive(int driveIndex);
    void LoadWholeTexts(int driveIndex, const CdDrive& drive);
    bool LoadOfferedText(int driveIndex, const CdDrive& drive);
};

} // namespace quillon
