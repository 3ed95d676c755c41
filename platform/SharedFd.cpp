#include "platform/SharedFd.h"

#include <unistd.h>

namespace quillon {

SharedFd::Lease::Lease(SharedFd& owner) : owner_(owner)
{
    std::lock_guard lock(owner_.mutex_);
    fd_ = owner_.closed_ ? -1 : owner_.fd_;
    if (fd_ >= 0)
        ++owner_.users_;
}

SharedFd::Lease::~Lease()
{
    if (fd_ < 0)
        return;
    std::lock_guard lock(owner_.mutex_);
    if (--owner_.users_ == 0 && owner_.closed_ && owner_.fd_ >= 0) {
        ::close(owner_.fd_);
        owner_.fd_ = -1;
    }
}

bool SharedFd::Adopt(int fd)
{
    std::lock_guard lock(mutex_);
    if (closed_ || fd_ >= 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

void SharedFd::Close()
{
    std::lock_guard lock(mutex_);
    closed_ = true;
    if (users_ == 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

bool SharedFd::IsOpen() const
{
    std::lock_guard lock(mutex_);
    return fd_ >= 0 && !closed_;
}

} // namespace quillon
