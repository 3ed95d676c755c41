#include "platform/PartFile.h"

#include "platform/ExitCleanup.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {

namespace {

constexpr size_t kNameMax = 255;
constexpr int kAttempts = 100;

// Distinct within this process; the process number keeps other processes apart.
std::string NextTag()
{
    static std::atomic<unsigned> serial{0};
    char text[48];
    std::snprintf(text, sizeof text, "%d-%u", static_cast<int>(::getpid()), serial++);
    return text;
}

} // namespace

std::string HiddenPartPath(const std::string& path, const std::string& tag)
{
    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string suffix = "." + tag + ".part";
    const size_t room = kNameMax > suffix.size() + 1 ? kNameMax - suffix.size() - 1 : 0;
    if (name.size() > room) {
        size_t cut = room;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut; // a continuation byte: the character starts before it
        name.resize(cut);
    }
    return folder + "." + name + suffix;
}

std::string FreeHiddenPartPath(const std::string& path)
{
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::string candidate = HiddenPartPath(path, NextTag());
        struct stat st;
        if (::lstat(candidate.c_str(), &st) != 0) {
            if (errno == ENOENT)
                return candidate;
            return {}; // errno says why (a path through a file, a folder we may not search)
        }
    }
    errno = EEXIST;
    return {};
}

CreatedFile CreateHiddenPart(const std::string& path, mode_t mode)
{
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        CreatedFile file;
        file.path = HiddenPartPath(path, NextTag());
        file.fd = ::open(file.path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (file.fd >= 0 || errno != EEXIST)
            return file;
    }
    errno = EEXIST;
    return {};
}

std::string PutInPlace(const std::string& partPath, const std::string& path)
{
    if (::rename(partPath.c_str(), path.c_str()) == 0)
        return {};
    const std::string reason = std::strerror(errno);
    ::unlink(partPath.c_str());
    return reason;
}

std::string WriteFileInPlace(const std::string& path, std::string_view bytes, mode_t mode)
{
    const CreatedFile part = CreateHiddenPart(path, mode);
    if (part.fd < 0)
        return std::strerror(errno);
    const CleanupFile cleanup(part.path);
    size_t done = 0;
    std::string problem;
    while (done < bytes.size() && problem.empty()) {
        const ssize_t n = ::write(part.fd, bytes.data() + done, bytes.size() - done);
        if (n > 0)
            done += static_cast<size_t>(n);
        else if (n == 0 || errno != EINTR)
            problem = n == 0 ? "nothing written" : std::strerror(errno);
    }
    if (::close(part.fd) != 0 && problem.empty())
        problem = std::strerror(errno);
    if (!problem.empty()) {
        ::unlink(part.path.c_str());
        return problem;
    }
    return PutInPlace(part.path, path);
}

} // namespace quillon
