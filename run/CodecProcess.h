#pragma once

#include "platform/ChildProcess.h"
#include "platform/SharedFd.h"
#include "run/StatusSink.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace quillon {

// One codec program of one job: the two pipes, the child, the feed of the input bytes
// and the reader of the child's output lines.
//
// Worker thread: Start, StartReader, Feed, EndInput, WaitForEnd, StopReader, CloseAll. Any other thread may
// call StopReader and CloseAll at the same time (Cancel); Feed then ends promptly.
class CodecProcess
{
public:
    static constexpr size_t kBlockSize = 8192;
    static constexpr int kBlocksPerRefresh = 10;
    static constexpr int kPipeSize = 32768;

    explicit CodecProcess(StatusSink& sink);
    ~CodecProcess();
    CodecProcess(const CodecProcess&) = delete;
    CodecProcess& operator=(const CodecProcess&) = delete;

    // Creates both pipes and starts the child with the input pipe as its standard input
    // and the output pipe as its standard output. False when it could not be started.
    bool Start(const std::vector<std::string>& argv);
    bool Started() const { return child_ != nullptr; }
    const std::string& StartError() const { return startError_; }

    // The output reader; started also when the child was not, so that it stops at the
    // first stop byte like any other.
    void StartReader();

    // Where the bytes fed come from: up to `size` bytes into `into`, the number given; 0
    // at the end, negative when the source cannot go on.
    using FeedSource = std::function<ptrdiff_t(uint8_t* into, size_t size)>;
    enum class FeedEnd { SourceEnded, SourceFailed, Stopped };

    // Writes what `source` gives into the child, in blocks of up to 8192 bytes, counting
    // each into `bytesFed` before it is written and asking for a refresh every 10 blocks.
    // Ends early at a failed or short write, when the child has ended, or when the pipes
    // were closed (Stopped).
    FeedEnd Feed(const FeedSource& source, std::atomic<uint64_t>& bytesFed);
    // The bytes of `inputFd` from its position to its end, or `limit` bytes of them.
    void Feed(int inputFd, std::atomic<uint64_t>& bytesFed, uint64_t limit = UINT64_MAX);

    // Closes our ends of the input pipe: the child reads end-of-file and finishes.
    void EndInput();
    // Waits until the child has ended, so that the reader sees every line it printed;
    // false when CloseAll (Cancel) came first. True when none started.
    bool WaitForEnd();
    void Kill();

    // Writes stop bytes behind the child's output until the reader has stopped.
    void StopReader();

    // Closes the four pipe ends. Idempotent; wakes a feed blocked on a full pipe.
    void CloseAll();

    bool ReaderStopped() const { return readerStopped_.load(); }

    // True once the child has ended (timeoutMs < 0: no limit). True when none started.
    bool WaitForExit(int timeoutMs);
    std::optional<int> ExitStatus() const;

    // Hands the child over (a run keeps earlier jobs' children until they have ended).
    std::unique_ptr<ChildProcess> TakeChild();

private:
    enum class WaitResult { Ready, Closed, TimedOut };
    WaitResult WaitWritable(int fd, int timeoutMs);
    size_t WriteBlock(const uint8_t* data, size_t size);
    void ReadOutput();
    void JoinReader();

    StatusSink& sink_;
    std::unique_ptr<ChildProcess> child_;
    std::string startError_;
    SharedFd inputRead_, inputWrite_, outputRead_, outputWrite_;
    int wakeFd_ = -1; // readable once CloseAll has run
    std::atomic<bool> closed_{false};
    std::atomic<bool> readerStopped_{true};
    std::thread reader_;
};

} // namespace quillon
