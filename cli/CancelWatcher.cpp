#include "cli/CancelWatcher.h"

#include "platform/ExitCleanup.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace quillon::cli {

namespace {

int signalPipe[2] = {-1, -1};
std::atomic<int> interrupts{0};

extern "C" void OnSignal(int)
{
    CountInterrupt();
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] ssize_t n = write(signalPipe[1], &byte, 1);
    errno = saved;
}

} // namespace

void CountInterrupt()
{
    static_assert(std::atomic<int>::is_always_lock_free);
    // The first may be stuck where a cancel cannot reach (an open that blocks, a drive
    // that does not answer); the user's second asks to stop now.
    // What is half-written goes with us.
    if (interrupts.fetch_add(1) + 1 >= 2)
        EndNowWithoutLeftovers(130);
}

CancelWatcher::CancelWatcher(std::function<void()> onCancel) : onCancel_(std::move(onCancel))
{
    if (signalPipe[0] < 0 && pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    if (pipe2(stopPipe_, O_CLOEXEC) != 0)
        return;
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    // A closed terminal (SIGHUP) and a polite kill (SIGTERM) cancel as Ctrl-C does.
    for (const int signal : kCancelSignals)
        sigaction(signal, &action, nullptr);
    thread_ = std::thread([this] { Watch(); });
}

CancelWatcher::~CancelWatcher()
{
    if (thread_.joinable()) {
        const char byte = 1;
        [[maybe_unused]] ssize_t n = write(stopPipe_[1], &byte, 1);
        thread_.join();
    }
    for (const int signal : kCancelSignals)
        std::signal(signal, SIG_DFL);
    for (int fd : stopPipe_) {
        if (fd >= 0)
            close(fd);
    }
}

void CancelWatcher::Watch()
{
    for (;;) {
        pollfd fds[2] = {{signalPipe[0], POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0)
            continue;
        if (fds[1].revents)
            return;
        if (fds[0].revents & POLLIN) {
            char bytes[16];
            while (read(signalPipe[0], bytes, sizeof bytes) > 0) {}
            cancelled_ = true;
            onCancel_();
        }
    }
}

} // namespace quillon::cli
