// The Q sub-channel replies as drives give them: READ SUB-CHANNEL for the catalogue
// number and ISRCs, formatted Q after READ CD sectors, and the gap search over them.

#include "cd/QSubChannel.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace quillon {
namespace {

uint8_t Bcd(int v)
{
    return static_cast<uint8_t>(v / 10 << 4 | v % 10);
}

// A mode-1 Q frame of `lba` in track `track`, index `index`, numbers in BCD or binary,
// with its CRC unless `crc` is false.
std::vector<uint8_t> Frame(uint32_t lba, int track, int index, bool bcd = true, bool crc = true, uint8_t adr = 1)
{
    const auto code = [bcd](int v) { return bcd ? Bcd(v) : static_cast<uint8_t>(v); };
    const uint32_t a = lba + 150;
    std::vector<uint8_t> q = {static_cast<uint8_t>(0x00 | adr),
                              code(track),
                              code(index),
                              0,
                              0,
                              0,
                              0,
                              code(static_cast<int>(a / 4500)),
                              code(static_cast<int>(a / 75 % 60)),
                              code(static_cast<int>(a % 75)),
                              0,
                              0,
                              0,
                              0,
                              0,
                              0};
    if (crc) {
        const uint16_t c = QCrc(q.data());
        q[10] = static_cast<uint8_t>(c >> 8);
        q[11] = static_cast<uint8_t>(c);
    }
    return q;
}

// A READ SUB-CHANNEL reply of `format` carrying `code` (at byte 9) with the valid bit.
std::vector<uint8_t> SubChannelReply(uint8_t format, const std::string& code, bool valid = true, int track = 0)
{
    std::vector<uint8_t> r(kSubChannelReplyBytes, 0);
    r[3] = 20;
    r[4] = format;
    r[5] = format == 3 ? 0x10 : 0;
    r[6] = static_cast<uint8_t>(track);
    r[8] = valid ? 0x80 : 0;
    std::copy(code.begin(), code.end(), r.begin() + 9);
    return r;
}

TEST(QSubChannel, FormattedQFramesAsDrivesGiveThem)
{
    std::vector<uint8_t> badCrc = Frame(1000, 2, 1);
    badCrc[11] ^= 0x01;
    std::vector<uint8_t> badBcd = Frame(40, 1, 1);
    badBcd[2] = 0x1A;
    const struct
    {
        const char* name;
        std::vector<uint8_t> q;
        uint32_t lba;
        int track; // -1: no position
        int index;
    } rows[] = {
        {"BCD with CRC", Frame(1000, 2, 0), 1000, 2, 0},
        {"BCD, track 12 past a minute", Frame(80000, 12, 1), 80000, 12, 1},
        {"binary, track 12", Frame(80000, 12, 1, false), 80000, 12, 1},
        {"binary index 17, no CRC passed on", Frame(200000, 15, 17, false, false), 200000, 15, 17},
        {"BCD without CRC", Frame(1, 1, 0, true, false), 1, 1, 0},
        {"wrong CRC", badCrc, 1000, -1, 0},
        {"ADR 2 (catalogue number frame)", Frame(1000, 2, 1, true, true, 2), 1000, -1, 0},
        {"ADR 3 (ISRC frame)", Frame(1000, 2, 1, true, true, 3), 1000, -1, 0},
        {"absolute time of another sector", Frame(1001, 2, 1), 1000, -1, 0},
        {"index not BCD nor binary", badBcd, 40, -1, 0},
        {"all zeros", std::vector<uint8_t>(16, 0), 0, -1, 0},
    };
    for (const auto& row : rows) {
        const std::optional<QPosition> p = ParseFormattedQ(row.q.data(), row.lba);
        EXPECT_EQ(p.has_value(), row.track >= 0) << row.name;
        if (p && row.track >= 0) {
            EXPECT_EQ(p->track, row.track) << row.name;
            EXPECT_EQ(p->index, row.index) << row.name;
        }
    }
    // Track 1, index 1, 00:00:00, absolute 00:02:00: CRC-16/GSM as Python's binascii.crc_hqx
    // gives it (XMODEM, then inverted).
    const uint8_t first[10] = {0x01, 0x01, 0x01, 0, 0, 0, 0, 0, 0x02, 0};
    EXPECT_EQ(QCrc(first), 0x5A28);
}

TEST(QSubChannel, CatalogueNumberAndIsrcReplies)
{
    std::vector<uint8_t> shortClaim = SubChannelReply(2, "0724384260927");
    shortClaim[3] = 4;
    const struct
    {
        const char* name;
        std::vector<uint8_t> reply;
        size_t length;
        int track; // 0: catalogue number
        const char* expected;
    } rows[] = {
        {"catalogue number", SubChannelReply(2, "0724384260927"), 24, 0, "0724384260927"},
        {"MCVAL clear", SubChannelReply(2, "0724384260927", false), 24, 0, ""},
        {"all zeros though valid", SubChannelReply(2, "0000000000000"), 24, 0, ""},
        {"a letter in it", SubChannelReply(2, "07243842609A7"), 24, 0, ""},
        {"format 3 asked as 2", SubChannelReply(3, "0724384260927"), 24, 0, ""},
        {"transfer cut short", SubChannelReply(2, "0724384260927"), 12, 0, ""},
        {"header claims less", shortClaim, 24, 0, ""},
        {"ISRC", SubChannelReply(3, "GBAYE0601498", true, 4), 24, 4, "GBAYE0601498"},
        {"ISRC of another track", SubChannelReply(3, "GBAYE0601498", true, 5), 24, 4, ""},
        {"TCVAL clear", SubChannelReply(3, "GBAYE0601498", false, 4), 24, 4, ""},
        {"lower case", SubChannelReply(3, "gbaye0601498", true, 4), 24, 4, ""},
        {"refused: nothing came back", std::vector<uint8_t>(24, 0), 24, 4, ""},
    };
    for (const auto& row : rows) {
        const std::string got = row.track == 0 ? ParseCatalogReply(row.reply.data(), row.length)
                                               : ParseIsrcReply(row.reply.data(), row.length, row.track);
        EXPECT_EQ(got, row.expected) << row.name;
    }
}

TEST(QSubChannel, GapSearchFindsIndexZeroWithFewReads)
{
    // A disc: track 1 at 0, track 2's gap of the usual 150 sectors before its start at
    // 1050, track 3 at 2000 without gap, track 4's gap of one sector, track 5's gap from
    // the sector after track 4's start, tracks 6 and 7 with gaps a sector either side of 150.
    const std::map<uint32_t, std::pair<int, int>> starts = {
        {0, {1, 1}},    {900, {2, 0}},  {1050, {2, 1}}, {2000, {3, 1}}, {2999, {4, 0}}, {3000, {4, 1}},
        {3001, {5, 0}}, {5000, {5, 1}}, {5849, {6, 0}}, {6000, {6, 1}}, {6851, {7, 0}}, {7000, {7, 1}}};
    const auto positionOf = [&](uint32_t lba) { return std::prev(starts.upper_bound(lba))->second; };
    int reads = 0;
    bool refuse = false;
    const QProbe probe = [&](uint32_t lba) -> std::optional<QPosition> {
        ++reads;
        if (refuse)
            return std::nullopt;
        const auto [track, index] = positionOf(lba);
        return QPosition{track, index};
    };
    const struct
    {
        int track;
        uint32_t lowest, start;
        std::optional<uint32_t> gap;
        int mostReads;
    } rows[] = {
        {2, 1, 1050, 150u, 3},     {3, 1051, 2000, 0u, 1},    {4, 2001, 3000, 1u, 13}, {5, 3001, 5000, 1999u, 14},
        {6, 5001, 6000, 151u, 13}, {7, 6001, 7000, 149u, 13}, {1, 0, 0, 0u, 0},        {2, 901, 1050, 149u, 11},
    };
    for (const auto& row : rows) {
        reads = 0;
        EXPECT_EQ(FindPregap(row.track, row.lowest, row.start, probe), row.gap) << "track " << row.track;
        EXPECT_LE(reads, row.mostReads) << "track " << row.track;
    }
    refuse = true;
    EXPECT_EQ(FindPregap(2, 1, 1050, probe), std::nullopt);
}

} // namespace
} // namespace quillon
