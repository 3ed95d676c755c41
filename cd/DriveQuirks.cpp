#include "cd/DriveQuirks.h"

#include "platform/RegularFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <strings.h>
#include <unistd.h>

namespace quillon {

namespace {

constexpr size_t kLineRoom = 200; // lines of at most 199 characters

struct QuirkState
{
    std::mutex mutex;
    bool loaded = false;
    bool warned = false;
    std::vector<DriveQuirk> table;
};

QuirkState& State()
{
    static QuirkState state;
    return state;
}

// Takes the next quoted text from `rest`; false when there is no complete pair of quotes.
bool NextQuoted(std::string_view& rest, char (&field)[20])
{
    const auto open = rest.find('"');
    if (open == std::string_view::npos)
        return false;
    const auto close = rest.find('"', open + 1);
    if (close == std::string_view::npos)
        return false;
    const std::string_view text = rest.substr(open + 1, close - open - 1);
    const size_t n = std::min(text.size(), sizeof field - 1);
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
    rest = rest.substr(close + 1);
    return true;
}

bool NextNumber(const char*& p, int base, long& out)
{
    char* end = nullptr;
    out = std::strtol(p, &end, base);
    if (end == p)
        return false;
    p = end;
    return true;
}

bool StartsWithNoCase(const std::string& text, const char* prefix)
{
    const size_t n = std::strlen(prefix);
    return text.size() >= n && strncasecmp(text.c_str(), prefix, n) == 0;
}

} // namespace

bool ParseDriveQuirkLine(std::string_view line, DriveQuirk& q)
{
    if (line.size() < 10 || line.front() == '#')
        return false;
    q = DriveQuirk{};
    std::string_view rest = line;
    if (!NextQuoted(rest, q.vendor) || !NextQuoted(rest, q.product) || !NextQuoted(rest, q.revision))
        return false;
    const std::string numbers(rest);
    const char* p = numbers.c_str();
    long v[6];
    static const int kBases[6] = {16, 16, 16, 10, 10, 10};
    for (int i = 0; i < 6; ++i)
        if (!NextNumber(p, kBases[i], v[i]))
            return false;
    q.opcode = static_cast<int16_t>(v[0]);
    q.modeSelect = static_cast<int16_t>(v[1]);
    q.density = static_cast<int16_t>(v[2]);
    q.byteSwap = static_cast<int16_t>(v[3]);
    // Each read must fit the grab buffers.
    q.sectorsPerRead = static_cast<int16_t>(std::clamp<long>(v[4], 1, kMaxSectorsPerRead));
    q.reserved = static_cast<int16_t>(v[5]);
    return true;
}

bool ReadDriveQuirksFile(const std::string& path, std::vector<DriveQuirk>& table, std::string* problem)
{
    std::string why;
    const int fd = OpenRegularFile(path, why);
    FILE* f = fd >= 0 ? ::fdopen(fd, "rb") : nullptr;
    if (f == nullptr) {
        // A missing file is the usual case and says nothing.
        if (problem != nullptr)
            *problem = fd < 0 && errno == ENOENT ? std::string() : why;
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    char line[kLineRoom];
    while (table.size() < kDriveQuirkCapacity && std::fgets(line, sizeof line, f) != nullptr) {
        DriveQuirk q;
        if (ParseDriveQuirkLine(std::string_view(line, std::strlen(line)), q))
            table.push_back(q);
    }
    std::fclose(f);
    return true;
}

int LoadDriveQuirks()
{
    QuirkState& s = State();
    std::lock_guard lock(s.mutex);
    if (!s.loaded) {
        s.table.clear();
        std::string problem;
        s.loaded = ReadDriveQuirksFile("tosharc", s.table, &problem);
        if (!problem.empty() && !s.warned) {
            std::fprintf(stderr, "quillon: cannot read tosharc: %s; no drive quirks are used\n", problem.c_str());
            s.warned = true;
        }
    }
    return static_cast<int>(s.table.size());
}

const DriveQuirk* FindDriveQuirk(const std::string& vendor, const std::string& product, const std::string& revision)
{
    QuirkState& s = State();
    std::lock_guard lock(s.mutex);
    for (const DriveQuirk& q : s.table)
        if (StartsWithNoCase(vendor, q.vendor) && StartsWithNoCase(product, q.product) &&
            StartsWithNoCase(revision, q.revision))
            return &q;
    return nullptr;
}

void ResetDriveQuirks()
{
    QuirkState& s = State();
    std::lock_guard lock(s.mutex);
    s.loaded = false;
    s.table.clear();
}

} // namespace quillon
