// The command line started and stopped as scripts and closed terminals do: descriptors
// closed, hung up or killed politely, and settings files that are links, huge, shared
// with other programs or on a full disk.

#include "tests/run/RunTestSupport.h"
#include "tests/support/ShellRun.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <sys/mount.h>
#include <sys/wait.h>

namespace quillon::test {
namespace {

using Shell = CliRun;

// `script` in `folder`, where `quillon` names the program and its settings live in
// folder/config.
Shell Sh(const TempFolder& folder, const std::string& script)
{
    return RunShell("cd '" + folder.Path() + "' && PATH='" + QUILLON_BIN_DIR + "':$PATH XDG_CONFIG_HOME='" +
                    folder.Path() + "/config' && export PATH XDG_CONFIG_HOME && { " + script + "; } 2>&1");
}

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> Entries(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename());
    return names;
}

TEST(UnsafeCliUse, ClosedStandardDescriptorsDoNotCancelAnEncode)
{
    if (!RealCodecsPresent())
        return;
    TempFolder folder;
    fs::create_directories(folder / "out");
    WritePcmWav(folder / "a.wav", 1.0, 2);
    for (const char* closing : {"<&- >&-", "<&- >&- 2>&-", ">&-"}) {
        fs::remove(folder / "out/a.mp3");
        const Shell r = Sh(folder, std::string("quillon encode -o out a.wav ") + closing + "; echo $? > status");
        EXPECT_EQ(ReadAll(folder / "status"), "0\n") << closing << "\n" << r.out;
        EXPECT_GT(FileSize(folder / "out/a.mp3"), 1000u) << closing << ": the encode was cancelled\n" << r.out;
        EXPECT_FALSE(Has(r.out, "Process aborted")) << closing;
    }
}

// SIGHUP (a closed terminal) and SIGTERM cancel as Ctrl-C does; a second signal ends
// at once. Neither leaves a hidden part, an output or a codec program behind.
TEST(UnsafeCliUse, HangUpAndTerminateCancelAsCtrlCDoes)
{
    if (!RealCodecsPresent())
        return;
    TempFolder folder;
    WritePcmWav(folder / "long.wav", 60.0, 2);
    const char* const rows[] = {
        "kill -HUP $p",
        "kill -TERM $p",
        "kill -HUP $p; kill -HUP $p",
        "kill -TERM $p; sleep 0.05; kill -INT $p",
        "kill -INT $p; kill -INT $p",
    };
    for (const char* signals : rows) {
        fs::remove_all(folder / "out");
        fs::create_directories(folder / "out");
        const Shell r = Sh(folder, "quillon encode --jobs 1 -o '" + folder / "out" + "' long.wav & p=$!; sleep 0.7; " +
                                       signals + "; wait $p");
        EXPECT_EQ(r.status, 130) << signals << "\n" << r.out;
        EXPECT_EQ(Entries(folder / "out"), std::vector<std::string>{}) << signals << ": a file was left";
        // The codec program was killed, not left to finish a file that is gone.
        const Shell ps = Sh(folder, "sleep 0.2; ps -eo args | grep -F '" + folder / "out" + "' | grep -v grep || true");
        EXPECT_EQ(ps.out, "") << signals << ": a codec program outlived quillon";
    }
}

class SettingsFiles : public ::testing::Test
{
protected:
    void SetUp() override { fs::create_directories(settingsDir); }

    TempFolder folder;
    const std::string settingsDir = folder / "config/Norvane/Quillon";
    const std::string settings = settingsDir + "/2.51.conf";
};

// A link is the user's way of keeping the file elsewhere: the save replaces the file it
// points to and the link stays.
TEST_F(SettingsFiles, ALinkStaysALinkAndItsTargetIsReplaced)
{
    fs::create_directories(folder / "dotfiles");
    WriteText(folder / "dotfiles/quillon.conf", "[Default%20Settings]\nLayer=1\n");
    fs::create_symlink(folder / "dotfiles/quillon.conf", settings);
    const Shell save = Sh(folder, "quillon defaults --save --layer 2");
    EXPECT_EQ(save.status, 0) << save.out;
    EXPECT_TRUE(fs::is_symlink(settings)) << "the link was replaced by a file";
    EXPECT_TRUE(Has(ReadAll(folder / "dotfiles/quillon.conf"), "Layer=2")) << ReadAll(folder / "dotfiles/quillon.conf");
    EXPECT_EQ(Entries(folder / "dotfiles"), std::vector<std::string>{"quillon.conf"}) << "a temporary file was left";

    fs::remove(settings);
    fs::create_symlink(folder / "dotfiles/gone.conf", settings);
    const Shell dangling = Sh(folder, "quillon defaults --save --layer 2");
    EXPECT_EQ(dangling.status, 1) << dangling.out;
    EXPECT_TRUE(Has(dangling.out, "is a symbolic link to " + folder / "dotfiles/gone.conf" + ", which does not exist"))
        << dangling.out;
    EXPECT_TRUE(fs::is_symlink(settings));
}

TEST_F(SettingsFiles, OnlyOurGroupIsReadAndKept)
{
    WriteText(settings, "[Other%20Program]\nJunk=1\n[Default%20Settings]\nLayer=1\nFutureKey=kept\n");
    const Shell save = Sh(folder, "quillon defaults --save --layer 2");
    EXPECT_EQ(save.status, 0) << save.out;
    const std::string saved = ReadAll(settings);
    EXPECT_FALSE(Has(saved, "Junk")) << saved;
    EXPECT_TRUE(Has(saved, "FutureKey=kept")) << saved;
    EXPECT_TRUE(Has(saved, "Layer=2")) << saved;

    // 80,000 junk keys (over 1 MiB): neither parsed nor written back.
    std::string huge = "[Default%20Settings]\nLayer=1\n[Junk]\n";
    for (int i = 0; huge.size() <= (1u << 20); ++i)
        huge += "key" + std::to_string(i) + "=some junk value\n";
    WriteText(settings, huge);
    const auto start = std::chrono::steady_clock::now();
    const Shell show = Sh(folder, "quillon defaults");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(show.status, 0) << show.out;
    EXPECT_TRUE(Has(show.out, "the settings file " + settings + " is not read: it is larger than 1 MiB")) << show.out;
    EXPECT_TRUE(Has(show.out, "Layer 3,")) << "the built-in defaults are used\n" << show.out;
    const Shell refused = Sh(folder, "quillon defaults --save --layer 2");
    EXPECT_EQ(refused.status, 1) << refused.out;
    EXPECT_TRUE(Has(refused.out, "cannot save the defaults to " + settings + ": it is larger than 1 MiB"))
        << refused.out;
    EXPECT_EQ(FileSize(settings), huge.size()) << "the file was replaced";
}

// On a small tmpfs filled to the last block; skipped where no file system can be mounted.
TEST_F(SettingsFiles, AFullDiskIsNamedAndTheOldFileKept)
{
    if (::mount("tmpfs", settingsDir.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here (needs CAP_SYS_ADMIN)";
    WriteText(settings, "[Default%20Settings]\nLayer=1\n");
    {
        std::ofstream fill(settingsDir + "/filler", std::ios::binary);
        const std::string block(4096, 'x');
        for (int i = 0; i < 64 && fill; ++i)
            fill << block;
    }
    const Shell save = Sh(folder, "quillon defaults --save --layer 2 --bitrate 192");
    const std::string kept = ReadAll(settings);
    ::umount(settingsDir.c_str());
    EXPECT_EQ(save.status, 1) << save.out;
    EXPECT_TRUE(Has(save.out, "cannot save the defaults to " + settings +
                                  ": the new settings file could not be written in " + settingsDir +
                                  ": the disk is full"))
        << save.out;
    EXPECT_FALSE(Has(save.out, "Input/output error")) << save.out;
    EXPECT_EQ(kept, "[Default%20Settings]\nLayer=1\n");
}

} // namespace
} // namespace quillon::test
