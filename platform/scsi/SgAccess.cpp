#include "platform/scsi/SgAccess.h"

#include <cstdio>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>

namespace quillon {

bool KernelPassesCommand(uint8_t opcode, bool writable, bool rawIo)
{
    if (rawIo)
        return true;
    switch (opcode) {
    // Part of the kernel's read-safe list: every command the CD layer sends but the
    // vendor reads.
    case 0x00:
    case 0x03:
    case 0x12:
    case 0x1A:
    case 0x1B:
    case 0x25:
    case 0x28:
    case 0x42:
    case 0x43:
    case 0x46:
    case 0x4A:
    case 0x51:
    case 0x5A:
    case 0xA8:
    case 0xB9:
    case 0xBE: return true;
    case 0x15:
    case 0x55: // MODE SELECT changes the unit, so it is write-safe only
        return writable;
    default: return false;
    }
}

std::string ScsiCommandName(uint8_t opcode)
{
    switch (opcode) {
    case 0x12: return "INQUIRY";
    case 0x15: return "MODE SELECT(6)";
    case 0x1A: return "MODE SENSE(6)";
    case 0x28: return "READ(10)";
    case 0x43: return "READ TOC";
    case 0x5A: return "MODE SENSE(10)";
    case 0xA8: return "READ(12)";
    case 0xBE: return "READ CD";
    default: break;
    }
    char text[32];
    std::snprintf(text, sizeof text, opcode >= 0xC0 ? "vendor read %02Xh" : "command %02Xh", opcode);
    return text;
}

std::string AccessFix(const std::string& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return "it cannot be examined";
    char buffer[4096];
    group g;
    group* found = nullptr;
    if ((st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP) &&
        ::getgrgid_r(st.st_gid, &g, buffer, sizeof buffer, &found) == 0 && found != nullptr && st.st_gid != 0) {
        const std::string name = found->gr_name;
        return "membership of group '" + name + "' grants it (sudo usermod -aG " + name + " $USER, then log in again)";
    }
    passwd pw;
    passwd* owner = nullptr;
    const std::string who = ::getpwuid_r(st.st_uid, &pw, buffer, sizeof buffer, &owner) == 0 && owner != nullptr
                                ? owner->pw_name
                                : std::to_string(st.st_uid);
    return "only " + who + " may open it (a udev rule can grant access)";
}

} // namespace quillon
