#pragma once

#include "formats/TrackTags.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace quillon {

// The largest picture a tag takes.
constexpr size_t kCoverPictureLimit = 16 * 1024 * 1024;

// The picture in the regular file `path` when it is a JPEG or a PNG (by its first bytes)
// of at most kCoverPictureLimit bytes; otherwise none, and `problem` names the file and
// says why it was refused.
std::optional<TagPicture> ReadCoverPicture(const std::string& path, std::string& problem);

// The picture in `bytes` when they are a JPEG or a PNG of at most kCoverPictureLimit bytes
// (embedded in an audio file, fetched); otherwise none, and `reason`, when given, says why.
std::optional<TagPicture> CoverPictureFromBytes(std::vector<uint8_t> bytes, std::string* reason = nullptr);

} // namespace quillon
