#pragma once

#include "cd/CdDrive.h"
#include "cd/RipReport.h"

#include <string>

namespace quillon {

// The read mode of a rip that reads each sector once.
extern const char* const kBurstReadMode;
extern const char* const kSecureReadMode;

// A rip's record as it starts: the program, the drive, its read mode and correction, the
// disc's TOC and ids, and what the drive's Q sub-channel tells (catalogue number, ISRCs,
// gaps); no track yet.
RipReport StartRipReport(const CdDrive& drive);

// The name the rip's log and cue sheet share: the album's text as a file name, or
// "disc-%08x" with the disc's freedb id when there is no album text ("" or "Unknown").
std::string RipFileStem(const RipReport& report);

// The log: what was read how, the TOC in the table log readers rebuild the disc ids from,
// each track's checksums and verdict, a summary, and last a line with the SHA-256 of all
// the text before it.
std::string RipLogText(const RipReport& report);

// Writes "<stem>.log" and "<stem>.cue" into `folder` (ending with "/"), each replacing a
// file of that name and never written through a link. "" on success, else why not.
std::string WriteRipFiles(const std::string& folder, const RipReport& report);

} // namespace quillon
