#pragma once

#include <cstdint>
#include <string>

namespace quillon {

// Whether the kernel passes `opcode` through a block device, or through an sg device
// opened read-only: read-safe commands always, MODE SELECT only on a descriptor opened
// for writing, anything else (the vendor reads D4h, D8h, ...) only with CAP_SYS_RAWIO.
bool KernelPassesCommand(uint8_t opcode, bool writable, bool rawIo);

// The command's name in messages: "READ CD", "MODE SELECT(6)", "vendor read D8h".
std::string ScsiCommandName(uint8_t opcode);

// What a user can do about a device file they may not open, from its owner, group and
// mode: "membership of group 'cdrom' grants it (...)".
std::string AccessFix(const std::string& path);

} // namespace quillon
