#include "platform/ChildProcess.h"

#include "platform/ExitCleanup.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace quillon {

namespace {

int OpenPidFd(pid_t pid)
{
#ifdef SYS_pidfd_open
    return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    return -1;
#endif
}

int DecodeStatus(int raw)
{
    if (WIFEXITED(raw))
        return WEXITSTATUS(raw);
    if (WIFSIGNALED(raw))
        return 128 + WTERMSIG(raw);
    return 255;
}

} // namespace

std::unique_ptr<ChildProcess> ChildProcess::Spawn(const std::vector<std::string>& argv, int stdinFd, int stdoutFd,
                                                  std::string* error)
{
    if (argv.empty()) {
        if (error)
            *error = "no program given";
        return nullptr;
    }
    std::vector<char*> words;
    for (const std::string& word : argv)
        words.push_back(const_cast<char*>(word.c_str()));
    words.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, stdinFd, 0);
    posix_spawn_file_actions_adddup2(&actions, stdoutFd, 1);
    // Our own descriptors are close-on-exec, but a library may have opened one without
    // the flag; the child must get only its standard streams.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes, &signals);
    // We ignore SIGPIPE; the child starts with the default. It gets its own process group
    // so that Ctrl-C on our terminal cancels the run instead of killing a half-written file.
    sigaddset(&signals, SIGPIPE);
    sigaddset(&signals, SIGINT);
    posix_spawnattr_setsigdefault(&attributes, &signals);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);

    pid_t pid = -1;
    const int rc = posix_spawn(&pid, words[0], &actions, &attributes, words.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (rc != 0) {
        if (error)
            *error = std::strerror(rc);
        return nullptr;
    }
    return std::unique_ptr<ChildProcess>(new ChildProcess(pid));
}

ChildProcess::ChildProcess(pid_t pid) : pid_(pid), pidFd_(OpenPidFd(pid))
{
    // It leads its own process group; a process ended by a signal takes it along.
    KeepChildGroupForCleanup(pid);
    if (pidFd_ >= 0)
        fcntl(pidFd_, F_SETFD, FD_CLOEXEC);
}

ChildProcess::~ChildProcess()
{
    if (!Wait(kFinishGraceMs)) {
        Kill();
        Wait(-1);
    }
    if (pidFd_ >= 0)
        close(pidFd_);
}

bool ChildProcess::Reap()
{
    // Never blocks under the lock: Kill and ExitStatus from another thread must get
    // through while a thread waits for the child.
    std::lock_guard lock(mutex_);
    if (status_)
        return true;
    int raw = 0;
    pid_t r;
    do {
        r = waitpid(pid_, &raw, WNOHANG);
    } while (r < 0 && errno == EINTR);
    if (r == pid_) {
        status_ = DecodeStatus(raw);
        DropChildGroupFromCleanup(pid_);
        return true;
    }
    if (r < 0) {
        DropChildGroupFromCleanup(pid_);
        // Someone else reaped it (a SIGCHLD handler set to ignore children, say).
        status_ = 255;
        return true;
    }
    return false;
}

bool ChildProcess::Running()
{
    return !Reap();
}

bool ChildProcess::Wait(int timeoutMs)
{
    if (Reap())
        return true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
        int left = -1;
        if (timeoutMs >= 0) {
            left = static_cast<int>(
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
                    .count());
            if (left <= 0)
                return Reap();
        }
        if (pidFd_ >= 0) {
            pollfd p{pidFd_, POLLIN, 0};
            poll(&p, 1, left);
        } else {
            const auto step = left < 0 ? pause : std::min(pause, std::chrono::milliseconds(left));
            std::this_thread::sleep_for(step);
            pause = std::min(pause * 2, std::chrono::milliseconds(20));
        }
        if (Reap())
            return true;
    }
}

void ChildProcess::Kill()
{
    // The child leads a process group of its own: whatever it started (a wrapper
    // script's pipeline still writing the output) ends with it.
    std::lock_guard lock(mutex_);
    if (!status_)
        ::kill(-pid_, SIGKILL);
}

std::optional<int> ChildProcess::ExitStatus() const
{
    std::lock_guard lock(mutex_);
    return status_;
}

} // namespace quillon
