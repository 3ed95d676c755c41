#pragma once

#include "batch/JobList.h"

#include <string>
#include <vector>

namespace quillon {

// Adds files named by path (a drop from a file manager, the program's arguments) to the
// batch, in the order given: audio files the run decodes or feeds (a name libsndfile's
// formats use, such as .wav, .flac, .ogg, .opus, .aiff, any case, or content that a WAV
// check or libsndfile takes) become Encode jobs, MPEG audio files (.mp1, .mp2, .mp3,
// .mpa, any case) Decode jobs.
// Every path that cannot be added gives one line saying why and is skipped; the others
// are added all the same.
std::vector<std::string> AddPathsToBatch(JobList& jobs, const std::vector<std::string>& paths,
                                         const DefaultEncodingOptions& defaults);

} // namespace quillon
