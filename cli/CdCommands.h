#pragma once

namespace quillon {

// "drives", "toc" and "grab" (and "rip" once the conversion run takes CD jobs).
bool IsCdCommand(const char* name);
// Runs `quillon <command> ...`; the exit status.
int RunCdCommand(int argc, char** argv);
// The usage lines of the CD commands.
void PrintCdUsage();

} // namespace quillon
