#include "run/CodecProcess.h"

#include "run/OutputSplitter.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/eventfd.h>
#include <unistd.h>

namespace quillon {

namespace {

// A pipe end that is close-on-exec, non-blocking and never one of the standard
// descriptors, so that handing it to the child as 0 or 1 cannot clash with our own.
int PrepareEnd(int fd)
{
    if (fd >= 0 && fd <= 2) {
        const int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
        close(fd);
        fd = moved;
    }
    return fd;
}

bool MakePipe(int ends[2])
{
    if (pipe2(ends, O_CLOEXEC) != 0)
        return false;
    ends[0] = PrepareEnd(ends[0]);
    ends[1] = PrepareEnd(ends[1]);
    if (ends[0] < 0 || ends[1] < 0) {
        if (ends[0] >= 0)
            close(ends[0]);
        if (ends[1] >= 0)
            close(ends[1]);
        return false;
    }
    fcntl(ends[0], F_SETPIPE_SZ, CodecProcess::kPipeSize);
    return true;
}

void SetNonBlocking(int fd)
{
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

// Our own writer of the child's output pipe, for the stop bytes. O_NONBLOCK belongs to
// the open file, which a dup would share with the child's standard output; the child
// must keep a blocking end, so ours is a second open of the same pipe.
int OwnWriteEnd(int childEnd)
{
    const std::string path = "/proc/self/fd/" + std::to_string(childEnd);
    int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        fd = fcntl(childEnd, F_DUPFD_CLOEXEC, 3); // blocking, like the child's end
    return fd;
}

} // namespace

CodecProcess::CodecProcess(StatusSink& sink) : sink_(sink)
{
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

CodecProcess::~CodecProcess()
{
    CloseAll();
    JoinReader();
    close(wakeFd_);
}

bool CodecProcess::Start(const std::vector<std::string>& argv)
{
    int input[2], output[2];
    if (!MakePipe(input)) {
        startError_ = "cannot create pipes";
        return false;
    }
    if (!MakePipe(output)) {
        close(input[0]);
        close(input[1]);
        startError_ = "cannot create pipes";
        return false;
    }
    // The run writes and reads without blocking so that Cancel can always break in; the
    // child's two ends stay blocking, or its writes would fail once the pipe is full.
    SetNonBlocking(input[1]);
    SetNonBlocking(output[0]);
    const int ownWrite = OwnWriteEnd(output[1]);

    child_ = ChildProcess::Spawn(argv, input[0], output[1], &startError_);
    close(output[1]);

    // Adopt after the spawn: a CloseAll that came first makes these close at once.
    inputRead_.Adopt(input[0]);
    inputWrite_.Adopt(input[1]);
    outputRead_.Adopt(output[0]);
    outputWrite_.Adopt(ownWrite);
    return child_ != nullptr;
}

void CodecProcess::StartReader()
{
    JoinReader();
    readerStopped_ = false;
    reader_ = std::thread([this] { ReadOutput(); });
}

void CodecProcess::ReadOutput()
{
    OutputSplitter splitter([this](std::string_view line) { sink_.LogLine(line); });
    for (;;) {
        SharedFd::Lease lease(outputRead_);
        if (lease.fd() < 0)
            break;
        uint8_t byte;
        const ssize_t n = read(lease.fd(), &byte, 1);
        if (n == 1) {
            if (!splitter.Push(byte))
                break;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd fds[2] = {{lease.fd(), POLLIN, 0}, {wakeFd_, POLLIN, 0}};
            poll(fds, 2, -1);
            if (fds[1].revents & POLLIN)
                break;
            continue;
        }
        break; // end of file or a failed read
    }
    readerStopped_ = true;
}

CodecProcess::WaitResult CodecProcess::WaitWritable(int fd, int timeoutMs)
{
    pollfd fds[2] = {{fd, POLLOUT, 0}, {wakeFd_, POLLIN, 0}};
    int n;
    do {
        n = poll(fds, 2, timeoutMs);
    } while (n < 0 && errno == EINTR);
    if (fds[1].revents & POLLIN)
        return WaitResult::Closed;
    if (n == 0)
        return WaitResult::TimedOut;
    return WaitResult::Ready;
}

size_t CodecProcess::WriteBlock(const uint8_t* data, size_t size)
{
    // While the pipe is full, look now and then whether the child is still there: we hold
    // a reader of the pipe ourselves, so a dead child would otherwise leave us waiting.
    constexpr int kChildCheckMs = 50;
    size_t written = 0;
    while (written < size && !closed_) {
        SharedFd::Lease lease(inputWrite_);
        if (lease.fd() < 0)
            break;
        const ssize_t n = write(lease.fd(), data + written, size - written);
        if (n > 0) {
            written += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            break;
        const WaitResult ready = WaitWritable(lease.fd(), kChildCheckMs);
        if (ready == WaitResult::Closed)
            break;
        if (ready == WaitResult::TimedOut && child_ && !child_->Running())
            break;
    }
    return written;
}

CodecProcess::FeedEnd CodecProcess::Feed(const FeedSource& source, std::atomic<uint64_t>& bytesFed)
{
    if (!child_)
        return FeedEnd::Stopped;
    uint8_t block[kBlockSize];
    int blocks = 0;
    for (;;) {
        const ptrdiff_t n = source(block, sizeof block);
        if (n < 0)
            return FeedEnd::SourceFailed;
        if (n == 0)
            return FeedEnd::SourceEnded;
        bytesFed += static_cast<uint64_t>(n);
        const size_t written = WriteBlock(block, static_cast<size_t>(n));
        if (written == 0)
            return FeedEnd::Stopped;
        ++blocks;
        if (written < static_cast<size_t>(n) || !child_->Running())
            return FeedEnd::Stopped;
        if (blocks == kBlocksPerRefresh) {
            sink_.RefreshStatus();
            blocks = 0;
        }
    }
}

void CodecProcess::Feed(int inputFd, std::atomic<uint64_t>& bytesFed, uint64_t limit)
{
    uint64_t left = limit;
    Feed(
        [&](uint8_t* into, size_t size) -> ptrdiff_t {
            for (;;) {
                if (left == 0)
                    return 0;
                const ssize_t n = read(inputFd, into, static_cast<size_t>(std::min<uint64_t>(size, left)));
                if (n < 0 && errno == EINTR)
                    continue;
                // A failed read ends the feed as the end of the file does, as it always has.
                if (n <= 0)
                    return 0;
                left -= static_cast<uint64_t>(n);
                return n;
            }
        },
        bytesFed);
}

void CodecProcess::EndInput()
{
    inputWrite_.Close();
    inputRead_.Close();
}

bool CodecProcess::WaitForEnd()
{
    constexpr int kCancelCheckMs = 50;
    if (!child_)
        return true;
    while (!closed_) {
        if (child_->Wait(kCancelCheckMs))
            return true;
    }
    return !child_->Running();
}

void CodecProcess::Kill()
{
    if (child_)
        child_->Kill();
}

void CodecProcess::StopReader()
{
    const uint8_t stop = OutputSplitter::kStopByte;
    while (!readerStopped_) {
        {
            SharedFd::Lease lease(outputWrite_);
            const ssize_t n = lease.fd() >= 0 ? write(lease.fd(), &stop, 1) : -1;
            if (n == 1) {
                sink_.RefreshStatus();
                continue;
            }
        }
        // The pipe is full or already closed: the reader is draining it or about to see
        // the close, so give it a moment.
        pollfd p{wakeFd_, POLLIN, 0};
        poll(&p, 1, 5);
    }
}

void CodecProcess::CloseAll()
{
    if (closed_.exchange(true))
        return;
    const uint64_t one = 1;
    // Closing a descriptor does not wake a thread blocked on it, so signal the wake-up
    // descriptor that the feed and the reader poll alongside their pipe.
    [[maybe_unused]] ssize_t ignored = write(wakeFd_, &one, sizeof one);
    inputRead_.Close();
    inputWrite_.Close();
    outputRead_.Close();
    outputWrite_.Close();
}

bool CodecProcess::WaitForExit(int timeoutMs)
{
    return !child_ || child_->Wait(timeoutMs);
}

std::optional<int> CodecProcess::ExitStatus() const
{
    return child_ ? child_->ExitStatus() : std::nullopt;
}

std::unique_ptr<ChildProcess> CodecProcess::TakeChild()
{
    return std::move(child_);
}

void CodecProcess::JoinReader()
{
    if (reader_.joinable())
        reader_.join();
}

} // namespace quillon
