// A rip checked against the AccurateRip database, served from 127.0.0.1 by the local
// stand-in server; the records it answers are built from the sums whipper's
// accuraterip-checksum computes of the disc image. And the read offset correction stored
// for a drive model, used by grab and rip.

#include "tests/support/CdCommandTest.h"
#include "tests/support/LookupServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>

namespace quillon {
namespace {

namespace fs = std::filesystem;

const std::string kChecker = std::string(QUILLON_SOURCE_DIR) + "/tests/cli/rip_log_check.py";

// The disc of 40 and 25 sectors from LBA 0, lead-out 65: id1 = 0 + 40 + 65, id2 = 1×1 +
// 40×2 + 65×3, freedb id (2 + 2) << 24 | 0 << 8 | 2; the folders are id1's last hex digits.
const char* const kDatabaseFile = "dBAR-002-00000069-00000114-04000002.bin";
const char* const kDatabasePath = "/accuraterip/9/6/0/dBAR-002-00000069-00000114-04000002.bin";

std::string ReadText(const std::string& path)
{
    const auto bytes = testing_support::ReadBinaryFile(path);
    return std::string(bytes.begin(), bytes.end());
}

struct TrackSums
{
    uint32_t v1 = 0;
    uint32_t v2 = 0;
};

// One track of a database record: its confidence and checksum.
struct Entry
{
    uint8_t confidence;
    uint32_t checksum;
};

void PutLittleEndian(std::string& out, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out += static_cast<char>(value >> shift & 0xFF);
}

// A database record of the test disc, as the database writes it.
std::string Record(const std::vector<Entry>& tracks)
{
    std::string out(1, static_cast<char>(tracks.size()));
    for (const uint32_t id : {0x69u, 0x114u, 0x04000002u})
        PutLittleEndian(out, id);
    for (const Entry& entry : tracks) {
        out += static_cast<char>(entry.confidence);
        PutLittleEndian(out, entry.checksum);
        PutLittleEndian(out, 0x12345678); // the frame-450 sum, not compared
    }
    return out;
}

class RipAccuracy : public testing_support::CdCommandTest
{
protected:
    void SetUp() override
    {
        MakeDisc({{false, 40}, {false, 25}}, "", {"out", "tmp", "server"});
        // accuraterip-checksum's v1 and v2 of each track of the image.
        const CliRun sums = RunShell("python3 " + kChecker + " " + disc.bin + " 0 " + disc.cue + " 40 25");
        ASSERT_EQ(sums.status, 0) << sums.out;
        std::istringstream lines(sums.out);
        std::string line;
        unsigned value = 0;
        while (std::getline(lines, line)) {
            if (std::sscanf(line.c_str(), "    AccurateRip v1 %X", &value) == 1)
                tracks.push_back({value, 0});
            else if (std::sscanf(line.c_str(), "    AccurateRip v2 %X", &value) == 1 && !tracks.empty())
                tracks.back().v2 = value;
        }
        ASSERT_EQ(tracks.size(), 2u) << sums.out;
        ASSERT_NE(tracks[0].v1, tracks[0].v2); // else [v1] and [v2] could not be told apart
    }

    // The plan's line for the disc's database file.
    void Serve(const std::string& behaviour) const { server.Plan(std::string(kDatabaseFile) + " " + behaviour + "\n"); }

    void Answer(const std::string& bytes) const
    {
        testing_support::WriteTextFile(server.AnswerFolder() + "/answer.bin", bytes);
        Serve("answer answer.bin");
    }

    std::vector<TrackSums> tracks;
    testing_support::LookupServer server{dir / "server"};
};

} // namespace

TEST_F(RipAccuracy, EachTrackIsJudgedByEveryRecordOfTheAnswer)
{
    ASSERT_TRUE(server.Started());
    const uint32_t wrong = 0xDEADBEEF;
    struct Row
    {
        const char* what;
        std::string plan; // "" for an answer of `records`
        std::string records;
        std::string args;
        int status;
        std::vector<std::string> lines; // printed, and in the log
        bool asked = true;
    };
    const std::vector<Row> rows = {
        // The v2 sum in the second record, the v1 sum in the first, each with its confidence.
        {"matching records",
         "",
         Record({{12, wrong}, {4, tracks[1].v1}}) + Record({{7, tracks[0].v2}, {9, wrong}}),
         "",
         0,
         {"Track  1: Accurately ripped (confidence 7) [v2]", "Track  2: Accurately ripped (confidence 4) [v1]",
          "    Accurately ripped: 2 of 2"}},
        {"other sums",
         "",
         Record({{5, wrong}, {5, tracks[1].v2 + 1}}),
         "",
         1,
         {"Track  1: Not accurate", "Track  2: Not accurate", "    Not accurate: 2 of 2"}},
        {"one track wrong",
         "",
         Record({{3, tracks[0].v1}, {3, wrong}}),
         "",
         1,
         {"Track  1: Accurately ripped (confidence 3) [v1]", "Track  2: Not accurate"}},
        {"404",
         "missing",
         "",
         "",
         0,
         {"Track  1: Not in AccurateRip", "Track  2: Not in AccurateRip", "    Not in AccurateRip: 2 of 2"}},
        {"a page for the missing disc", "html", "", "", 0, {"Track  2: Not in AccurateRip"}},
        {"bytes that are no records",
         "garbage",
         "",
         "",
         0,
         {"quillon rip: The answer of AccurateRip cannot be read: it is not a whole number of database records (40 "
          "bytes)",
          "    AccurateRip: The answer of AccurateRip cannot be read"}},
        {"a closed connection",
         "close",
         "",
         "",
         0,
         {"quillon rip: Could not reach AccurateRip: ", "    AccurateRip: Could not reach AccurateRip: "}},
        {"not asked",
         "",
         Record({{5, wrong}, {5, wrong}}),
         "--no-accuraterip ",
         0,
         {"    AccurateRip: not asked (--no-accuraterip)"},
         false},
    };
    // grab judges its WAV files as rip its MPEG files.
    for (const auto& [command, extension] : {std::pair{"rip", ".mp3"}, std::pair{"grab", ".WAV"}})
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(command) + ": " + row.what);
            const std::string first = "out/Track01" + std::string(extension);
            const std::string second = "out/Track02" + std::string(extension);
            for (const std::string& name : {first, second, std::string("out/disc-04000002.log")})
                std::remove((dir / name).c_str());
            if (row.plan.empty())
                Answer(row.records);
            else
                Serve(row.plan);
            server.Requests();
            const CliRun r = Run(std::string(command) + " --tracks 1-2 " + row.args + "-o out");
            EXPECT_EQ(r.status, row.status) << r.out;
            // The files stay whatever the verdict.
            EXPECT_TRUE(fs::exists(dir / first) && fs::exists(dir / second)) << r.out;
            const std::string log = ReadText(dir / "out/disc-04000002.log");
            for (const std::string& line : row.lines) {
                if (line.rfind("Track", 0) == 0) {
                    EXPECT_NE(r.out.find(line + "\n"), std::string::npos) << line << "\n" << r.out;
                    // In the log, the line stands in the track's own block.
                    const std::string block = "Track " + line.substr(6, 2);
                    const size_t at = log.find(block + "\n");
                    const size_t end = log.find("\n\n", at);
                    ASSERT_NE(at, std::string::npos) << log;
                    EXPECT_NE(log.substr(at, end - at).find("\n    " + line.substr(10) + "\n"), std::string::npos)
                        << line << "\n"
                        << log;
                } else if (line.rfind("quillon rip: ", 0) == 0) {
                    const std::string told = "quillon " + std::string(command) + ": " + line.substr(13);
                    EXPECT_NE(r.out.find(told), std::string::npos) << told << "\n" << r.out;
                } else {
                    EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
                }
            }
            const std::string requests = server.Requests();
            if (row.asked)
                EXPECT_EQ(requests.substr(0, requests.find('\t')), std::string(kDatabasePath) + "?") << requests;
            else
                EXPECT_EQ(requests, "");
        }
}

// `defaults --save --drive N --offset C` keeps the correction for the drive's model; grab
// and rip then read the disc's own audio from a drive that needs it.
TEST_F(RipAccuracy, StoredCorrectionIsUsedForTheDrivesModel)
{
    testing_support::WriteTextFile(dir / "drives", "ATAPI | QUILLON | VIRTUAL CD | 1.0 | disc.cue | offset=667\n");
    ExpectAnswers({
        {"rip --no-accuraterip --tracks 1 -o out", 0, ""},
        {"defaults --save --drive 0 --offset 220501", 2,
         "quillon: bad read offset correction \"220501\" (samples, from -220500 to 220500)"},
        {"defaults --save --offset 6", 2, "--offset is stored for a drive's model: give --drive N too"},
        {"defaults --save --drive 3 --offset 6", 1, "there is no drive 3"},
        {"defaults --save --drive 0 --offset +667", 0,
         "Read offset correction of drive 0 (QUILLON VIRTUAL CD): +667 samples"},
        {"defaults", 0, "Default CD drive: 0\nRead offset correction of drive 0 (QUILLON VIRTUAL CD): +667 samples\n"},
    });
    EXPECT_NE(ReadText(dir / "out/disc-04000002.log").find("\nRead offset correction: offset not set\n"),
              std::string::npos);
    EXPECT_NE(ReadText(dir / "config/Norvane/Quillon/2.51.conf").find("DriveOffsets\\QUILLON%20VIRTUAL%20CD=667"),
              std::string::npos)
        << ReadText(dir / "config/Norvane/Quillon/2.51.conf");

    std::vector<uint8_t> want = testing_support::PatternSectors(0, 65);
    std::fill(want.end() - 667 * 4, want.end(), 0);
    const CliRun grab = Run("grab --tracks 1-2 -o out");
    ASSERT_EQ(grab.status, 0) << grab.out;
    std::vector<uint8_t> audio;
    for (const char* name : {"out/Track01.WAV", "out/Track02.WAV"}) {
        const auto bytes = testing_support::ReadBinaryFile(dir / name);
        ASSERT_GT(bytes.size(), 44u) << name;
        audio.insert(audio.end(), bytes.begin() + 44, bytes.end());
    }
    EXPECT_TRUE(audio == want) << "the stored correction was not used";

    const CliRun rip = Run("rip --no-accuraterip --tracks 1-2 -o out");
    ASSERT_EQ(rip.status, 0) << rip.out;
    EXPECT_NE(ReadText(dir / "out/disc-04000002.log").find("\nRead offset correction: +667 samples\n"),
              std::string::npos);
}

} // namespace quillon
