#pragma once

#include "formats/WavChunks.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// A picture for the front cover: its bytes (shared, a disc's files carry one picture)
// and their MIME type ("image/jpeg" or "image/png").
struct TagPicture
{
    std::string mime;
    std::shared_ptr<const std::vector<uint8_t>> bytes;
};

// The whole texts of one track as its encoded file's ID3v2 tag carries them, in UTF-8;
// an empty text and a number of 0 are left out of the tag.
struct TrackTags
{
    std::string title;
    std::string artist;
    std::string album;
    std::string year;
    std::string comment;
    std::string genre; // the genre's name
    int trackNumber = 0;
    int trackCount = 0; // 0: the number stands alone
    TagPicture picture;

    bool Empty() const
    {
        return title.empty() && artist.empty() && album.empty() && year.empty() && comment.empty() && genre.empty() &&
               trackNumber <= 0 && !picture.bytes;
    }
};

// The tag of a WAV file's LIST/INFO texts, each read as UTF-8, else as Windows-1252; an
// ITRK of "n" or "n/N" gives the track number and count.
TrackTags TagsFromWavInfo(const WavInfoTexts& info);

// The track number and count of a text "n" or "n/N"; 0 for what is not a number.
void SetTrackNumbers(TrackTags& tags, std::string_view track);

} // namespace quillon
