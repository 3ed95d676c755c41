#include "ui/core/FolderListing.h"

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {

bool MatchesMask(const std::string& name, const std::string& mask)
{
    if (mask == "*.*" || mask == "*") {
        return true;
    }
    return fnmatch(mask.c_str(), name.c_str(), FNM_CASEFOLD) == 0;
}

bool IsHiddenName(const std::string& name)
{
    return !name.empty() && name[0] == '.';
}

std::string FormatSizeK(std::int64_t bytes)
{
    char text[32];
    std::snprintf(text, sizeof text, "%" PRId64 "K", bytes / 1024);
    return text;
}

std::string FormatFileDate(std::time_t when)
{
    std::tm local{};
    if (localtime_r(&when, &local) == nullptr) {
        return {};
    }
    char text[128];
    std::size_t length = std::strftime(text, sizeof text, "%c", &local);
    return std::string(text, length);
}

std::string WithTrailingSlash(const std::string& folder)
{
    if (!folder.empty() && folder.back() == '/') {
        return folder;
    }
    return folder + "/";
}

std::string JoinItemPath(const std::string& root, const std::vector<std::string>& names)
{
    std::string path = WithTrailingSlash(root);
    for (const std::string& name : names) {
        path += name;
        path += '/';
    }
    return path;
}

static unsigned char FoldAscii(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

bool NameLessNoCase(const std::string& a, const std::string& b)
{
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char x = FoldAscii(static_cast<unsigned char>(a[i]));
        unsigned char y = FoldAscii(static_cast<unsigned char>(b[i]));
        if (x != y) {
            return x < y;
        }
    }
    return a.size() < b.size();
}

namespace {

// Closes the directory stream on every way out.
struct DirCloser
{
    DIR* dir;
    ~DirCloser()
    {
        if (dir != nullptr) {
            closedir(dir);
        }
    }
};

bool EntryIsFolder(int dirFd, const dirent* entry)
{
    if (entry->d_type == DT_DIR) {
        return true;
    }
    if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN) {
        return false;
    }
    struct stat info
    {};
    return fstatat(dirFd, entry->d_name, &info, 0) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

std::vector<std::string> ListSubfolders(const std::string& folder)
{
    std::vector<std::string> names;
    DirCloser closer{opendir(folder.c_str())};
    if (closer.dir == nullptr) {
        return names;
    }
    int fd = dirfd(closer.dir);
    while (const dirent* entry = readdir(closer.dir)) {
        std::string name = entry->d_name;
        if (IsHiddenName(name) || !EntryIsFolder(fd, entry)) {
            continue;
        }
        names.push_back(std::move(name));
    }
    return names;
}

bool ListFolderFiles(const std::string& folder, const std::string& mask, const std::atomic<bool>& cancel,
                     std::size_t batchSize, int batchMillis, const std::function<void(std::vector<FileRow>&&)>& onBatch)
{
    using Clock = std::chrono::steady_clock;
    DirCloser closer{opendir(folder.c_str())};
    if (closer.dir == nullptr) {
        return false;
    }
    int fd = dirfd(closer.dir);
    std::vector<FileRow> batch;
    Clock::time_point lastHandOver = Clock::now();
    while (const dirent* entry = readdir(closer.dir)) {
        if (cancel.load(std::memory_order_relaxed)) {
            return true;
        }
        std::string name = entry->d_name;
        if (IsHiddenName(name) || entry->d_type == DT_DIR || !MatchesMask(name, mask)) {
            continue;
        }
        struct stat info
        {};
        if (fstatat(fd, entry->d_name, &info, 0) != 0 || S_ISDIR(info.st_mode)) {
            continue;
        }
        batch.push_back({std::move(name), FormatSizeK(info.st_size), FormatFileDate(info.st_mtime)});
        if (batch.size() >= batchSize || Clock::now() - lastHandOver >= std::chrono::milliseconds(batchMillis)) {
            onBatch(std::move(batch));
            batch = {};
            lastHandOver = Clock::now();
        }
    }
    if (!batch.empty() && !cancel.load(std::memory_order_relaxed)) {
        onBatch(std::move(batch));
    }
    return true;
}

} // namespace quillon
