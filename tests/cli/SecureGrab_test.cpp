// Secure mode through the real program, over virtual drives that play the faults it exists
// for: each WAV compared byte for byte with what the image holds, each log read for the
// track's test and copy CRCs and suspicious positions.

#include "tests/support/CdCommandTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

namespace quillon {
namespace {

// The grabbed track 1 of 1000 sectors; sector 500 is the one the faults name.
constexpr uint32_t kTrackSectors = 1000;
constexpr uint32_t kFaultSector = 500;

enum class Audio { Image, Differs, ImageOrMarked };

struct Row
{
    const char* what;
    std::string flags;
    std::string command = "grab --secure --tracks 1";
    std::string environment = {}; // "export NAME=VALUE;" before quillon starts
    Audio audio = Audio::Image;
    bool marked = false;    // suspicious positions in the log and a line on the error output
    bool crcsAgree = false; // test CRC == copy CRC
};

struct Grabbed
{
    CliRun run;
    std::vector<uint8_t> audio;
    std::string log;
};

class SecureGrab : public testing_support::CdCommandTest
{
protected:
    Grabbed Grab(const Row& row, const std::string& folder)
    {
        testing_support::WriteTextFile(dir / "drives",
                                       "ATAPI | QUILLON | VIRTUAL CD | 1.0 | disc.cue | " + row.flags + "\n");
        dir.MakeFolder(folder);
        Grabbed g;
        g.run = Run(row.command + " -o " + folder, "", row.environment);
        const auto wav = testing_support::ReadBinaryFile(dir / (folder + "/Track01.WAV"));
        if (wav.size() > 44)
            g.audio.assign(wav.begin() + 44, wav.end());
        for (const auto& entry : std::filesystem::directory_iterator(dir / folder))
            if (entry.path().extension() == ".log") {
                const auto bytes = testing_support::ReadBinaryFile(entry.path().string());
                g.log.assign(bytes.begin(), bytes.end());
            }
        return g;
    }

    static std::string LineAfter(const std::string& text, const std::string& start)
    {
        const size_t at = text.find(start);
        return at == std::string::npos ? "" : text.substr(at + start.size(), text.find('\n', at) - at - start.size());
    }
};

} // namespace

TEST_F(SecureGrab, SecureModeGivesTheImagesAudioOrMarksTheTrack)
{
    MakeDisc({{false, kTrackSectors}, {false, 2500}}, "", {"tmp"});
    const std::vector<uint8_t> image = testing_support::PatternSectors(0, kTrackSectors);
    const std::string sector = std::to_string(kFaultSector);
    const std::vector<Row> rows = {
        {"a clean disc", "", "grab --secure --tracks 1", "", Audio::Image, false, true},
        // The probability reads alike whatever the locale's decimal point.
        {"jitter", "jitter=0.05 seed=7", "grab --secure --tracks 1", "export LC_ALL=de_DE.UTF-8;", Audio::ImageOrMarked,
         false, false},
        {"jitter, another seed", "jitter=0.2 seed=12345", "grab --secure --tracks 1", "", Audio::ImageOrMarked, false,
         false},
        {"garbage a few re-reads outvote", "garbage=" + sector + ":3", "grab --secure --tracks 1", "", Audio::Image,
         false, false},
        {"garbage on every read", "garbage=" + sector + ":1000", "grab --secure --tracks 1", "", Audio::Differs, true,
         true},
        {"the same wrong samples every time", "stuck=" + sector, "grab --secure --tracks 1", "", Audio::Differs, false,
         true},
        {"garbage under a cache, the cache defeated", "cache=1100 garbage=" + sector + ":2", "grab --secure --tracks 1",
         "", Audio::Image, false, false},
        {"garbage under a cache kept: the second pass reads the cache", "cache=1100 garbage=" + sector + ":2",
         "grab --secure --tracks 1", "export QUILLON_TEST_KEEP_DRIVE_CACHE=1;", Audio::Differs, false, true},
    };
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const Grabbed g = Grab(row, "out" + std::to_string(n++));
        ASSERT_EQ(g.audio.size(), image.size()) << g.run.out;
        const bool same = g.audio == image;
        const bool marked = g.log.find("Suspicious positions:\n") != std::string::npos;
        if (row.audio == Audio::ImageOrMarked) {
            // Never a wrong track that looks good.
            EXPECT_TRUE(same || marked) << g.log;
            EXPECT_EQ(g.run.status, marked ? 1 : 0) << g.run.out;
            continue;
        }
        EXPECT_EQ(same, row.audio == Audio::Image);
        EXPECT_EQ(marked, row.marked) << g.log;
        EXPECT_EQ(g.run.status, row.marked ? 1 : 0) << g.run.out;
        const std::string testCrc = LineAfter(g.log, "    Test CRC ");
        const std::string copyCrc = LineAfter(g.log, "    Copy CRC ");
        ASSERT_EQ(testCrc.size(), 8u) << g.log;
        EXPECT_EQ(testCrc == copyCrc, row.crcsAgree) << g.log;
        if (row.marked) {
            EXPECT_NE(g.log.find("(sectors " + sector + " to " + sector + ")\n"), std::string::npos) << g.log;
            EXPECT_NE(g.run.out.find("quillon grab: Track01.WAV: suspicious positions at sectors " + sector + ":"),
                      std::string::npos)
                << g.run.out;
        }
    }

    // Without --secure the faults go through as they are: a read once, and no test CRC.
    for (const std::string& flags : std::vector<std::string>{"jitter=0.05 seed=7", "garbage=" + sector + ":1"}) {
        const Grabbed g = Grab({"plain", flags, "grab --tracks 1"}, "plain" + std::to_string(n++));
        EXPECT_EQ(g.run.status, 0) << g.run.out;
        EXPECT_FALSE(g.audio == image) << flags;
        EXPECT_EQ(g.log.find("Test CRC"), std::string::npos) << g.log;
    }
    const Grabbed clean = Grab({"plain", "", "grab --tracks 1"}, "plain-clean");
    EXPECT_TRUE(clean.audio == image);

    // Ctrl-C stops a secure grab within a chunk, keeping what was settled before it.
    testing_support::WriteTextFile(dir / "drives", "ATAPI | QUILLON | VIRTUAL CD | 1.0 | disc.cue | delay=10\n");
    dir.MakeFolder("stopped");
    const auto start = std::chrono::steady_clock::now();
    const CliRun stopped = Run("grab --secure --tracks 2 -o stopped", "sleep 0.5; kill -INT $p");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
    EXPECT_EQ(stopped.status, 130) << stopped.out;
    const auto part = testing_support::ReadBinaryFile(dir / "stopped/Track02.WAV");
    ASSERT_GE(part.size(), 44u) << stopped.out;
    EXPECT_LT(part.size() - 44, 2500u * 2352);
    EXPECT_EQ((part.size() - 44) % (1024 * 2352), 0u) << "whole chunks only";
    EXPECT_TRUE(
        std::equal(part.begin() + 44, part.end(), testing_support::PatternSectors(kTrackSectors, 2500).begin()));

    // A rip in secure mode marks the track the same way and fails.
    const Grabbed rip = Grab({"rip", "garbage=" + sector + ":1000", "rip --secure --tracks 1"}, "ripped");
    EXPECT_EQ(rip.run.status, 1) << rip.run.out;
    EXPECT_NE(rip.run.out.find("quillon rip: Track01.mp3: suspicious positions at sectors " + sector + ":"),
              std::string::npos)
        << rip.run.out;
    EXPECT_NE(rip.log.find("Read mode: Secure"), std::string::npos) << rip.log;
    EXPECT_NE(rip.log.find("(sectors " + sector + " to " + sector + ")\n"), std::string::npos) << rip.log;
}

} // namespace quillon
