#pragma once

#include "batch/JobList.h"

#include <string>
#include <vector>

namespace quillon {

// The output paths that two or more jobs of the batch would write, in the order their
// first job stands; each path once. A later job would overwrite an earlier one's result
// without a word, so a batch with any of them is refused before it starts.
std::vector<std::string> ClashingOutputPaths(const JobList& jobs);

// "Two files of the batch would be written as ...": the refusal naming the paths.
std::string OutputClashMessage(const std::vector<std::string>& paths);

} // namespace quillon
