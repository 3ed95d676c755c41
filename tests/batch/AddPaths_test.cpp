#include "batch/AddPaths.h"
#include "formats/WavHeader.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace quillon {
namespace {

namespace fs = std::filesystem;

class AddPathsTest : public ::testing::Test
{
protected:
    std::string Write(const std::string& name, const std::string& bytes)
    {
        std::ofstream(dir_ + "/" + name, std::ios::binary) << bytes;
        return dir_ + "/" + name;
    }
    std::string WavBytes(size_t samples)
    {
        uint8_t header[kWavHeaderSize];
        BuildWavHeader(header, kWavHeaderSize + samples, 2, 44100);
        return std::string(reinterpret_cast<char*>(header), kWavHeaderSize) + std::string(samples, '\0');
    }

    std::string Sox(const std::string& name, const std::string& type)
    {
        const std::string path = dir_ + "/" + name;
        EXPECT_EQ(std::system(("sox -n -r 44100 -c 2 -b 16 " + type + " '" + path + "' synth 0.1 sine 997").c_str()),
                  0);
        return path;
    }

    testing_support::TempFolder folder_;
    const std::string dir_ = folder_.Path();
};

TEST_F(AddPathsTest, SortsPathsIntoEncodeAndDecodeJobsAndNamesEachRefusal)
{
    struct Row
    {
        std::string path;
        int action;
        const char* refusal;
    }; // action -1: refused
    fs::create_directory(dir_ + "/folder");
    const Row rows[] = {
        {Write("take.wav", WavBytes(4096)), kActionEncode, nullptr},
        {Write("LOUD.MP3", "\xff\xfb\x90\x00"), kActionDecode, nullptr},
        {Write("recording", WavBytes(2048)), kActionEncode, nullptr}, // WAV by content
        {Write("empty.Wav", ""), kActionEncode, nullptr},             // WAV by name
        {Write("x.mp2", ""), kActionDecode, nullptr},
        {Write("y.mpa", ""), kActionDecode, nullptr},
        {Write("notes.txt", "hello"), -1, "neither an audio file Quillon can read"},
        {Write("Album.FLAC", ""), kActionEncode, nullptr}, // by name, as libsndfile's formats are named
        {Write("b.ogg", ""), kActionEncode, nullptr},
        {Write("c.opus", ""), kActionEncode, nullptr},
        {Write("d.aif", ""), kActionEncode, nullptr},
        {Write("e.w64", ""), kActionEncode, nullptr},
        {Write("f.caf", ""), kActionEncode, nullptr},
        {Sox("flac-without-a-name-for-it", "-t flac"), kActionEncode, nullptr}, // by content
        {dir_ + "/missing.wav", -1, "No such file or directory"},
        {dir_ + "/folder", -1, "not a regular file"},
        {"", -1, "the name is empty"},
        {Write("z.mp1", ""), kActionDecode, nullptr},
    };
    std::vector<std::string> paths;
    for (const auto& row : rows)
        paths.push_back(row.path);

    JobList jobs;
    ASSERT_TRUE(jobs.SetDefaultOutputDir("/out"));
    const auto refused = AddPathsToBatch(jobs, paths, {});

    size_t job = 0, line = 0;
    for (const auto& row : rows) {
        if (row.action < 0) {
            ASSERT_LT(line, refused.size()) << row.path;
            EXPECT_NE(refused[line].find("Cannot add " + row.path + ": "), std::string::npos) << refused[line];
            EXPECT_NE(refused[line].find(row.refusal), std::string::npos) << refused[line];
            ++line;
            continue;
        }
        ASSERT_LT(job, static_cast<size_t>(jobs.Count())) << row.path;
        const FileJob& added = jobs.Job(static_cast<int>(job));
        EXPECT_EQ(added.InputPath(), row.path) << "added in the order given";
        EXPECT_EQ(added.action, row.action) << row.path;
        EXPECT_EQ(added.outputDir, "/out/");
        ++job;
    }
    EXPECT_EQ(line, refused.size());
    EXPECT_EQ(job, static_cast<size_t>(jobs.Count()));
    EXPECT_EQ(jobs.Job(0).outputName, "take.mp3");
    EXPECT_EQ(jobs.Row(0).sizeText, "4K");
    EXPECT_EQ(jobs.Row(1).outputName, "LOUD.wav");
    EXPECT_EQ(jobs.Row(1).optionText, "None");
}

TEST_F(AddPathsTest, RelativePathsBecomeAbsolute)
{
    const std::string wav = Write("a.wav", WavBytes(16));
    const auto here = fs::current_path();
    fs::current_path(dir_);
    JobList jobs;
    auto refused = AddPathsToBatch(jobs, {"./a.wav"}, {});
    fs::current_path(here);
    ASSERT_TRUE(refused.empty());
    EXPECT_EQ(jobs.Job(0).InputPath(), wav);
}

} // namespace
} // namespace quillon
