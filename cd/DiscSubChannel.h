#pragma once

#include "cd/CdDrive.h"
#include "cd/RipReport.h"

namespace quillon {

// Reads what the Q sub-channel of the loaded disc tells beyond its TOC into `report`: the
// catalogue number, each audio track's ISRC and its gap (where its index 0 begins). Done
// once a disc, after its TOC: one READ SUB-CHANNEL for the disc and one per track, one
// READ CD of a single sector before each track and, for a track with a gap, a binary
// search over the sectors before it. What a drive refuses or garbles stays unset, and the
// TOC's starts stand.
void ReadDiscSubChannel(const CdDrive& drive, RipReport& report);

} // namespace quillon
