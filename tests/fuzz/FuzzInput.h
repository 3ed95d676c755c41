#pragma once

// Helpers shared by the fuzz targets: the input as a file, and as a list of words.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace quillon::fuzz {

// A file in memory holding exactly the input, rewound; the same descriptor every call
// so that a run of millions of inputs opens no more than one.
inline int InputAsFile(const uint8_t* data, size_t size)
{
    static const int fd = memfd_create("quillon-fuzz", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, 0) != 0)
        std::abort();
    size_t done = 0;
    while (done < size) {
        const ssize_t n = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        if (n <= 0)
            std::abort();
        done += static_cast<size_t>(n);
    }
    lseek(fd, 0, SEEK_SET);
    return fd;
}

// The same file by a path that fopen and Qt can open.
inline std::string InputFilePath(const uint8_t* data, size_t size)
{
    return "/proc/self/fd/" + std::to_string(InputAsFile(data, size));
}

// A private folder for targets whose reader wants a real folder; made once per process.
inline const std::string& ScratchFolder()
{
    // In memory when the system offers it: a disk busy with other work would make every
    // write, and QSettings' sync, wait for it.
    // The name lives in a plain array, which outlasts the removal at exit.
    static char name[] = "/dev/shm/quillon-fuzz-XXXXXX";
    static const std::string folder = [] {
        if (mkdtemp(name) == nullptr) {
            std::strcpy(name, "/tmp/quillon-fuzz-XXXXXX");
            if (mkdtemp(name) == nullptr)
                std::abort();
        }
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(name, ignored);
        });
        return std::string(name);
    }();
    return folder;
}

inline void WriteWholeFile(const std::string& path, std::string_view bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        std::abort();
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size())
        std::abort();
    std::fclose(f);
}

// Splits at every `separator` byte; the pieces keep any other byte, NUL included.
inline std::vector<std::string> Split(std::string_view text, char separator)
{
    std::vector<std::string> pieces;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(separator, start);
        pieces.emplace_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos)
            return pieces;
        start = end + 1;
    }
}

} // namespace quillon::fuzz
