#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>

namespace quillon {

// A file is made under a hidden name beside its final name (same folder, so that the
// final rename cannot cross file systems) and renamed once it is complete: a failed or
// cancelled job never leaves a broken file under the final name, and an earlier file of
// that name stays as it was until then.

// "<folder>.<name>.<tag>.part" for `path`; the name is shortened (never inside a UTF-8
// character) so that the hidden name fits a folder entry of 255 bytes.
std::string HiddenPartPath(const std::string& path, const std::string& tag);

// A hidden path beside `path` that no entry holds at the moment, for a program that
// then creates it exclusively; "" when none is found, with errno saying why.
std::string FreeHiddenPartPath(const std::string& path);

struct CreatedFile
{
    int fd = -1; // -1 when nothing could be created (errno tells why)
    std::string path;
};

// Creates a new hidden file beside `path` exclusively (O_EXCL, never through a link),
// open for writing.
CreatedFile CreateHiddenPart(const std::string& path, mode_t mode);

// Puts a completed hidden file in place under its final name; on failure the hidden file
// is removed and the reason returned ("" on success).
std::string PutInPlace(const std::string& partPath, const std::string& path);

// Writes a whole small file this way (a store's file): never through a link at either
// name, and a failed write leaves the earlier file as it was. "" on success, else why.
std::string WriteFileInPlace(const std::string& path, std::string_view bytes, mode_t mode);

} // namespace quillon
