#include "platform/RegularFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {

namespace {

const char* KindProblem(mode_t mode)
{
    if (S_ISFIFO(mode))
        return "a FIFO, not a regular file";
    if (S_ISDIR(mode))
        return "a folder, not a file";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device, not a regular file";
    if (S_ISSOCK(mode))
        return "a socket, not a regular file";
    return "not a regular file";
}

} // namespace

int OpenRegularFile(const std::string& path, std::string& problem)
{
    problem.clear();
    // O_NONBLOCK: an open of a FIFO without a writer would wait for one for ever.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        problem = std::strerror(error);
        errno = error;
        return -1;
    }
    struct stat info;
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        problem = std::strerror(error);
        ::close(fd);
        errno = error;
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        problem = KindProblem(info.st_mode);
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

bool ReadRegularFile(const std::string& path, size_t limit, std::string& text, std::string& problem)
{
    text.clear();
    const int fd = OpenRegularFile(path, problem);
    if (fd < 0)
        return false;
    struct stat info;
    if (::fstat(fd, &info) == 0 && static_cast<unsigned long long>(info.st_size) > limit) {
        ::close(fd);
        problem = "larger than " + SizeLimitText(limit);
        return false;
    }
    // Read to the end rather than trust the size: the file may still be growing.
    char block[65536];
    for (;;) {
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            problem = std::strerror(errno);
            ::close(fd);
            return false;
        }
        if (n == 0)
            break;
        text.append(block, static_cast<size_t>(n));
        if (text.size() > limit) {
            ::close(fd);
            problem = "larger than " + SizeLimitText(limit);
            text.clear();
            return false;
        }
    }
    ::close(fd);
    return true;
}

std::string SizeLimitText(size_t bytes)
{
    if (bytes >= (1u << 20) && bytes % (1u << 20) == 0)
        return std::to_string(bytes >> 20) + " MiB";
    if (bytes >= 1024 && bytes % 1024 == 0)
        return std::to_string(bytes >> 10) + " KiB";
    return std::to_string(bytes) + " bytes";
}

} // namespace quillon
