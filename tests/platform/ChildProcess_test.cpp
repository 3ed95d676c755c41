#include "platform/ChildProcess.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quillon {
namespace {

// Everything the child printed, once it has closed its output.
std::string ReadAll(int fd)
{
    std::string text;
    char buffer[512];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<size_t>(n));
    return text;
}

struct Pipe
{
    int read = -1, write = -1;
    Pipe()
    {
        int fds[2];
        EXPECT_EQ(pipe2(fds, O_CLOEXEC), 0);
        read = fds[0];
        write = fds[1];
    }
    ~Pipe()
    {
        CloseWrite();
        close(read);
    }
    void CloseWrite()
    {
        if (write >= 0)
            close(write);
        write = -1;
    }
};

std::unique_ptr<ChildProcess> Shell(const std::string& script, Pipe& in, Pipe& out)
{
    return ChildProcess::Spawn({"/bin/sh", "-c", script}, in.read, out.write);
}

TEST(ChildProcess, ExitStatusOfEachWayToEnd)
{
    const struct
    {
        const char* script;
        int status;
    } rows[] = {
        {"exit 0", 0},
        {"exit 3", 3},
        {"kill -9 $$", 128 + 9},
        {"kill -15 $$", 128 + 15},
    };
    for (const auto& row : rows) {
        Pipe in, out;
        auto child = Shell(row.script, in, out);
        ASSERT_NE(child, nullptr) << row.script;
        EXPECT_TRUE(child->Wait(-1)) << row.script;
        EXPECT_FALSE(child->Running()) << row.script;
        EXPECT_EQ(child->ExitStatus(), row.status) << row.script;
    }
}

TEST(ChildProcess, ProgramThatCannotStartIsReportedWithItsReason)
{
    Pipe in, out;
    std::string error;
    EXPECT_EQ(ChildProcess::Spawn({"/nonexistent/l3.dll"}, in.read, out.write, &error), nullptr);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ChildProcess::Spawn({}, in.read, out.write, &error), nullptr);
    EXPECT_EQ(error, "no program given");
}

TEST(ChildProcess, ChildGetsItsTwoEndsAndNoOtherDescriptorOfOurs)
{
    Pipe in, out;
    // A descriptor some library opened without close-on-exec.
    const int stray = dup2(in.write, 57);
    ASSERT_EQ(stray, 57);
    auto child = Shell("read line; echo \"got $line\"; test -e /proc/self/fd/57 && echo leaked; exit 0", in, out);
    ASSERT_NE(child, nullptr);
    close(stray);
    ASSERT_EQ(write(in.write, "hello\n", 6), 6);
    in.CloseWrite();
    out.CloseWrite();
    EXPECT_EQ(ReadAll(out.read), "got hello\n");
    EXPECT_TRUE(child->Wait(-1));
    EXPECT_EQ(child->ExitStatus(), 0);
}

TEST(ChildProcess, WaitWithTimeoutGivesUpOnARunningChild)
{
    Pipe in, out;
    auto child = Shell("exec sleep 30", in, out);
    ASSERT_NE(child, nullptr);
    EXPECT_FALSE(child->Wait(20));
    EXPECT_TRUE(child->Running());
    EXPECT_FALSE(child->ExitStatus().has_value());
    child->Kill();
    EXPECT_TRUE(child->Wait(-1));
    EXPECT_EQ(child->ExitStatus(), 128 + 9);
}

// A thread waiting without limit must not keep Kill and ExitStatus of another thread out.
TEST(ChildProcess, KillFromAnotherThreadEndsAWaitWithoutLimit)
{
    Pipe in, out;
    auto child = Shell("exec sleep 30", in, out);
    ASSERT_NE(child, nullptr);
    bool ended = false;
    std::thread waiter([&] { ended = child->Wait(-1); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(child->ExitStatus().has_value());
    child->Kill();
    waiter.join();
    EXPECT_TRUE(ended);
    EXPECT_EQ(child->ExitStatus(), 128 + 9);
}

TEST(ChildProcess, EndedChildIsReapedWhenItsObjectGoes)
{
    Pipe in, out;
    auto child = Shell("exit 0", in, out);
    ASSERT_NE(child, nullptr);
    const pid_t pid = child->Pid();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    child.reset();
    EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), -1) << "a zombie was left";
    EXPECT_EQ(errno, ECHILD);
}

} // namespace
} // namespace quillon
