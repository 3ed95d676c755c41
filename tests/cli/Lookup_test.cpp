// `quillon lookup`, `quillon toc` and `quillon rip --lookup` run as a user runs them,
// against tests/cli/lookup_server.py on 127.0.0.1 answering with the recorded answers of
// tests/cli/lookup-answers/ (their sources are in its README) and with the failures a
// network gives.

#include "tests/cd/TestDisc.h"
#include "tests/support/LookupServer.h"
#include "tests/support/ShellRun.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quillon {
namespace {

namespace fs = std::filesystem;
const fs::path kHere = fs::path(QUILLON_SOURCE_DIR) / "tests/cli";

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class Lookup : public ::testing::Test
{
protected:
    testing_support::TempFolder dir;
    pid_t server = -1;
    std::string url;

    // Drive 0: Wish You Were Here's Immersion disc 2; drive 1: Aerial's disc 2; drive 2: a
    // disc of four short tracks (the fuzzy answer's single).
    void SetUp() override
    {
        testing_support::WriteTocImage(dir.Path(), "wywh", {150, 91851, 148493, 230435, 240674, 273050}, 301068);
        testing_support::WriteTocImage(dir.Path(), "aerial",
                                       {150, 6614, 32287, 54041, 61236, 88129, 92729, 115276, 153877}, 189343);
        testing_support::WriteTocImage(dir.Path(), "single", {150, 450, 750, 1050}, 1350);
        testing::WriteTextFile(dir / "drives", "ATAPI | QUILLON | VIRTUAL CD | 1.0 | wywh.cue\n"
                                               "ATAPI | QUILLON | VIRTUAL CD | 1.0 | aerial.cue\n"
                                               "ATAPI | QUILLON | VIRTUAL CD | 1.0 | single.cue\n");
        for (const char* folder : {"answers", "out", "tmp"})
            dir.MakeFolder(folder);
        for (const auto& answer : fs::directory_iterator(kHere / "lookup-answers"))
            fs::copy_file(answer.path(), dir / ("answers/" + answer.path().filename().string()));
        Plan("");
        StartServer();
        ::setenv("QUILLON_LOOKUP_TIMEOUT", "2", 1);
    }

    void TearDown() override
    {
        ::unsetenv("QUILLON_MUSICBRAINZ_SERVER");
        ::unsetenv("QUILLON_COVERART_SERVER");
        ::unsetenv("QUILLON_LOOKUP_TIMEOUT");
        if (server > 0) {
            ::kill(server, SIGTERM);
            ::waitpid(server, nullptr, 0);
        }
    }

    void StartServer()
    {
        const std::string script = (kHere / "lookup_server.py").string();
        const std::string answers = dir / "answers", plan = dir / "plan", port = dir / "port", log = dir / "log";
        server = ::fork();
        if (server == 0) {
            ::execl("/usr/bin/python3", "python3", script.c_str(), answers.c_str(), plan.c_str(), port.c_str(),
                    log.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        for (int i = 0; i < 100 && !fs::exists(port); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ASSERT_TRUE(fs::exists(port)) << "the server did not start";
        url = "http://127.0.0.1:" + ReadText(port);
        ::setenv("QUILLON_MUSICBRAINZ_SERVER", url.c_str(), 1);
        ::setenv("QUILLON_COVERART_SERVER", url.c_str(), 1);
    }

    void Plan(const std::string& lines) const { testing::WriteTextFile(dir / "plan", lines); }

    // The requests the server saw since the last call.
    std::string Requests() const
    {
        const std::string log = ReadText(dir / "log");
        testing::WriteTextFile(dir / "log", "");
        return log;
    }

    CliRun Run(const std::string& args) const { return Quillon(dir.Path(), args); }

    // The MusicBrainz disc id `quillon toc` shows for a drive.
    std::string DiscIdOf(int drive) const
    {
        const std::string out = Run("toc --drive " + std::to_string(drive)).out;
        const std::string label = "MusicBrainz disc id: ";
        const size_t at = out.find(label);
        return at == std::string::npos ? std::string() : out.substr(at + label.size(), 28);
    }
};

size_t Count(const std::string& text, const std::string& part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

const std::string kWywh = "6NksHllhjO74WpVDabBDhj3P0qk-";
const std::string kAerial = "IeldkVfIh1wep_M8CMuDvA0nQ7Q-";

// An answer the service gives for a disc, the command, and what it must show and ask.
struct AnswerRow
{
    const char* what;
    std::string plan;
    std::string args;
    int status;
    std::vector<std::string> shown;
    std::vector<std::pair<std::string, size_t>> requests; // a part of a request line, how many
};

std::vector<AnswerRow> AnswerRows(const std::string& single, const std::string& singleToc)
{
    return {
        {"a disc id on the second medium of five",
         kWywh + " answer wish-you-were-here.json",
         "lookup",
         0,
         {"MusicBrainz disc id: " + kWywh + "\n",
          "1. Pink Floyd \u2013 Wish You Were Here (2011, XE, EMI, CD 2/5, 6 tracks)\n",
          "Release 1: Wish You Were Here\nAlbum artist: Pink Floyd\nYear: 2011\n"},
         {{"/ws/2/discid/" + kWywh +
               "?inc=artist-credits+recordings+labels&cdstubs=no&fmt=json\t"
               "Quillon/2.51 ( https://www.norvane.example/quillon/ )",
           1}}},
        {"an unknown id found by its TOC: two releases, the second chosen",
         kAerial + " toc aerial-toc.json",
         "lookup --drive 1 --release 2",
         0,
         {"1. [unknown artist] \u2013 Aerial (2008, Format 2/2, 9 tracks)\n",
          "2. [unknown artist] \u2013 Aerial (2007, Format 2/2, 9 tracks)\n", "Release 2: Aerial\n", "Year: 2007\n"},
         {{"/ws/2/discid/" + kAerial + "?inc=", 1},
          {"/ws/2/discid/" + kAerial + "?toc=1+9+189343+150+6614+32287+54041+61236+88129+92729+115276+153877&", 1}}},
        {"a release number beyond those found",
         kAerial + " answer aerial-discid.json",
         "lookup --drive 1 --release 3",
         2,
         {"quillon lookup: there is no release 3 (releases 1 to 1 were found)\n"},
         {{"?inc=", 1}}},
        {"whole texts of any script, by the TOC",
         single + " toc careless-toc.json",
         "lookup --drive 2",
         0,
         {"1. [unknown artist] \u2013 \u30b1\u30a2\u30ec\u30b9 (2021, JP, CD 1/2, 4 tracks)\n",
          "  1  \u30b1\u30a2\u30ec\u30b9  /  \n", "  2  Bye-Bye Butterfly  /  \n",
          "  4  \u30b1\u30a2\u30ec\u30b9 -Instrumental-  /  \n"},
         {{singleToc, 1}}},
        {"not in the database",
         single + " missing",
         "lookup --drive 2",
         1,
         {"This disc is not in MusicBrainz.\n"},
         {{"?inc=", 1}, {singleToc, 1}}},
        {"busy once, then answered",
         single + " busy careless-toc.json",
         "lookup --drive 2",
         0,
         {"  3  Starry  /  \n"},
         {{"/ws/2/discid/" + single + "?inc=", 2}}},
        {"an answer that is no JSON",
         single + " garbage",
         "lookup --drive 2",
         1,
         {"The answer of MusicBrainz cannot be read: it is not a JSON object\n"},
         {{"?inc=", 1}}},
        {"no answer within the time-out",
         single + " slow careless-toc.json",
         "lookup --drive 2",
         1,
         {"Could not reach MusicBrainz: Operation timed out after 2"},
         {{"?inc=", 1}}},
        {"the connection closed",
         single + " close",
         "lookup --drive 2",
         1,
         {"Could not reach MusicBrainz: Empty reply from server\n"},
         {{"?inc=", 1}}},
    };
}

// Each answer the service can give, and what `quillon lookup` makes of it: the releases
// and tracks it prints, the clear text of a failure, and the requests it made.
TEST_F(Lookup, EachAnswerGivesItsReleasesOrItsClearText)
{
    const CliRun toc = Run("toc");
    EXPECT_NE(toc.out.find("MusicBrainz disc id: " + kWywh + "\nfreedb id: "), std::string::npos) << toc.out;
    const std::string single = DiscIdOf(2);
    const std::string singleToc = "toc=1+4+1350+150+450+750+1050&";
    const std::vector<AnswerRow> rows = AnswerRows(single, singleToc);
    for (const auto& row : rows) {
        Plan(row.plan + "\n");
        Requests();
        const auto started = std::chrono::steady_clock::now();
        const CliRun r = Run(row.args);
        const auto took = std::chrono::steady_clock::now() - started;
        EXPECT_EQ(r.status, row.status) << row.what << ": " << r.out;
        for (const std::string& text : row.shown)
            EXPECT_NE(r.out.find(text), std::string::npos) << row.what << ": no \"" << text << "\" in\n" << r.out;
        const std::string requests = Requests();
        for (const auto& [part, count] : row.requests)
            EXPECT_EQ(Count(requests, part), count) << row.what << ": \"" << part << "\" in\n" << requests;
        EXPECT_LT(took, std::chrono::seconds(10)) << row.what << ": no request may hang";
    }

    // Nothing listening at all.
    ::setenv("QUILLON_MUSICBRAINZ_SERVER", "http://127.0.0.1:9", 1);
    const CliRun unreachable = Run("lookup --drive 2");
    EXPECT_EQ(unreachable.status, 1);
    EXPECT_NE(unreachable.out.find("Could not reach MusicBrainz: Failed to connect to 127.0.0.1 port 9"),
              std::string::npos)
        << unreachable.out;
}

// The 128-byte record at the end of an MPEG file made from a CD track.
struct Record
{
    std::string title, artist, album, year;
};
Record TrailingRecord(const std::string& path)
{
    const auto bytes = testing::ReadBinaryFile(path);
    if (bytes.size() < 128)
        return {};
    const std::string tail(bytes.end() - 128, bytes.end());
    auto field = [&](size_t at, size_t width) { return std::string(tail.substr(at, width).c_str()); };
    return {field(3, 30), field(33, 30), field(63, 30), field(93, 4)};
}

// `lookup --save` stores the chosen release as the grabber's O&K does, cover included;
// `rip --lookup` names and tags the files from the look-up, over the stored text.
TEST_F(Lookup, SaveAndRipTakeTheChosenReleaseAndMedium)
{
    const std::string single = DiscIdOf(2);
    Plan(kWywh + " answer wish-you-were-here.json\n" + single + " toc careless-toc.json\n");
    ASSERT_EQ(
        RunShell("convert -size 8x8 xc:red '" + (dir / "answers/f17a0f30-8eb1-4322-b54e-fb71edb78d7c.jpg") + "' 2>&1")
            .status,
        0);

    const CliRun saved = Run("lookup --save");
    ASSERT_EQ(saved.status, 0) << saved.out;
    const std::string requests = Requests();
    EXPECT_NE(requests.find("/release/f17a0f30-8eb1-4322-b54e-fb71edb78d7c/front-500?\tQuillon/2.51"),
              std::string::npos)
        << requests;
    std::string stored, cover;
    for (const auto& file : fs::directory_iterator(dir / "cddata")) {
        if (file.path().extension() == ".txt")
            stored = ReadText(file.path());
        if (file.path().extension() == ".cover")
            cover = ReadText(file.path());
    }
    EXPECT_EQ(cover, ReadText(dir / "answers/f17a0f30-8eb1-4322-b54e-fb71edb78d7c.jpg"));
    for (const std::string line : {"1 title Track01\n", "1 artist Pink Floyd\n", "1 album Wish You Were Here\n",
                                   "1 year 2011\n", "6 album Wish You Were Here\n"})
        EXPECT_NE(stored.find(line), std::string::npos) << line << " in\n" << stored;

    // Stored text first: a plain rip takes it; --lookup takes the look-up's.
    const CliRun plain = Run("rip --drive 2 --tracks 3 --artist Someone -o out");
    ASSERT_EQ(plain.status, 0) << plain.out;
    EXPECT_EQ(Requests(), "") << "a rip without --lookup asks no server";
    const CliRun looked = Run("rip --drive 2 --lookup --tracks 1,3 -o out");
    ASSERT_EQ(looked.status, 0) << looked.out;
    EXPECT_NE(looked.out.find("Release: [unknown artist] \u2013 \u30b1\u30a2\u30ec\u30b9 (2021, JP, CD 1/2, 4 tracks)"),
              std::string::npos)
        << looked.out;
    const Record starry = TrailingRecord(dir / "out/Starry.mp3");
    EXPECT_EQ(starry.title, "Starry");
    EXPECT_EQ(starry.album, "????") << "the record keeps what Latin-1 can";
    EXPECT_EQ(starry.year, "2021");
    EXPECT_TRUE(fs::exists(dir / "out/\u30b1\u30a2\u30ec\u30b9.mp3")) << looked.out;

    // A look-up that fails is told and the rip goes on.
    Plan("");
    const CliRun failed = Run("rip --drive 2 --lookup --tracks 2 -o out");
    EXPECT_EQ(failed.status, 0) << failed.out;
    EXPECT_NE(failed.out.find("quillon rip: This disc is not in MusicBrainz."), std::string::npos) << failed.out;
}

} // namespace
} // namespace quillon
