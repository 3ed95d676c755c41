#pragma once

// Exit statuses of the quillon program, the command line's and the window's alike.
namespace quillon::cli {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitCancelled = 130;

} // namespace quillon::cli
