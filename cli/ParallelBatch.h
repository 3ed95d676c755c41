#pragma once

#include "batch/JobList.h"
#include "run/RunClock.h"

namespace quillon::cli {

class TerminalWindow;

// The number of CPUs this process may run on (its affinity mask), at least 1.
int UsableCpuCount();

// Converts the files of `jobs` with up to `workers` codec programs at once, each job
// through the window's own conversion run; Ctrl-C cancels every running job. The first
// failure of a job stops the batch: no new job starts, the running ones finish. A codec
// program ending with a non-zero status is logged and the batch goes on, as in the window.
// Returns the exit status.
int RunParallelBatch(JobList& jobs, TerminalWindow& terminal, RunClock& clock, int workers);

} // namespace quillon::cli
