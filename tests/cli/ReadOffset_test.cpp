#include "tests/support/CdCommandTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

using namespace quillon;
using testing_support::CdCommandTest;

namespace {

class ReadOffset : public CdCommandTest
{
protected:
    // The two tracks' audio as grab writes it from a drive that needs the correction
    // `drive`, corrected by `given` ("" for none).
    std::vector<uint8_t> Grab(int drive, const std::string& given)
    {
        testing_support::WriteTextFile(
            dir / "drives", "ATAPI | QUILLON | VIRTUAL CD | 1.0 | disc.cue | offset=" + std::to_string(drive) + "\n");
        std::remove((dir / "out/Track01.WAV").c_str());
        std::remove((dir / "out/Track02.WAV").c_str());
        const CliRun r = Run("grab --tracks 1-2 " + given + " -o out");
        EXPECT_EQ(r.status, 0) << r.out;
        std::vector<uint8_t> audio;
        for (const char* name : {"out/Track01.WAV", "out/Track02.WAV"}) {
            const auto bytes = testing_support::ReadBinaryFile(dir / name);
            if (bytes.size() > 44)
                audio.insert(audio.end(), bytes.begin() + 44, bytes.end());
        }
        return audio;
    }
};

} // namespace

// A drive that delivers its data early or late gives the disc's own audio once its
// correction is given, of any size and sign; what lies beyond the disc is silence.
TEST_F(ReadOffset, CorrectionGivesTheDiscsAudioWithSilenceBeyondIt)
{
    MakeDisc({{false, 40}, {false, 25}}, "", {"out"});
    const std::vector<uint8_t> image = testing_support::PatternSectors(0, 65);
    for (const int c : {-1200, -1, 6, 667, 1200}) {
        std::vector<uint8_t> want = image;
        const size_t silent = static_cast<size_t>(std::abs(c)) * 4;
        if (c < 0)
            std::fill(want.begin(), want.begin() + static_cast<long>(silent), 0);
        else
            std::fill(want.end() - static_cast<long>(silent), want.end(), 0);
        const std::string given = "--offset " + std::string(c > 0 ? "+" : "") + std::to_string(c);
        EXPECT_TRUE(Grab(c, given) == want) << "correction " << c;
        // Without the correction the drive's shift stays in the files.
        EXPECT_FALSE(Grab(c, "") == image) << "correction " << c << " not given";
    }
    ExpectAnswers({
        {"grab --tracks 1 --offset x -o out", 2,
         "quillon grab: bad read offset correction \"x\" (samples, from -220500 to 220500)"},
        {"grab --tracks 1 --offset 220501 -o out", 2, "bad read offset correction \"220501\""},
        {"rip --tracks 1 --offset 6x -o out", 2,
         "quillon rip: bad read offset correction \"6x\" (samples, from -220500 to 220500)"},
    });
}
