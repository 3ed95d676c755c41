#include "cd/DiscSubChannel.h"

#include "cd/AspiLayer.h"
#include "cd/QSubChannel.h"

namespace quillon {

void ReadDiscSubChannel(const CdDrive& drive, RipReport& report)
{
    const int ha = drive.hostAdapter, target = drive.target;
    uint8_t reply[kSubChannelReplyBytes] = {};
    if (aspi_cd_read_subchannel(ha, target, 0x02, 0, reply) == 1)
        report.catalog = ParseCatalogReply(reply, sizeof reply);

    uint8_t sector[kSectorBytes + kFormattedQBytes];
    const QProbe probe = [&](uint32_t lba) -> std::optional<QPosition> {
        if (aspi_cd_read_q(ha, target, lba, sector) != 1)
            return std::nullopt;
        return ParseFormattedQ(sector + kSectorBytes, lba);
    };
    bool qReadable = true; // a drive that gives no Q for one sector is not asked again
    for (size_t i = 0; i < report.toc.size(); ++i) {
        const RipTocRow& row = report.toc[i];
        if (!row.audio)
            continue;
        RipSubChannelTrack& track = report.subChannel.emplace_back();
        track.number = row.number;
        uint8_t isrc[kSubChannelReplyBytes] = {};
        if (aspi_cd_read_subchannel(ha, target, 0x03, row.number, isrc) == 1)
            track.isrc = ParseIsrcReply(isrc, sizeof isrc, row.number);
        if (!qReadable || row.start == 0)
            continue;
        // The track's own gap lies after the first sector of the track before.
        const uint32_t lowest = i == 0 ? 0 : report.toc[i - 1].start + 1;
        track.pregapSectors = FindPregap(row.number, lowest, row.start, probe);
        qReadable = track.pregapSectors.has_value();
    }
}

} // namespace quillon
