#include "cd/CommandSense.h"

#include "platform/scsi/SrbLayout.h"

#include <cstdio>
#include <mutex>

namespace quillon {

namespace {

struct Records
{
    std::mutex mutex;
    AspiCommandRecord last;
    AspiCommandRecord failedRead;
};

Records& State()
{
    static Records records;
    return records;
}

// The additional sense codes a CD reader meets most, with the qualifier they come with.
const char* AscText(uint8_t asc, uint8_t ascq)
{
    switch (asc) {
    case 0x02: return "no seek complete";
    case 0x04: return ascq == 0x01 ? "becoming ready" : "logical unit not ready";
    case 0x06: return "no reference position found";
    case 0x11: return "unrecovered read error";
    case 0x15: return "positioning error";
    case 0x20: return "invalid command operation code";
    case 0x21: return "logical block address out of range";
    case 0x24: return "invalid field in CDB";
    case 0x26: return "invalid field in parameter list";
    case 0x28: return "medium may have changed";
    case 0x29: return "power on or reset";
    case 0x30: return "incompatible medium";
    case 0x3A: return "medium not present";
    case 0x57: return "unable to recover table of contents";
    case 0x64: return "illegal mode for this track";
    case 0x6F: return "copy protection failure";
    default: return nullptr;
    }
}

} // namespace

const char* SenseKeyName(uint8_t key)
{
    static const char* const kNames[16] = {
        "no sense",       "recovered error", "not ready",   "medium error",    "hardware error", "illegal request",
        "unit attention", "data protect",    "blank check", "vendor specific", "copy aborted",   "aborted command",
        "sense key Ch",   "volume overflow", "miscompare",  "sense key Fh",
    };
    return kNames[key & 0x0F];
}

AspiCommandRecord aspi_last_command()
{
    std::lock_guard lock(State().mutex);
    return State().last;
}

AspiCommandRecord aspi_last_failed_read()
{
    std::lock_guard lock(State().mutex);
    return State().failedRead;
}

void NoteAspiCommand(const AspiCommandRecord& record, bool isRead)
{
    std::lock_guard lock(State().mutex);
    State().last = record;
    if (isRead)
        State().failedRead = record.result == 1 ? AspiCommandRecord{} : record;
}

std::string DescribeCommandFailure(const AspiCommandRecord& r)
{
    if (r.result == 1)
        return "";
    const SenseData& s = r.sense;
    if (s.key != 0 || s.asc != 0 || s.ascq != 0) {
        char text[96];
        std::snprintf(text, sizeof text, "%s, ASC %02Xh, ASCQ %02Xh", SenseKeyName(s.key), s.asc, s.ascq);
        std::string out = text;
        if (const char* meaning = AscText(s.asc, s.ascq))
            out += std::string(" (") + meaning + ")";
        return out;
    }
    if (r.adapterStatus == srb::kHaCommandTimeout)
        return "no answer within the timeout";
    if (r.adapterStatus == srb::kHaDataUnderrun)
        return "short transfer (fewer bytes than asked for)";
    return "";
}

} // namespace quillon
