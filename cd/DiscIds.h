#pragma once

#include "cd/CdDrive.h"

#include <string>

namespace quillon {

// The identifiers the online databases know a disc by, computed from its TOC with libdiscid.
struct DiscIds
{
    std::string musicBrainz; // 28 characters of base64 ("._-" for "+/=")
    std::string freedb;      // 8 lower-case hexadecimal digits
    // "first last lead-out offset..." in frames (sector + 150), blanks between, as
    // MusicBrainz's fuzzy look-up (toc=) takes it.
    std::string toc;

    bool Empty() const { return musicBrainz.empty(); }
};

// The ids of the disc loaded in `drive` (its track records); empty when it has no audio
// track or libdiscid refuses its TOC.
//
// MusicBrainz counts the first session only: data tracks at the end (an enhanced CD's
// data session) are left out and its audio ends 11400 sectors (the session gap) before
// the data track starts; a data track first (a mixed-mode CD) counts as a track. freedb
// counts every track up to the disc's real lead-out.
DiscIds ComputeDiscIds(const CdDrive& drive);

} // namespace quillon
