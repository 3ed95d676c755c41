#pragma once

#include "platform/scsi/QCrc.h"
#include <cstddef>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace quillon {

// The Q sub-channel as drives hand it over: the replies of READ SUB-CHANNEL for the disc's
// catalogue number and a track's ISRC, and the 16 bytes of formatted Q that READ CD gives
// after each sector. Nothing here talks to a drive; a reply that cannot be trusted reads
// as nothing, so the caller keeps what the TOC says.

// Bytes of a READ SUB-CHANNEL reply for the catalogue number or an ISRC, header included.
constexpr size_t kSubChannelReplyBytes = 24;
// Bytes of formatted Q after each sector of a READ CD with sub-channel selection 010b.
constexpr size_t kFormattedQBytes = 16;

// The track and index a Q frame of mode 1 (ADR 1) gives for its sector.
struct QPosition
{
    int track = 0;
    int index = 0;
};

// The position in the formatted Q that came with sector `lba`. Nothing when the frame is
// not mode 1, its CRC (when the drive passes one on) is wrong, or its absolute time is
// not that sector's; drives give the numbers in BCD or in binary, and the absolute time
// tells which.
std::optional<QPosition> ParseFormattedQ(const uint8_t q[kFormattedQBytes], uint32_t lba);

// The 13 digits of the media catalogue number (format 02h); "" when the drive says it
// has none (MCVAL clear), the reply is short or holds anything but digits, or all zeros.
std::string ParseCatalogReply(const uint8_t* reply, size_t length);
// The 12 letters and digits of the ISRC of `track` (format 03h); "" when the drive says
// it has none (TCVAL clear), the reply is of another track, or it is malformed.
std::string ParseIsrcReply(const uint8_t* reply, size_t length, int track);

// Where index 0 of `track` begins, searched among sectors lowest..start-1 before the
// track's INDEX 01 at `start`: the sectors of a gap follow each other, so a binary search
// finds its first one, with at most 3 + log2(start - lowest) reads of `probe`; the usual
// gap of 150 sectors is tried first and takes 3. The number of gap sectors (0, after one
// read, when the sector before the start is not in it); nothing when a probe fails.
using QProbe = std::function<std::optional<QPosition>(uint32_t lba)>;
std::optional<uint32_t> FindPregap(int track, uint32_t lowest, uint32_t start, const QProbe& probe);

} // namespace quillon
