#include "tests/support/LookupServer.h"

#include "tests/support/DiscImage.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quillon::testing_support {

namespace fs = std::filesystem;

namespace {

std::string ReadText(const std::string& path)
{
    const std::vector<uint8_t> bytes = ReadBinaryFile(path);
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

LookupServer::LookupServer(const std::string& folder) : folder_(folder)
{
    const fs::path source = fs::path(QUILLON_SOURCE_DIR) / "tests/cli";
    fs::create_directories(AnswerFolder());
    for (const auto& answer : fs::directory_iterator(source / "lookup-answers"))
        fs::copy_file(answer.path(), fs::path(AnswerFolder()) / answer.path().filename(),
                      fs::copy_options::overwrite_existing);
    Plan("");
    const std::string script = (source / "lookup_server.py").string();
    const std::string answers = AnswerFolder(), plan = folder_ + "/plan", port = folder_ + "/port",
                      log = folder_ + "/log";
    pid_ = ::fork();
    if (pid_ == 0) {
        ::execl("/usr/bin/python3", "python3", script.c_str(), answers.c_str(), plan.c_str(), port.c_str(), log.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    for (int i = 0; i < 200 && !fs::exists(port); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (!fs::exists(port))
        return;
    url_ = "http://127.0.0.1:" + ReadText(port);
    ::setenv("QUILLON_MUSICBRAINZ_SERVER", url_.c_str(), 1);
    ::setenv("QUILLON_COVERART_SERVER", url_.c_str(), 1);
    ::setenv("QUILLON_ACCURATERIP_SERVER", url_.c_str(), 1);
}

LookupServer::~LookupServer()
{
    // Never back to the real services: what a test does after the server ends must not
    // reach the internet.
    for (const char* name : {"QUILLON_MUSICBRAINZ_SERVER", "QUILLON_COVERART_SERVER", "QUILLON_ACCURATERIP_SERVER"})
        ::setenv(name, "http://127.0.0.1:9", 1);
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
}

void LookupServer::Plan(const std::string& lines) const
{
    WriteTextFile(folder_ + "/plan", lines);
}

std::string LookupServer::Requests() const
{
    const std::string log = ReadText(folder_ + "/log");
    WriteTextFile(folder_ + "/log", "");
    return log;
}

void WriteTocImage(const std::string& folder, const std::string& name, const std::vector<uint32_t>& frames,
                   uint32_t leadOutFrame)
{
    std::string cue = "FILE \"" + name + ".bin\" BINARY\n";
    char line[96];
    for (size_t i = 0; i < frames.size(); ++i) {
        const uint32_t lba = frames[i] - 150;
        std::snprintf(line, sizeof line, "  TRACK %02zu AUDIO\n    INDEX 01 %02u:%02u:%02u\n", i + 1, lba / 4500,
                      lba / 75 % 60, lba % 75);
        cue += line;
    }
    WriteTextFile(folder + "/" + name + ".cue", cue);
    const std::string bin = folder + "/" + name + ".bin";
    WriteTextFile(bin, "");
    fs::resize_file(bin, static_cast<std::uintmax_t>(leadOutFrame - 150) * 2352);
}

} // namespace quillon::testing_support
