#include "formats/CoverPicture.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {

namespace {

const char* MimeOf(const std::vector<uint8_t>& bytes)
{
    static const uint8_t kJpeg[] = {0xFF, 0xD8, 0xFF};
    static const uint8_t kPng[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (bytes.size() >= sizeof kJpeg && std::memcmp(bytes.data(), kJpeg, sizeof kJpeg) == 0)
        return "image/jpeg";
    if (bytes.size() >= sizeof kPng && std::memcmp(bytes.data(), kPng, sizeof kPng) == 0)
        return "image/png";
    return nullptr;
}

// The whole of `fd`, at most `size` bytes; false on a read error.
bool ReadAll(int fd, std::vector<uint8_t>& bytes, size_t size)
{
    bytes.resize(size);
    size_t got = 0;
    while (got < size) {
        const ssize_t n = read(fd, bytes.data() + got, size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    bytes.resize(got);
    return true;
}

} // namespace

std::optional<TagPicture> ReadCoverPicture(const std::string& path, std::string& problem)
{
    auto refuse = [&](const std::string& reason) {
        problem = "Cannot use " + path + " as the cover picture: " + reason;
        return std::nullopt;
    };
    // Not blocking: a FIFO named by mistake must not hang the program.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return refuse(std::strerror(errno));
    struct stat info;
    std::vector<uint8_t> bytes;
    std::string reason;
    if (fstat(fd, &info) != 0)
        reason = std::strerror(errno);
    else if (!S_ISREG(info.st_mode))
        reason = "it is not a regular file";
    else if (static_cast<uint64_t>(info.st_size) > kCoverPictureLimit)
        reason = "it is larger than 16 MiB";
    else if (!ReadAll(fd, bytes, static_cast<size_t>(info.st_size)))
        reason = std::strerror(errno);
    close(fd);
    if (!reason.empty())
        return refuse(reason);
    auto picture = CoverPictureFromBytes(std::move(bytes), &reason);
    if (!picture)
        return refuse(reason);
    return picture;
}

std::optional<TagPicture> CoverPictureFromBytes(std::vector<uint8_t> bytes, std::string* reason)
{
    const char* mime = MimeOf(bytes);
    const char* refusal = bytes.size() > kCoverPictureLimit ? "it is larger than 16 MiB"
                          : !mime                           ? "it is not a JPEG or PNG picture"
                                                            : nullptr;
    if (refusal) {
        if (reason)
            *reason = refusal;
        return std::nullopt;
    }
    return TagPicture{mime, std::make_shared<const std::vector<uint8_t>>(std::move(bytes))};
}

} // namespace quillon
