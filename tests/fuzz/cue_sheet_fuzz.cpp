// A CUE sheet's text, whatever it holds, through the sheet reader of the virtual drives.
#include "platform/scsi/CueSheet.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace quillon;
    CueSheet sheet;
    std::string error;
    const bool read = ParseCueSheet(std::string_view(reinterpret_cast<const char*>(data), size), sheet, error);
    if (!read) {
        // A refusal names its line for the drive list's report.
        if (error.rfind("line ", 0) != 0)
            std::abort();
        return 0;
    }
    // Whatever was kept points into the sheet itself.
    for (const CueTrack& track : sheet.tracks) {
        if (track.line < 1 || track.line > sheet.lineCount)
            std::abort();
        int previous = -1;
        for (const CueIndex& index : track.indexes) {
            if (index.file < 0 || index.file >= static_cast<int>(sheet.files.size()) || index.number <= previous)
                std::abort();
            previous = index.number;
        }
    }
    return 0;
}
