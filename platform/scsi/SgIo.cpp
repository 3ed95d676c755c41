#include "platform/scsi/SgIo.h"

#include "platform/scsi/SrbLayout.h"

#include <cstring>
#include <strings.h>

namespace quillon {

std::string AdapterIdentifierForDriver(const std::string& driver)
{
    static const char* const kMmcOverAta[] = {"ahci", "ata_", "pata_", "sata_", "libata", "usb-storage",
                                              "uas", "nvme"};
    for (const char* prefix : kMmcOverAta)
        if (strncasecmp(driver.c_str(), prefix, std::strlen(prefix)) == 0)
            return "ATAPI";
    return driver;
}

void BuildSgIoHeader(const ScsiRequest& r, uint8_t* sense, uint8_t senseRoom, unsigned timeoutMs,
                     sg_io_hdr_t& h)
{
    std::memset(&h, 0, sizeof h);
    h.interface_id = 'S';
    switch (r.direction) {
    case ScsiDirection::In: h.dxfer_direction = SG_DXFER_FROM_DEV; break;
    case ScsiDirection::Out: h.dxfer_direction = SG_DXFER_TO_DEV; break;
    case ScsiDirection::None: h.dxfer_direction = SG_DXFER_NONE; break;
    }
    h.cmd_len = static_cast<unsigned char>(r.cdbLength);
    h.cmdp = const_cast<unsigned char*>(r.cdb);
    h.dxfer_len = r.direction == ScsiDirection::None ? 0 : r.dataLength;
    h.dxferp = r.direction == ScsiDirection::None ? nullptr : r.data;
    h.mx_sb_len = senseRoom;
    h.sbp = sense;
    h.timeout = timeoutMs;
}

ScsiOutcome OutcomeFromSgIo(const sg_io_hdr_t& h, const uint8_t* sense)
{
    ScsiOutcome o;
    o.targetStatus = h.status;
    if (h.sb_len_wr > 0)
        o.sense = ParseSense(sense, h.sb_len_wr);
    // DRIVER_SENSE (0x08) only says that sense data came back; other driver codes and
    // any host code mean the command never completed.
    const unsigned driver = h.driver_status & 0x0F;
    const bool transportFailed = h.host_status != 0 || (driver != 0 && driver != 0x08);
    if (h.status == 0 && !transportFailed)
        o.status = srb::kComplete;
    else
        o.status = srb::kError;
    return o;
}

} // namespace quillon
