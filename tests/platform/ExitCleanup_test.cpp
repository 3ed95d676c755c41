// A program ended by a signal takes its unfinished files and its codec programs along.

#include "platform/ChildProcess.h"
#include "platform/ExitCleanup.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillon {
namespace {

bool Exists(const std::string& path)
{
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}

// No such process, or only its exit status left (a zombie).
bool Ended(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(stat, text))
        return true;
    const auto close = text.rfind(')');
    return close != std::string::npos && close + 2 < text.size() && text[close + 2] == 'Z';
}

// What the window does on Ctrl-C, SIGTERM or SIGHUP: it ends at once with status 130,
// killing the remembered codec programs' groups and removing the remembered files, and
// nothing else.
TEST(ExitCleanup, SignalsEndTheWindowWithoutLeftovers)
{
    const testing_support::TempFolder folder;
    const std::string dir = folder.Path();
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        const std::string part = dir + "/.song.mp3.part", finished = dir + "/done.mp3", pidFile = dir + "/pid";
        int report[2];
        ASSERT_EQ(::pipe(report), 0);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::close(report[0]);
            EndWithoutLeftoversOnSignals();
            for (const std::string& path : {part, finished})
                ::close(::open(path.c_str(), O_WRONLY | O_CREAT, 0644));
            KeepForCleanup(part);
            KeepForCleanup(finished);
            DropFromCleanup(finished); // put in place: it stays
            auto child = ChildProcess::Spawn({"/bin/sleep", "60"}, 0, 1);
            const pid_t codec = child ? child->Pid() : 0;
            [[maybe_unused]] ssize_t n = ::write(report[1], &codec, sizeof codec);
            for (;;)
                ::pause();
        }
        ::close(report[1]);
        pid_t codec = 0;
        ASSERT_EQ(::read(report[0], &codec, sizeof codec), static_cast<ssize_t>(sizeof codec));
        ::close(report[0]);
        ASSERT_GT(codec, 0);
        ::kill(pid, signal);
        int raw = 0;
        ASSERT_EQ(::waitpid(pid, &raw, 0), pid);
        EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 130) << "signal " << signal << ": status " << raw;
        EXPECT_FALSE(Exists(part)) << "signal " << signal << ": the unfinished file was left";
        EXPECT_TRUE(Exists(finished)) << "signal " << signal << ": a finished file was removed";
        // The codec program is gone (a zombie of the ended process counts as gone).
        bool gone = false;
        for (int i = 0; i < 100 && !gone; ++i) {
            gone = Ended(codec);
            if (!gone)
                ::usleep(10000);
        }
        EXPECT_TRUE(gone) << "signal " << signal << ": the codec program outlived the window";
        ::unlink(finished.c_str());
    }
}

} // namespace
} // namespace quillon
