#pragma once

#include "platform/scsi/ScsiRequest.h"

#include <scsi/sg.h>
#include <string>

namespace quillon {

// Kernel host drivers whose units speak MMC over ATA, SATA or USB report "ATAPI" as
// their adapter identifier; parallel-SCSI adapters report their driver name.
std::string AdapterIdentifierForDriver(const std::string& driverName);

// Fills an SG_IO header for a decoded execute block; `sense` must hold `senseRoom` bytes.
void BuildSgIoHeader(const ScsiRequest& request, uint8_t* sense, uint8_t senseRoom, unsigned timeoutMs,
                     sg_io_hdr_t& header);

// Commands whose reply length is the drive's to choose (INQUIRY, READ TOC, MODE SENSE):
// for them a transfer shorter than the buffer is normal.
bool ReplyMayBeShort(uint8_t opcode);

// Turns a finished SG_IO header into the request block's outcome. A command the kernel
// gave up on after the header's timeout ends pending with a command-timeout adapter
// status, as an ASPI request that had to be aborted; a read that moved fewer bytes
// than asked (`fullTransfer`) fails with a data-underrun adapter status.
ScsiOutcome OutcomeFromSgIo(const sg_io_hdr_t& header, const uint8_t* sense, bool fullTransfer);

} // namespace quillon
