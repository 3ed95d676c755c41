#pragma once

#include "cli/CliArguments.h"

namespace quillon::cli {

// `quillon rip`: CD tracks grabbed and encoded by the conversion run, each output ending
// with its tag record; the disc's text is stored as the grabber stores it.
int RunRip(const CliArguments& arguments);

} // namespace quillon::cli
