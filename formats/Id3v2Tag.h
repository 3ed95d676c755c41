#pragma once

#include "formats/TrackTags.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quillon {

// The ID3v2.3 tag of `tags` with its padding: TIT2, TPE1, TALB, TYER, TRCK ("n/N"),
// TCON, COMM and the front-cover APIC, each text in ISO-8859-1 where it allows, else in
// UTF-16.
std::vector<uint8_t> RenderId3v2Tag(const TrackTags& tags);

// Puts `tag` in front of the bytes of the regular file `path` (never through a link);
// "" when done, else the reason. The file is rewritten in place, from its end backwards.
std::string InsertAtFileStart(const std::string& path, const std::vector<uint8_t>& tag);

} // namespace quillon
