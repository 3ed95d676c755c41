#pragma once

#include <atomic>
#include <csignal>
#include <functional>
#include <thread>

namespace quillon::cli {

// The signals that cancel a command: Ctrl-C, a polite kill and a closed terminal.
inline constexpr int kCancelSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Turns Ctrl-C (SIGINT), SIGTERM and SIGHUP into a call of `onCancel` on a thread of its own:
// the signal handler only writes a byte into a pipe, which the watcher thread waits on.
class CancelWatcher
{
public:
    explicit CancelWatcher(std::function<void()> onCancel);
    ~CancelWatcher();
    CancelWatcher(const CancelWatcher&) = delete;
    CancelWatcher& operator=(const CancelWatcher&) = delete;

    bool Cancelled() const { return cancelled_.load(); }

private:
    void Watch();

    std::function<void()> onCancel_;
    std::atomic<bool> cancelled_{false};
    int stopPipe_[2] = {-1, -1};
    std::thread thread_;
};

// For signal handlers of the command line: counts an interrupt (Ctrl-C, SIGTERM,
// SIGHUP); the second one ends the command at once with exit status 130, whatever the
// first is still waiting for, removing the files it had not finished. Async-signal-safe.
void CountInterrupt();

} // namespace quillon::cli
