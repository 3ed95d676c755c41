#pragma once

#include "cli/CliArguments.h"

namespace quillon::cli {

// Exit statuses of the command line.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitCancelled = 130;

int RunConversion(const CliArguments& arguments);
int ShowDefaults();
int SaveDefaults(const CliArguments& arguments);

} // namespace quillon::cli
