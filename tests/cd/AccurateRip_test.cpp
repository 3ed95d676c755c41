#include "cd/AccurateRip.h"

#include "tests/support/ShellRun.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

using namespace quillon;

namespace {

// Ladyhawke's "Ladyhawke" (12 audio tracks and a data session): whipper's test data, its
// freedb id checked against freedb and its AccurateRip file name against EAC's request.
const std::vector<DiscTrackStart> kLadyhawke = {
    {0},      {15537},  {31691},  {50866},  {66466},  {81202},         {99409},
    {115920}, {133093}, {149847}, {161560}, {177682}, {207106, false},
};
constexpr uint32_t kLadyhawkeLeadOut = 210385;

std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string DataFile(const std::string& name)
{
    return std::string(QUILLON_TEST_DATA_DIR) + "/accuraterip/" + name;
}

} // namespace

TEST(AccurateRip, DiscIdsCountAudioTracksByTheirPlaceAndTheTrueLeadOut)
{
    const AccurateRipIds enhanced = ComputeAccurateRipIds(kLadyhawke, kLadyhawkeLeadOut);
    EXPECT_EQ(AccurateRipPath(enhanced), "a/5/d/dBAR-012-0013bd5a-00b8d489-c60af50d.bin");

    // The same audio tracks behind a data track: the ordinal, not the TOC number, counts.
    std::vector<DiscTrackStart> mixed = {{0, false}};
    for (size_t i = 0; i + 1 < kLadyhawke.size(); ++i)
        mixed.push_back(kLadyhawke[i]);
    const AccurateRipIds mixedIds = ComputeAccurateRipIds(mixed, kLadyhawkeLeadOut);
    EXPECT_EQ(mixedIds.id1, enhanced.id1);
    EXPECT_EQ(mixedIds.id2, enhanced.id2);
    EXPECT_EQ(mixedIds.audioTracks, 12);
}

TEST(AccurateRip, ChecksumsAgreeWithAccurateRipChecksumForEveryPlaceOnTheDisc)
{
    const testing_support::TempFolder folder;
    // 3 s and 7 samples of noise: the end falls inside a sector.
    const std::string raw = folder / "track.raw";
    const std::string wav = folder / "track.wav";
    ASSERT_EQ(RunShell("sox -V1 -R -r 44100 -c 2 -n -b 16 -e signed -t raw '" + raw +
                       "' synth 132307s whitenoise vol 0.5 " + "&& sox -t raw -r 44100 -b 16 -c 2 -e signed '" + raw +
                       "' '" + wav + "'")
                  .status,
              0);
    const std::vector<uint8_t> pcm = ReadBytes(raw);
    ASSERT_EQ(pcm.size(), 132307u * 4);

    struct Row
    {
        int track, total;
    };
    for (const Row row : {Row{1, 3}, Row{2, 3}, Row{3, 3}, Row{1, 1}}) {
        AccurateRipSum sum(pcm.size() / 4, row.track == 1, row.track == row.total);
        for (size_t at = 0; at < pcm.size(); at += 1001) // pieces that split samples
            sum.Add(std::span(pcm).subspan(at, std::min<size_t>(1001, pcm.size() - at)));
        char expected[32];
        const std::string words = "'" + wav + "' " + std::to_string(row.track) + " " + std::to_string(row.total);
        std::snprintf(expected, sizeof expected, "%08X\n%08X\n", sum.V1(), sum.V2());
        EXPECT_EQ(RunShell("accuraterip-checksum --accuraterip-v1 " + words + " && accuraterip-checksum " + words).out,
                  expected)
            << "track " << row.track << " of " << row.total;
    }
}

TEST(AccurateRip, DatabaseFilesReadAsTheirRecordsAndVerdictsFollowThem)
{
    // whipper's recorded answers of the AccurateRip database; the file name holds the ids.
    struct File
    {
        const char* name;
        size_t records;
    };
    for (const File file :
         {File{"dBAR-002-0000f21c-00027ef8-05021002.bin", 2}, File{"dBAR-011-0010e284-009228a3-9809ff0b.bin", 32},
          File{"dBAR-020-002e5023-029d8e49-040eaa14.bin", 1}}) {
        const std::vector<uint8_t> bytes = ReadBytes(DataFile(file.name));
        const auto records = ParseAccurateRipAnswer(bytes);
        ASSERT_TRUE(records) << file.name;
        EXPECT_EQ(records->size(), file.records) << file.name;
        for (const AccurateRipRecord& record : *records)
            EXPECT_EQ(AccurateRipPath(record.ids).substr(6), file.name);
        // A cut answer is no answer.
        EXPECT_FALSE(ParseAccurateRipAnswer(std::span(bytes).first(bytes.size() - 1))) << file.name;
    }
    EXPECT_FALSE(ParseAccurateRipAnswer(std::span(reinterpret_cast<const uint8_t*>("<html>404</html>"), 16)));

    // The values whipper's own tests expect of the two-track file.
    const auto records = *ParseAccurateRipAnswer(ReadBytes(DataFile("dBAR-002-0000f21c-00027ef8-05021002.bin")));
    const AccurateRipIds ids = records[0].ids;
    struct Verdict
    {
        int track;
        uint32_t v1, v2;
        const char* text;
    };
    for (const Verdict row : {
             Verdict{0, 0x284fc705, 0xdc77f9ab, "Accurately ripped (confidence 12) [v1]"},
             Verdict{1, 0x9cc1f32e, 0xdd97d2c3, "Accurately ripped (confidence 20) [v1]"},
             Verdict{0, 0xdeadbeef, 0xdc77f9ab, "Accurately ripped (confidence 7) [v2]"},
             Verdict{1, 0x89abcdef, 0x01234567, "Not accurate"},
         })
        EXPECT_EQ(AccurateRipVerdict(records, ids, row.track, row.v1, row.v2), row.text) << row.text;
    AccurateRipIds other = ids;
    ++other.id1;
    EXPECT_EQ(AccurateRipVerdict(records, other, 0, 0x284fc705, 0), "Not in AccurateRip");
    EXPECT_EQ(AccurateRipVerdict({}, ids, 0, 0x284fc705, 0), "Not in AccurateRip");
}
