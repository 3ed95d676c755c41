#pragma once

#include <cstddef>
#include <string>

namespace quillon {

// Opens a file we only read (a drive list, a CUE sheet and its audio, "tosharc", a
// disc's stored texts) without blocking, and keeps it only when it is a regular file: a
// FIFO would hang the open or the first read, a device or a folder never ends. Returns a
// close-on-exec descriptor in blocking mode, or -1 with `problem` saying why, to follow
// a colon ("a FIFO, not a regular file", or the system's text), and errno set (ENOENT
// for a missing file).
int OpenRegularFile(const std::string& path, std::string& problem);

// The whole of a regular file of at most `limit` bytes, through OpenRegularFile. False
// with `problem` set when it cannot be opened, is not a regular file, cannot be read or
// is larger than `limit` ("larger than 1 MiB").
bool ReadRegularFile(const std::string& path, size_t limit, std::string& text, std::string& problem);

// "1 MiB", "64 KiB", "100 bytes": a size limit as messages name it.
std::string SizeLimitText(size_t bytes);

} // namespace quillon
