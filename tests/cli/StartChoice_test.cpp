#include "cli/StartChoice.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace quillon::cli {
namespace {

TEST(StartChoice, WordsAndDisplays)
{
    const std::map<std::string, std::string> withDisplay = {{"DISPLAY", ":0"}};
    const std::map<std::string, std::string> wayland = {{"WAYLAND_DISPLAY", "wayland-0"}};
    const std::map<std::string, std::string> offscreen = {{"QT_QPA_PLATFORM", "offscreen"}};
    const std::map<std::string, std::string> none = {{"DISPLAY", ""}};
    const std::set<std::string> existing = {"song", "encode"};

    struct Row
    {
        std::vector<std::string> words;
        const std::map<std::string, std::string>& env;
        StartKind expected;
    };
    const Row rows[] = {
        {{}, withDisplay, StartKind::Desktop},
        {{}, wayland, StartKind::Desktop},
        {{}, offscreen, StartKind::Desktop},
        {{}, none, StartKind::NoDisplay},
        {{"a.wav", "b.mp3"}, withDisplay, StartKind::Desktop},
        {{"music/track"}, withDisplay, StartKind::Desktop},
        {{"song"}, withDisplay, StartKind::Desktop}, // no dot, but it exists
        {{"a.wav"}, none, StartKind::NoDisplay},
        {{"encode", "a.wav"}, withDisplay, StartKind::CommandLine},
        {{"encode"}, none, StartKind::CommandLine}, // a subcommand wins over a file of that name
        {{"decode", "x.mp3"}, none, StartKind::CommandLine},
        {{"defaults"}, withDisplay, StartKind::CommandLine},
        {{"rip", "--tracks", "1"}, withDisplay, StartKind::CommandLine},
        {{"drives"}, withDisplay, StartKind::CommandLine},
        {{"--help"}, withDisplay, StartKind::CommandLine},
        {{"-o"}, withDisplay, StartKind::CommandLine},
        {{"encod"}, withDisplay, StartKind::CommandLine}, // a typo is reported, not opened
        {{""}, withDisplay, StartKind::CommandLine},
    };
    for (const Row& row : rows) {
        const auto getEnv = [&](const char* name) -> const char* {
            const auto it = row.env.find(name);
            return it == row.env.end() ? nullptr : it->second.c_str();
        };
        const auto exists = [&](const std::string& path) { return existing.count(path) > 0; };
        std::string words;
        for (const auto& word : row.words)
            words += "'" + word + "' ";
        EXPECT_EQ(ChooseStart(row.words, getEnv, exists), row.expected) << words << "with " << row.env.begin()->first;
    }
}

TEST(StartChoice, NoDisplayMessageIsOneLineNamingTheHelp)
{
    const std::string text = NoDisplayMessage();
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_NE(text.find("quillon --help"), std::string::npos);
}

} // namespace
} // namespace quillon::cli
