#pragma once

// Reads a rip log's TOC table the way Picard's log import does (picard/disc/eaclog.py and
// picard/disc/utils.py): the first line of five columns parted by " | ", one separator
// line, then rows "number | m:ss.ff | m:ss.ff | start sector | end sector" up to the first
// line that is no row; a last track starting 11401 sectors after the end of the one
// before is an enhanced CD's data track and left out; the lead-out follows the last end
// sector. The MusicBrainz disc id of that TOC comes from libdiscid.

#include <discid/discid.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace quillon::testing_support {

struct LogTocRow
{
    int number = 0;
    int start = 0;
    int end = 0;
};

inline bool ReadLogTocRow(const std::string& line, LogTocRow& row)
{
    char startTime[16];
    char length[16];
    int used = -1;
    return std::sscanf(line.c_str(), " %d | %15[0-9:.] | %15[0-9:.] | %d | %d %n", &row.number, startTime, length,
                       &row.start, &row.end, &used) == 5 &&
           used == static_cast<int>(line.size());
}

inline std::vector<LogTocRow> LogTocRows(const std::string& log)
{
    std::istringstream lines(log);
    std::string line;
    while (std::getline(lines, line)) {
        int columns = 1;
        for (size_t at = line.find(" | "); at != std::string::npos; at = line.find(" | ", at + 1))
            ++columns;
        if (columns == 5)
            break;
    }
    std::getline(lines, line); // the separator
    std::vector<LogTocRow> rows;
    LogTocRow row;
    while (std::getline(lines, line) && ReadLogTocRow(line, row))
        rows.push_back(row);
    if (rows.size() > 1 && rows.back().start - rows[rows.size() - 2].end == 11401)
        rows.pop_back();
    return rows;
}

// "" when the table gives no TOC libdiscid takes.
inline std::string DiscIdFromLogTable(const std::string& log)
{
    const std::vector<LogTocRow> rows = LogTocRows(log);
    if (rows.empty() || rows.size() > 99)
        return {};
    int offsets[100] = {};
    offsets[0] = rows.back().end + 1 + 150;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].number != static_cast<int>(i) + 1)
            return {};
        offsets[i + 1] = rows[i].start + 150;
    }
    DiscId* disc = discid_new();
    std::string id;
    if (discid_put(disc, 1, static_cast<int>(rows.size()), offsets))
        id = discid_get_id(disc);
    discid_free(disc);
    return id;
}

} // namespace quillon::testing_support
