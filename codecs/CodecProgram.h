#pragma once

#include <cstddef>

namespace quillon {

// What the two codec programs share: how much they read at a time, how often they print
// progress, and their exit statuses.
constexpr size_t kReadBytes = 64 * 1024;
constexpr double kProgressSeconds = 2.0;

enum ExitCode {
    kExitOk = 0,
    kExitCodecFailed = 1, // the library could not encode or decode the stream
    kExitBadArguments = 2,
    kExitOutputFailed = 3,
};

} // namespace quillon
