#include "platform/ExitCleanup.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace quillon {

namespace {

// A rip with many jobs holds two files per job; more than this only loses the cleanup
// on a second signal for the files that did not fit.
constexpr int kFileSlots = 128;
constexpr int kGroupSlots = 64;

enum SlotState : int { kFree, kFilling, kReady };

struct FileSlot
{
    std::atomic<int> state{kFree};
    char path[PATH_MAX];
};

FileSlot fileSlots[kFileSlots];
std::atomic<pid_t> groupSlots[kGroupSlots];

static_assert(std::atomic<int>::is_always_lock_free && std::atomic<pid_t>::is_always_lock_free,
              "signal handlers read the tables");

} // namespace

bool KeepForCleanup(const std::string& path)
{
    if (path.empty() || path.size() >= PATH_MAX)
        return false;
    for (FileSlot& slot : fileSlots) {
        int expected = kFree;
        if (!slot.state.compare_exchange_strong(expected, kFilling))
            continue;
        std::memcpy(slot.path, path.c_str(), path.size() + 1);
        slot.state.store(kReady);
        return true;
    }
    return false;
}

void DropFromCleanup(const std::string& path)
{
    for (FileSlot& slot : fileSlots) {
        if (slot.state.load() == kReady && path == slot.path) {
            slot.state.store(kFree);
            return;
        }
    }
}

void KeepChildGroupForCleanup(pid_t group)
{
    for (auto& slot : groupSlots) {
        pid_t expected = 0;
        if (slot.compare_exchange_strong(expected, group))
            return;
    }
}

void DropChildGroupFromCleanup(pid_t group)
{
    for (auto& slot : groupSlots) {
        pid_t expected = group;
        if (slot.compare_exchange_strong(expected, 0))
            return;
    }
}

void RemoveLeftoversNow()
{
    const int saved = errno;
    // The programs first, so that none writes on or creates its file again.
    for (auto& slot : groupSlots) {
        const pid_t group = slot.load();
        if (group > 0)
            ::kill(-group, SIGKILL);
    }
    for (FileSlot& slot : fileSlots) {
        if (slot.state.load() == kReady)
            ::unlink(slot.path);
    }
    errno = saved;
}

void EndNowWithoutLeftovers(int status)
{
    RemoveLeftoversNow();
    ::_exit(status);
}

namespace {

extern "C" void EndOnSignal(int)
{
    EndNowWithoutLeftovers(130);
}

} // namespace

void EndWithoutLeftoversOnSignals()
{
    struct sigaction action = {};
    action.sa_handler = EndOnSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

} // namespace quillon
