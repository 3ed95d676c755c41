#include "platform/scsi/VirtualSubChannel.h"

#include "platform/scsi/QCrc.h"

#include <algorithm>
#include <cstring>

namespace quillon {

namespace {

uint8_t Bcd(uint32_t v)
{
    return static_cast<uint8_t>((v / 10) << 4 | (v % 10));
}

void PutMsf(uint8_t* p, uint32_t frames)
{
    p[0] = Bcd(frames / 4500);
    p[1] = Bcd(frames / 75 % 60);
    p[2] = Bcd(frames % 75);
}

} // namespace

void MakeFormattedQ(const VirtualDisc& disc, uint32_t lba, uint8_t out[16])
{
    std::memset(out, 0, 16);
    const auto& tracks = disc.Tracks();
    // The last track started by `lba`; before the first, the first track's gap.
    auto track = std::upper_bound(tracks.begin(), tracks.end(), lba,
                                  [](uint32_t l, const VirtualDisc::Track& t) { return l < t.start; });
    bool gap = false;
    if (track == tracks.begin()) {
        gap = true;
    } else if (track != tracks.end() && lba >= track->gapStart) {
        gap = true;
    } else {
        --track;
    }
    out[0] = static_cast<uint8_t>((track->data ? 0x40 : 0x00) | 0x01);
    out[1] = Bcd(static_cast<uint32_t>(track->number));
    out[2] = gap ? 0 : 1;
    // In a gap the track's time counts down to its start.
    PutMsf(out + 3, gap ? track->start - lba : lba - track->start);
    PutMsf(out + 7, lba + 150);
    const uint16_t crc = QCrc(out);
    out[10] = static_cast<uint8_t>(crc >> 8);
    out[11] = static_cast<uint8_t>(crc);
}

bool MakeSubChannelReply(const VirtualDisc& disc, int format, int track, uint8_t out[24])
{
    std::memset(out, 0, 24);
    out[3] = 20; // data length after the header
    out[4] = static_cast<uint8_t>(format);
    std::string code;
    if (format == 2) {
        code = disc.Catalog();
    } else if (format == 3) {
        const auto& tracks = disc.Tracks();
        const auto t = std::find_if(tracks.begin(), tracks.end(),
                                    [track](const VirtualDisc::Track& each) { return each.number == track; });
        if (t == tracks.end())
            return false;
        out[5] = t->data ? 0x14 : 0x10;
        out[6] = static_cast<uint8_t>(track);
        code = t->isrc;
    } else {
        return false;
    }
    const size_t length = format == 2 ? 13 : 12;
    if (code.size() == length) {
        out[8] = 0x80; // MCVAL / TCVAL
        std::memcpy(out + 9, code.data(), length);
    }
    return true;
}

} // namespace quillon
