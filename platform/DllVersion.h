#pragma once

#include <cstdint>
#include <string>

namespace quillon {

// The record a library's exported "DllGetVersion" fills in. The caller sets size to 20
// and everything else to 0; a result of 0 or above reports success.
struct DllVersionInfo
{
    std::uint32_t size;
    std::uint32_t major;
    std::uint32_t minor;
    std::uint32_t build;
    std::uint32_t platform;
};
static_assert(sizeof(DllVersionInfo) == 20);

using DllGetVersionFunction = std::int32_t (*)(DllVersionInfo*);
inline constexpr const char* kDllGetVersionName = "DllGetVersion";

// Major, minor and build of a library: first from its exported version function, else
// from the version in its file's name (libX.so.6.4.2 gives 6, 4, 2). Returns true when all
// three were obtained; on false the values reached may have been written and the others
// keep what the caller put in them.
bool QueryDllVersion(const std::string& name, std::uint32_t& major, std::uint32_t& minor, std::uint32_t& build);

// Reads "a.b.c[...]" into the three values: pieces are split at ".", empty pieces are
// skipped, each read like atoi (leading digits, the rest ignored). False when a piece is
// missing; the pieces read before stay written.
bool ParseVersionText(const std::string& text, std::uint32_t& major, std::uint32_t& minor, std::uint32_t& build);

// The version text of a library file's name: what follows ".so."; empty when none.
std::string VersionTextOfFileName(const std::string& fileName);

// The real file behind a library name: the loader's own path when it loads, else the first
// of the system library folders that has it; symbolic links resolved. Empty when not found.
std::string LibraryFilePath(const std::string& name, const std::string& loadedPath);

} // namespace quillon
