#pragma once

#include <mutex>

namespace quillon {

// A descriptor that one thread may close while another is using it. Closing marks it
// closed at once; the descriptor itself is released only when the last user is done, so
// a closed end is never used again even when the system hands its number out anew.
class SharedFd
{
public:
    SharedFd() = default;
    explicit SharedFd(int fd) : fd_(fd) {}
    ~SharedFd() { Close(); }
    SharedFd(const SharedFd&) = delete;
    SharedFd& operator=(const SharedFd&) = delete;

    // Holds the descriptor open for as long as it lives; fd() is -1 when already closed.
    class Lease
    {
    public:
        explicit Lease(SharedFd& owner);
        ~Lease();
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;
        int fd() const { return fd_; }

    private:
        SharedFd& owner_;
        int fd_;
    };

    // Takes ownership of `fd`. A SharedFd holds one descriptor in its life: adopting into
    // one that was closed (or already holds one) closes `fd` and returns false.
    bool Adopt(int fd);
    void Close();
    bool IsOpen() const;

private:
    friend class Lease;
    mutable std::mutex mutex_;
    int fd_ = -1;
    int users_ = 0;
    bool closed_ = false;
};

} // namespace quillon
