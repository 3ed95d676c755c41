#pragma once

#include "platform/scsi/VirtualDisc.h"

#include <cstdint>

namespace quillon {

// The Q sub-channel of an image disc, as a pressed disc would carry it: each sector's
// track and index (0 over a gap, 1 from the track's start), its times and its CRC.

// The 16 bytes of formatted Q READ CD gives after sector `lba`, numbers in BCD.
void MakeFormattedQ(const VirtualDisc& disc, uint32_t lba, uint8_t out[16]);

// The 24-byte reply of READ SUB-CHANNEL in `format` (2: catalogue number, 3: ISRC of
// `track`); false for any other format.
bool MakeSubChannelReply(const VirtualDisc& disc, int format, int track, uint8_t out[24]);

} // namespace quillon
