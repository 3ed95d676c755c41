#pragma once

#include "platform/scsi/ScsiRequest.h"

#include <cstdint>
#include <string>

namespace quillon {

// What the 32-bit command result leaves out: the whole sense (key, ASC, ASCQ) and the
// host adapter status of one execute-type command, kept beside the result.
struct AspiCommandRecord
{
    const char* name = ""; // the operation's name, as the debug log prints it
    int32_t result = 0;
    SenseData sense;
    uint8_t adapterStatus = 0;
};

// The last execute-type command of the layer, and the last audio or block read when it
// failed (a read that succeeds clears it; other commands leave it alone, so the restore
// step after a failed grab does not hide why the grab failed).
AspiCommandRecord aspi_last_command();
AspiCommandRecord aspi_last_failed_read();

// Kept by the command layer after each command.
void NoteAspiCommand(const AspiCommandRecord& record, bool isRead);

// "medium error, ASC 11h, ASCQ 00h (unrecovered read error)", "no answer within the
// timeout", "short transfer"; empty when the record carries nothing to tell.
std::string DescribeCommandFailure(const AspiCommandRecord& record);

// "medium error" for sense key 3, and so on.
const char* SenseKeyName(uint8_t key);

} // namespace quillon
