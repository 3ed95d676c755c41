#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace quillon {

// One row of the file list: the name as the file system gives it (bytes), the size text
// "%dK" and the date text "%c".
struct FileRow
{
    std::string name;
    std::string size;
    std::string date;
};

// Masks match without regard to case; "*.*" matches every name, dotted or not, as it
// does on the platform the masks come from.
bool MatchesMask(const std::string& name, const std::string& mask);

// Names beginning with "." are hidden and never listed.
bool IsHiddenName(const std::string& name);

// The file length in KiB rounded down, as "%dK" (0K under 1024 bytes).
std::string FormatSizeK(std::int64_t bytes);

// The time of last write in local time with the locale's "%c" representation.
std::string FormatFileDate(std::time_t when);

// folder + "/" unless it already ends in one.
std::string WithTrailingSlash(const std::string& folder);

// The folder path of a tree node: the drive root, then each folder name and a slash.
std::string JoinItemPath(const std::string& root, const std::vector<std::string>& names);

// Case-insensitive name order (ASCII letters folded), bytes compared otherwise.
bool NameLessNoCase(const std::string& a, const std::string& b);

// The visible subfolders of a folder (symbolic links to folders count), in the order of
// the file system. A folder that cannot be read has none.
std::vector<std::string> ListSubfolders(const std::string& folder);

// Lists the files of folder that match mask and hands them over in batches of at most
// batchSize rows; a batch is also handed over once batchMillis have passed since the last
// one. Stops early when cancel becomes true. Returns false when the folder cannot be read.
bool ListFolderFiles(const std::string& folder, const std::string& mask, const std::atomic<bool>& cancel,
                     std::size_t batchSize, int batchMillis,
                     const std::function<void(std::vector<FileRow>&&)>& onBatch);

} // namespace quillon
