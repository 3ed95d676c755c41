#pragma once

#include "formats/TrackTags.h"

#include <string>

namespace quillon {

// The tags an audio file of another kind than WAV carries for its encoded file.
struct AudioFileTags
{
    TrackTags tags;
    // Why the file's cover picture was left out ("" when it had none or it was taken).
    std::string pictureProblem;
};

// The Vorbis comments of a FLAC, Ogg FLAC, Ogg Vorbis or Opus file in the regular file
// `path`: TITLE, ARTIST, ALBUM, DATE (else YEAR), TRACKNUMBER ("n" or "n/N") with
// TRACKTOTAL (else TOTALTRACKS), GENRE and COMMENT (else DESCRIPTION), several values of
// one name joined by "; ", and the front-cover picture (FLAC PICTURE block or
// METADATA_BLOCK_PICTURE; the first picture when none is marked front) when it is a JPEG
// or PNG of at most 16 MiB. Any other file, or one that cannot be read, has no tags.
AudioFileTags TagsFromAudioFile(const std::string& path);

// The tags of a file the run decodes: the LIST/INFO texts `info` of a WAV file when it has
// any (a 24-bit or float WAV), else what TagsFromAudioFile reads from `path`.
AudioFileTags TagsOfDecodedFile(const std::string& path, const WavInfoTexts& info);

} // namespace quillon
