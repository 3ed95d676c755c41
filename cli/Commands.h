#pragma once

#include "cli/CliArguments.h"

namespace quillon {
class ConversionRun;
}

namespace quillon::cli {

class TerminalWindow;

// Exit statuses of the command line.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitCancelled = 130;

int RunConversion(const CliArguments& arguments);

// Runs the batch with Ctrl-C as Cancel and turns its end into the exit status.
// `skippedGrabs` is read once the run has ended (CD tracks that could not be grabbed).
int RunBatch(ConversionRun& run, TerminalWindow& window, const int& skippedGrabs);

int ShowDefaults();
int SaveDefaults(const CliArguments& arguments);

} // namespace quillon::cli
