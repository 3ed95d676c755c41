#include "platform/scsi/VirtualDriveList.h"

#include "platform/scsi/ShiftedRead.h"
#include "platform/scsi/TextLines.h"

#include <charconv>

namespace quillon {

namespace {

std::string_view Trim(std::string_view s)
{
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

template <typename Int>
bool ParseNumber(std::string_view s, Int& out)
{
    if (s.empty())
        return false;
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && ptr == s.data() + s.size();
}

// Applies one flag; returns an error text or empty.
std::string ApplyFlag(std::string_view flag, VirtualDriveEntry& entry)
{
    if (flag == "swap") {
        entry.swap = true;
    } else if (flag == "modeselect") {
        entry.modeSelect = true;
    } else if (flag == "nocdda") {
        entry.noCdda = true;
    } else if (flag == "nosubchannel") {
        entry.noSubChannel = true;
    } else if (flag.substr(0, 6) == "delay=") {
        if (!ParseNumber(flag.substr(6), entry.delayMs) || entry.delayMs < 0)
            return "bad delay \"" + std::string(flag) + "\"";
    } else if (flag.substr(0, 7) == "offset=") {
        std::string_view value = flag.substr(7);
        if (!value.empty() && value.front() == '+')
            value.remove_prefix(1);
        if (!ParseNumber(value, entry.offsetSamples) || entry.offsetSamples < -kLargestReadCorrection ||
            entry.offsetSamples > kLargestReadCorrection)
            return "bad offset \"" + std::string(flag) + "\" (offset=C, in samples)";
    } else if (flag.substr(0, 5) == "fail=" || flag.substr(0, 8) == "garbage=") {
        const bool fails = flag.front() == 'f';
        const std::string_view value = flag.substr(fails ? 5 : 8);
        const auto colon = value.find(':');
        VirtualReadFault fault;
        if (colon == std::string_view::npos || !ParseNumber(value.substr(0, colon), fault.lba) ||
            !ParseNumber(value.substr(colon + 1), fault.count) || fault.count < 0)
            return "bad fault \"" + std::string(flag) + (fails ? "\" (fail=LBA:N)" : "\" (garbage=LBA:N)");
        (fails ? entry.faults : entry.garbage).push_back(fault);
    } else if (flag.substr(0, 6) == "stuck=") {
        uint32_t lba = 0;
        if (!ParseNumber(flag.substr(6), lba))
            return "bad fault \"" + std::string(flag) + "\" (stuck=LBA)";
        entry.stuck.push_back(lba);
    } else if (flag.substr(0, 7) == "jitter=") {
        if (!ParseNumber(flag.substr(7), entry.jitter) || !(entry.jitter >= 0.0 && entry.jitter <= 1.0))
            return "bad jitter \"" + std::string(flag) + "\" (jitter=P, a probability from 0 to 1)";
    } else if (flag.substr(0, 5) == "seed=") {
        if (!ParseNumber(flag.substr(5), entry.seed))
            return "bad seed \"" + std::string(flag) + "\" (seed=N)";
    } else if (flag.substr(0, 6) == "cache=") {
        if (!ParseNumber(flag.substr(6), entry.cacheSectors))
            return "bad cache \"" + std::string(flag) + "\" (cache=N, in sectors)";
    } else {
        return "unknown flag \"" + std::string(flag) + "\"";
    }
    return {};
}

} // namespace

std::vector<VirtualDriveEntry> ParseVirtualDriveList(std::string_view text, const std::string& baseDir,
                                                     std::vector<std::string>& errors)
{
    std::vector<VirtualDriveEntry> drives;
    int lineNumber = 0;
    while (!text.empty()) {
        std::string_view line = TakeLine(text);
        ++lineNumber;
        const std::string_view trimmed = Trim(line);
        if (trimmed.empty() || line.front() == '#')
            continue;

        std::vector<std::string_view> fields;
        while (true) {
            const auto bar = line.find('|');
            fields.push_back(Trim(line.substr(0, bar)));
            if (bar == std::string_view::npos)
                break;
            line = line.substr(bar + 1);
        }
        auto fail = [&](const std::string& why) {
            errors.push_back("line " + std::to_string(lineNumber) + ": " + why);
        };
        if (fields.size() < 5) {
            fail("expected adapter | vendor | product | revision | disc");
            continue;
        }
        VirtualDriveEntry entry;
        entry.line = lineNumber;
        entry.adapterIdentifier = fields[0];
        entry.vendor = fields[1];
        entry.product = fields[2];
        entry.revision = fields[3];
        if (entry.adapterIdentifier.empty()) {
            fail("empty adapter identifier");
            continue;
        }
        if (fields[4].empty()) {
            fail("no disc (a CUE sheet or \"none\")");
            continue;
        }
        if (fields[4] != "none") {
            entry.disc = fields[4];
            if (entry.disc.front() != '/' && !baseDir.empty())
                entry.disc = baseDir + "/" + entry.disc;
        }
        std::string problem;
        // Flags may stand in fields of their own or share one, separated by blanks.
        for (size_t i = 5; i < fields.size() && problem.empty(); ++i) {
            std::string_view rest = fields[i];
            while (problem.empty()) {
                rest = Trim(rest);
                if (rest.empty())
                    break;
                const auto blank = rest.find_first_of(" \t");
                problem = ApplyFlag(rest.substr(0, blank), entry);
                rest = blank == std::string_view::npos ? std::string_view{} : rest.substr(blank);
            }
        }
        if (!problem.empty()) {
            fail(problem);
            continue;
        }
        drives.push_back(std::move(entry));
    }
    return drives;
}

} // namespace quillon
