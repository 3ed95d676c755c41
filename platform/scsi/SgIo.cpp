#include "platform/scsi/SgIo.h"

#include "platform/scsi/SrbLayout.h"

#include <algorithm>
#include <cstring>
#include <strings.h>

namespace quillon {

std::string AdapterIdentifierForDriver(const std::string& driver)
{
    static const char* const kMmcOverAta[] = {"ahci", "ata_", "pata_", "sata_", "libata", "usb-storage", "uas", "nvme"};
    for (const char* prefix : kMmcOverAta)
        if (strncasecmp(driver.c_str(), prefix, std::strlen(prefix)) == 0)
            return "ATAPI";
    return driver;
}

void BuildSgIoHeader(const ScsiRequest& r, uint8_t* sense, uint8_t senseRoom, unsigned timeoutMs, sg_io_hdr_t& h)
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

bool ReplyMayBeShort(uint8_t opcode)
{
    return opcode == 0x12 || opcode == 0x42 || opcode == 0x43 || opcode == 0x1A || opcode == 0x5A || opcode == 0x03;
}

ScsiOutcome OutcomeFromSgIo(const sg_io_hdr_t& h, const uint8_t* sense, bool fullTransfer)
{
    // Host and driver codes of the kernel's SCSI midlayer.
    constexpr unsigned kDidTimeOut = 0x03, kDriverTimeout = 0x06, kDriverSense = 0x08;
    ScsiOutcome o;
    o.targetStatus = h.status;
    if (h.sb_len_wr > 0)
        o.sense = ParseSense(sense, std::min<size_t>(h.sb_len_wr, h.mx_sb_len));
    const unsigned driver = h.driver_status & 0x0F;
    if (h.host_status == kDidTimeOut || driver == kDriverTimeout) {
        o.status = srb::kPending;
        o.adapterStatus = srb::kHaCommandTimeout;
        return o;
    }
    // DRIVER_SENSE only says that sense data came back; other driver codes and any host
    // code mean the command never completed.
    const bool transportFailed = h.host_status != 0 || (driver != 0 && driver != kDriverSense);
    if (h.status != 0 || transportFailed) {
        o.status = srb::kError;
        return o;
    }
    if (fullTransfer && h.dxfer_direction == SG_DXFER_FROM_DEV && h.resid != 0) {
        o.status = srb::kError;
        o.adapterStatus = srb::kHaDataUnderrun;
        return o;
    }
    o.status = srb::kComplete;
    return o;
}

} // namespace quillon
