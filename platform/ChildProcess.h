#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace quillon {

// A started child program. It is always reaped: by Running() or Wait() once it has
// ended, or at the latest when this object goes away.
class ChildProcess
{
public:
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts argv[0] with `stdinFd` and `stdoutFd` as its descriptors 0 and 1; the child
    // keeps standard error and gets no other descriptor of ours. No shell is involved.
    // Empty on failure, with the reason in `error`.
    static std::unique_ptr<ChildProcess> Spawn(const std::vector<std::string>& argv, int stdinFd, int stdoutFd,
                                               std::string* error = nullptr);

    pid_t Pid() const { return pid_; }
    bool Running();
    // True once the child has ended; timeoutMs < 0 waits without limit. Another thread
    // may Kill the child meanwhile, which ends the wait.
    bool Wait(int timeoutMs);
    void Kill();
    // Exit code, or 128 + signal number, once the child has ended and been reaped.
    std::optional<int> ExitStatus() const;

    // How long the destructor waits for a child that is still finishing before killing it.
    static constexpr int kFinishGraceMs = 60000;

private:
    explicit ChildProcess(pid_t pid);
    bool Reap();

    pid_t pid_;
    int pidFd_ = -1;
    mutable std::mutex mutex_;
    std::optional<int> status_;
};

} // namespace quillon
