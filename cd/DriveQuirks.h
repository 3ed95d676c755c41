#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// One line of the drive quirks file "tosharc": which read command, block mode, byte
// order and read size suit the drives whose INQUIRY texts begin with these prefixes.
struct DriveQuirk
{
    char vendor[20] = {};
    char product[20] = {};
    char revision[20] = {};
    int16_t opcode = 0;
    int16_t modeSelect = 0;
    int16_t density = 0;
    int16_t byteSwap = 0;
    int16_t sectorsPerRead = 0;
    int16_t reserved = 0;
};

constexpr int kDriveQuirkCapacity = 256;
constexpr int kMaxSectorsPerRead = 128;

// Reads one line as the file gives it (line end included). False for a line to skip:
// shorter than 10 characters, a comment, without three quoted texts, or without the six
// numbers. Texts are cut to 19 characters; sectors per read is clamped to 1..128.
bool ParseDriveQuirkLine(std::string_view line, DriveQuirk& quirk);

// Reads a quirks file into `table` (at most 256 entries); false when it cannot be opened.
// `problem`, when given, says why unless the file is simply missing (a FIFO or a folder
// is refused without being read).
bool ReadDriveQuirksFile(const std::string& path, std::vector<DriveQuirk>& table, std::string* problem = nullptr);

// The process-wide table from "tosharc" in the current directory, read once per run at
// the first call that finds the file. Returns the number of entries.
int LoadDriveQuirks();
// The first entry whose three texts prefix the drive's (case-insensitive), or null.
const DriveQuirk* FindDriveQuirk(const std::string& vendor, const std::string& product, const std::string& revision);
// Forgets the loaded table so that the next load reads the file again (tests).
void ResetDriveQuirks();

} // namespace quillon
