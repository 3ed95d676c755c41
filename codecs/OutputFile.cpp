#include "codecs/OutputFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "codecs/ConsoleText.h"

namespace quillon {
namespace {

constexpr size_t kBufferSize = 256 * 1024;

} // namespace

OutputFile::~OutputFile()
{
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool OutputFile::Open(const std::string& path)
{
    path_ = path;
    // Created here and written only through this descriptor: a file or link that stands
    // at the name already (swapped in by someone else) is refused, never written through.
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        return Fail("Cannot create output file", errno);
    }
    buffer_.reserve(kBufferSize);
    return true;
}

bool OutputFile::Write(std::span<const unsigned char> bytes)
{
    if (fd_ < 0) {
        return false;
    }
    if (buffer_.size() + bytes.size() > kBufferSize && !Flush()) {
        return false;
    }
    if (bytes.size() >= kBufferSize) {
        return WriteAll(bytes.data(), bytes.size());
    }
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    return true;
}

bool OutputFile::WriteAt(std::uint64_t offset, std::span<const unsigned char> bytes)
{
    if (fd_ < 0 || !Flush()) {
        return false;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return Fail("Cannot write output file", n < 0 ? errno : ENOSPC);
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

bool OutputFile::Close()
{
    if (fd_ < 0) {
        return error_.empty();
    }
    const bool flushed = Flush();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && flushed) {
        return Fail("Cannot finish output file", errno);
    }
    return flushed;
}

bool OutputFile::Flush()
{
    if (buffer_.empty()) {
        return true;
    }
    const bool ok = WriteAll(buffer_.data(), buffer_.size());
    buffer_.clear();
    return ok;
}

bool OutputFile::WriteAll(const unsigned char* data, size_t size)
{
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd_, data + done, size - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return Fail("Cannot write output file", n < 0 ? errno : ENOSPC);
        }
        done += static_cast<size_t>(n);
        written_ += static_cast<std::uint64_t>(n);
    }
    return true;
}

bool OutputFile::Fail(const char* what, int error)
{
    error_ = std::string("Error: ") + what + " \"" + ShortFileName(path_) + "\": " + std::strerror(error);
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    buffer_.clear();
    return false;
}

long ReadFull(int fd, unsigned char* buffer, size_t size)
{
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, buffer + done, size - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return done > 0 ? static_cast<long>(done) : -1;
        }
        if (n == 0) {
            break;
        }
        done += static_cast<size_t>(n);
    }
    return static_cast<long>(done);
}

} // namespace quillon
