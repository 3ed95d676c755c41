#include "run/CodecProcess.h"

#include <chrono>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <mutex>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quillon {
namespace {

using Clock = std::chrono::steady_clock;

const std::string kFake = std::string(QUILLON_TEST_BIN_DIR) + "/fake_codec";

class RecordingSink : public StatusSink
{
public:
    void LogLine(std::string_view line) override
    {
        std::lock_guard lock(mutex_);
        lines_.emplace_back(line);
    }
    void RefreshStatus() override { ++refreshes; }
    std::vector<std::string> Lines()
    {
        std::lock_guard lock(mutex_);
        return lines_;
    }
    std::atomic<int> refreshes{0};

private:
    std::mutex mutex_;
    std::vector<std::string> lines_;
};

int OpenDescriptors()
{
    int count = 0;
    DIR* dir = opendir("/proc/self/fd");
    while (dirent* entry = readdir(dir))
        count += entry->d_name[0] != '.';
    closedir(dir);
    return count;
}

bool NoChildLeft()
{
    return waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD;
}

std::string TempPath(const char* name)
{
    return testing::TempDir() + "quillon-" + std::to_string(getpid()) + "-" + name;
}

// A file of `size` bytes whose content shows where each byte came from.
int MakeInput(const std::string& path, size_t size)
{
    std::ofstream out(path, std::ios::binary);
    for (size_t i = 0; i < size; ++i)
        out.put(static_cast<char>((i * 7 + i / 251) & 0xff));
    out.close();
    return open(path.c_str(), O_RDONLY | O_CLOEXEC);
}

std::string Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The run's sequence for one job, as the conversion run drives it.
struct Job
{
    RecordingSink sink;
    std::atomic<uint64_t> bytesFed{0};
    std::optional<int> exitStatus;

    bool Convert(const std::vector<std::string>& argv, int inputFd)
    {
        CodecProcess codec(sink);
        const bool started = codec.Start(argv);
        codec.StartReader();
        if (started)
            codec.Feed(inputFd, bytesFed);
        codec.EndInput();
        codec.WaitForEnd();
        codec.StopReader();
        codec.CloseAll();
        EXPECT_TRUE(codec.ReaderStopped());
        codec.WaitForExit(10000);
        exitStatus = codec.ExitStatus();
        return started;
    }
};

TEST(CodecProcess, FeedsEveryByteAndShowsTheChildsLines)
{
    const int before = OpenDescriptors();
    const std::string in = TempPath("in.bin"), out = TempPath("out.bin");
    const size_t size = 1'000'003; // not a whole number of blocks
    const int fd = MakeInput(in, size);
    Job job;
    ASSERT_TRUE(job.Convert({kFake, "copy", out}, fd));
    close(fd);

    EXPECT_EQ(job.bytesFed, size);
    EXPECT_EQ(job.exitStatus, 0);
    EXPECT_EQ(Slurp(out), Slurp(in));
    // 123 blocks: a refresh after every 10, and at least one after a stop byte.
    EXPECT_GE(job.sink.refreshes, 12 + 1);
    EXPECT_EQ(OpenDescriptors(), before);
    EXPECT_TRUE(NoChildLeft());
    unlink(in.c_str());
    unlink(out.c_str());
}

TEST(CodecProcess, ChildGetsOnlyItsStandardDescriptors)
{
    // The shell lists its own descriptors into the log: the two pipe ends and stderr.
    const int devNull = open("/dev/null", O_RDONLY); // not close-on-exec on purpose
    RecordingSink sink;
    CodecProcess codec(sink);
    ASSERT_TRUE(codec.Start({"/bin/sh", "-c", "ls /proc/$$/fd"}));
    codec.StartReader();
    ASSERT_TRUE(codec.WaitForExit(10000));
    codec.StopReader();
    codec.CloseAll();
    close(devNull);
    EXPECT_EQ(sink.Lines(), (std::vector<std::string>{"0", "1", "2"}));
}

TEST(CodecProcess, ChildThatExitsAtOnceEndsTheFeedQuietly)
{
    const std::string in = TempPath("big.bin");
    const int fd = MakeInput(in, 4'000'000);
    Job job;
    ASSERT_TRUE(job.Convert({kFake, "exit-now"}, fd));
    close(fd);
    EXPECT_LT(job.bytesFed, 4'000'000u);
    EXPECT_EQ(job.exitStatus, 3);
    EXPECT_EQ(job.sink.Lines(), std::vector<std::string>{"refusing at once"});
    EXPECT_TRUE(NoChildLeft());
    unlink(in.c_str());
}

TEST(CodecProcess, ChildThatDiesWithAFullPipeDoesNotHangTheFeed)
{
    const std::string in = TempPath("full.bin");
    const int fd = MakeInput(in, 2'000'000);
    Job job;
    const auto start = Clock::now();
    ASSERT_TRUE(job.Convert({kFake, "never-read", "300"}, fd));
    close(fd);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    EXPECT_GT(job.bytesFed, 0u);
    EXPECT_LT(job.bytesFed, 2'000'000u);
    EXPECT_TRUE(NoChildLeft());
    unlink(in.c_str());
}

TEST(CodecProcess, CancelEndsAFeedBlockedOnAFullPipe)
{
    const int before = OpenDescriptors();
    const std::string in = TempPath("cancel.bin");
    const int fd = MakeInput(in, 2'000'000);
    RecordingSink sink;
    std::atomic<uint64_t> fed{0};
    {
        CodecProcess codec(sink);
        ASSERT_TRUE(codec.Start({kFake, "never-read", "30000"}));
        codec.StartReader();
        auto feed = std::async(std::launch::async, [&] { codec.Feed(fd, fed); });
        ASSERT_EQ(feed.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout)
            << "the feed should be blocked on the full pipe";

        // Cancel, from another thread: stop the reader, close the pipes.
        const auto cancelled = Clock::now();
        codec.StopReader();
        codec.CloseAll();
        ASSERT_EQ(feed.wait_for(std::chrono::seconds(2)), std::future_status::ready);
        EXPECT_LT(Clock::now() - cancelled, std::chrono::seconds(1));
        EXPECT_TRUE(codec.ReaderStopped());
        codec.TakeChild()->Kill(); // it would sleep on; the test has no time for that
    }
    close(fd);
    EXPECT_LE(fed, 40'000u + 8192u) << "no more than the pipe and one block";
    EXPECT_EQ(OpenDescriptors(), before);
    EXPECT_TRUE(NoChildLeft());
    unlink(in.c_str());
}

TEST(CodecProcess, ReaderSplitsTheChildsOutput)
{
    struct Row
    {
        const char* mode;
        std::vector<std::string> lines;
    };
    const Row rows[] = {
        {"long-lines", {std::string(101, 'x'), std::string(101, 'x'), std::string(48, 'x'), "done"}},
        {"lone-cr", {"a\rb", "c", "d"}},
        {"stop-byte", {"before"}},
    };
    for (const Row& row : rows) {
        const int fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
        RecordingSink sink;
        CodecProcess codec(sink);
        ASSERT_TRUE(codec.Start({kFake, row.mode}));
        codec.StartReader();
        std::atomic<uint64_t> fed{0};
        codec.Feed(fd, fed);
        // Give the child time to print everything before the stop byte goes in behind it.
        ASSERT_TRUE(codec.WaitForExit(10000)) << row.mode;
        codec.StopReader();
        codec.CloseAll();
        close(fd);
        EXPECT_EQ(sink.Lines(), row.lines) << row.mode;
    }
}

TEST(CodecProcess, SlowReaderLosesNoLineOfAChattyChild)
{
    // The first lines are taken slowly, so the child meets a full pipe; it must wait
    // there, not lose what it prints.
    class SlowSink : public RecordingSink
    {
    public:
        void LogLine(std::string_view line) override
        {
            if (++count_ <= 50)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            RecordingSink::LogLine(line);
        }

    private:
        int count_ = 0;
    } sink;
    CodecProcess codec(sink);
    ASSERT_TRUE(codec.Start({kFake, "many-lines", "4000"}));
    codec.StartReader();
    ASSERT_TRUE(codec.WaitForExit(30000));
    codec.StopReader();
    codec.CloseAll();
    const auto lines = sink.Lines();
    ASSERT_EQ(lines.size(), 4000u);
    EXPECT_EQ(lines.back(), "line 4000 of a codec program that has a lot to say");
}

TEST(CodecProcess, StopByteFromTheChildStopsTheReaderEarly)
{
    RecordingSink sink;
    CodecProcess codec(sink);
    ASSERT_TRUE(codec.Start({kFake, "stop-byte"}));
    codec.StartReader();
    const auto start = Clock::now();
    while (!codec.ReaderStopped() && Clock::now() - start < std::chrono::seconds(5))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_TRUE(codec.ReaderStopped()) << "stopped without a stop byte of ours";
    codec.StopReader();
    EXPECT_EQ(sink.refreshes, 0) << "no stop byte was needed";
    codec.CloseAll();
    EXPECT_EQ(sink.Lines(), std::vector<std::string>{"before"});
}

TEST(CodecProcess, ProgramThatCannotStart)
{
    const int before = OpenDescriptors();
    {
        RecordingSink sink;
        CodecProcess codec(sink);
        EXPECT_FALSE(codec.Start({"/nonexistent/l3.dll", "-ms"}));
        EXPECT_FALSE(codec.StartError().empty());
        codec.StartReader();
        EXPECT_FALSE(codec.ReaderStopped());
        codec.StopReader(); // the reader stops at the first stop byte
        EXPECT_TRUE(codec.ReaderStopped());
        codec.CloseAll();
        codec.CloseAll(); // closing twice is harmless
        EXPECT_TRUE(codec.WaitForExit(0));
        EXPECT_TRUE(sink.Lines().empty());
    }
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST(CodecProcess, EmptyInputStartsTheChildAndFeedsNothing)
{
    const std::string in = TempPath("empty.bin"), out = TempPath("empty.out");
    const int fd = MakeInput(in, 0);
    Job job;
    ASSERT_TRUE(job.Convert({kFake, "copy", out}, fd));
    close(fd);
    EXPECT_EQ(job.bytesFed, 0u);
    EXPECT_EQ(job.exitStatus, 0);
    EXPECT_EQ(Slurp(out), "");
    unlink(in.c_str());
    unlink(out.c_str());
}

} // namespace
} // namespace quillon
