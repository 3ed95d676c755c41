#include "cd/QSubChannel.h"

#include <cctype>

namespace quillon {

namespace {

constexpr uint32_t kUsualGap = 150;

bool IsBcd(uint8_t v)
{
    return (v >> 4) <= 9 && (v & 0x0F) <= 9;
}

int FromBcd(uint8_t v)
{
    return (v >> 4) * 10 + (v & 0x0F);
}

// The sector a Q frame's absolute time (bytes 7 to 9) names, with the numbers read as BCD
// or as binary; -1 when they cannot be a time.
int64_t AbsoluteSector(const uint8_t* q, bool bcd)
{
    int minutes = q[7], seconds = q[8], frames = q[9];
    if (bcd) {
        if (!IsBcd(q[7]) || !IsBcd(q[8]) || !IsBcd(q[9]))
            return -1;
        minutes = FromBcd(q[7]);
        seconds = FromBcd(q[8]);
        frames = FromBcd(q[9]);
    }
    if (seconds > 59 || frames > 74)
        return -1;
    return int64_t{minutes} * 4500 + seconds * 75 + frames - 150;
}

// The reply's data after the 4-byte header, when it is long enough and of `format`.
const uint8_t* SubChannelData(const uint8_t* reply, size_t length, uint8_t format)
{
    if (reply == nullptr || length < kSubChannelReplyBytes)
        return nullptr;
    const size_t claimed = static_cast<size_t>(reply[2]) << 8 | reply[3];
    if (claimed + 4 < kSubChannelReplyBytes || reply[4] != format)
        return nullptr;
    return reply + 4;
}

} // namespace

std::optional<QPosition> ParseFormattedQ(const uint8_t q[kFormattedQBytes], uint32_t lba)
{
    if ((q[0] & 0x0F) != 1)
        return std::nullopt;
    // Drives that pass the CRC on leave it in bytes 10 and 11; zeros there mean none was.
    const uint16_t crc = static_cast<uint16_t>(q[10] << 8 | q[11]);
    if (crc != 0 && crc != QCrc(q))
        return std::nullopt;
    // Below ten the two codings agree, so the absolute time tells which this drive uses.
    const bool bcd = AbsoluteSector(q, true) == int64_t{lba} && IsBcd(q[1]) && IsBcd(q[2]);
    if (!bcd && AbsoluteSector(q, false) != int64_t{lba})
        return std::nullopt;
    const QPosition position{bcd ? FromBcd(q[1]) : q[1], bcd ? FromBcd(q[2]) : q[2]};
    if (position.track < 1 || position.track > 99 || position.index > 99)
        return std::nullopt;
    return position;
}

std::string ParseCatalogReply(const uint8_t* reply, size_t length)
{
    const uint8_t* d = SubChannelData(reply, length, 0x02);
    if (d == nullptr || (d[4] & 0x80) == 0)
        return "";
    std::string digits(reinterpret_cast<const char*>(d + 5), 13);
    for (const char c : digits)
        if (c < '0' || c > '9')
            return "";
    return digits == "0000000000000" ? "" : digits;
}

std::string ParseIsrcReply(const uint8_t* reply, size_t length, int track)
{
    const uint8_t* d = SubChannelData(reply, length, 0x03);
    if (d == nullptr || d[2] != track || (d[4] & 0x80) == 0)
        return "";
    std::string code(reinterpret_cast<const char*>(d + 5), 12);
    for (const char c : code)
        if (!std::isdigit(static_cast<unsigned char>(c)) && !(c >= 'A' && c <= 'Z'))
            return "";
    return code;
}

std::optional<uint32_t> FindPregap(int track, uint32_t lowest, uint32_t start, const QProbe& probe)
{
    if (start == 0 || lowest >= start)
        return 0u;
    // nullopt: the probe failed; false: not in the gap; true: in it.
    const auto inGap = [&](uint32_t lba) -> std::optional<bool> {
        const std::optional<QPosition> q = probe(lba);
        if (!q)
            return std::nullopt;
        return q->track == track && q->index == 0;
    };
    const std::optional<bool> last = inGap(start - 1);
    if (!last)
        return std::nullopt;
    if (!*last)
        return 0u;
    uint32_t low = lowest, high = start - 1; // high is in the gap
    // Most gaps are the two seconds of the Red Book: tried first, they take three reads.
    if (start - lowest > kUsualGap) {
        const uint32_t guess = start - kUsualGap;
        const std::optional<bool> in = inGap(guess);
        if (!in)
            return std::nullopt;
        if (*in)
            high = guess;
        else
            low = guess + 1;
        if (*in && guess > low) {
            const std::optional<bool> before = inGap(guess - 1);
            if (!before)
                return std::nullopt;
            if (!*before)
                return kUsualGap;
            high = guess - 1;
        }
    }
    while (low < high) {
        const uint32_t middle = low + (high - low) / 2;
        const std::optional<bool> in = inGap(middle);
        if (!in)
            return std::nullopt;
        if (*in)
            high = middle;
        else
            low = middle + 1;
    }
    return start - high;
}

} // namespace quillon
