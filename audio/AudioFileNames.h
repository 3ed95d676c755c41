#pragma once

#include <string>
#include <vector>

namespace quillon {

// The extensions of the audio files an encode job takes (lower case, with the dot):
// those libsndfile names for its formats and their common other spellings (.ogg, .opus,
// .aif, .aifc, ...). MPEG audio (.mp1, .mp2, .mp3, .mpa) is left out: d3.dll decodes it.
const std::vector<std::string>& AudioFileExtensions();

// The extension of `name` in lower case with its dot, "" when it has none.
std::string LowerExtension(const std::string& name);
bool HasAudioFileExtension(const std::string& name);
bool IsMpegAudioName(const std::string& name);

// True when libsndfile reads the file at `path`, whatever its name.
bool IsReadableAudioFile(const std::string& path);

} // namespace quillon
