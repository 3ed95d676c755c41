#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

#include "platform/ProgramStart.h"
#include "tests/support/TempFolder.h"

namespace quillon {
namespace {

using testing_support::TempFolder;

std::string ReadWhenThere(const std::string& path)
{
    for (int i = 0; i < 200; ++i) {
        std::ifstream file(path);
        std::stringstream text;
        text << file.rdbuf();
        if (text.str().find("end\n") != std::string::npos) {
            return text.str();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return {};
}

TEST(ProgramStart, StartsWithExactWordsAndLeavesNoChild)
{
    TempFolder folder;
    std::string script = folder / "fake browser";
    std::string out = folder / "args.txt";
    std::ofstream(script)
        << "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > \"$OUT\"\necho end >> \"$OUT\"\n";
    chmod(script.c_str(), 0755);
    setenv("OUT", out.c_str(), 1);

    EXPECT_EQ(StartDetached({script, "--x", "a b;c $(y)"}), kStartedCode);
    EXPECT_EQ(ReadWhenThere(out), "[--x]\n[a b;c $(y)]\nend\n");
    // The program belongs to init, not to us: nothing is left to reap.
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    unsetenv("OUT");
}

TEST(ProgramStart, FailureCodes)
{
    TempFolder folder;
    folder.MakeFile("not-executable", 10);
    folder.MakeFolder("a-folder");
    std::ofstream(folder / "bad-format") << "\x7f"
                                            "ELF garbage";
    chmod((folder / "bad-format").c_str(), 0755);
    struct Row
    {
        std::string program;
        int code;
    };
    const Row rows[] = {
        {folder / "missing", 2},
        {folder / "missing-folder/program", 2},
        {folder / "not-executable/x", 3},
        {folder / "not-executable", 5},
        {folder / "a-folder", 5},
        {folder / "bad-format", 11},
        {"quillon-no-such-program-anywhere", 2},
        {"", 2},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(StartDetached({row.program}), row.code) << row.program;
    }
    EXPECT_EQ(StartDetached({}), 2);
}

TEST(ProgramStart, FindsProgramsAlongPath)
{
    std::string path;
    ASSERT_EQ(ResolveProgram("sh", path), kStartedCode);
    EXPECT_EQ(path.substr(path.size() - 3), "/sh");
    EXPECT_EQ(ShellCodeForErrno(EXDEV), 1000 + EXDEV);
}

} // namespace
} // namespace quillon
