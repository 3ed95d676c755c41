#pragma once

#include "cd/RipReport.h"

#include <string>

namespace quillon {

// The cue sheet of a rip as rippers write it by default: one FILE per track read whole,
// its INDEX 01 at 00:00:00, and the gap before the next track (its INDEX 00, when known)
// at the end of the file before. A gap whose track before was not ripped, and audio
// before track 1, become PREGAP: no file holds them. Texts are UTF-8; the AccurateRip ids
// are kept in a REM line so that a later check rebuilds the same TOC.
std::string RipCueSheetText(const RipReport& report);

} // namespace quillon
