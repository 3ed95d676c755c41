#pragma once

#include "batch/JobList.h"
#include "cd/GrabProgressWindow.h"
#include "run/RunClock.h"

#include <functional>

namespace quillon::cli {

class TerminalWindow;

// The number of CPUs this process may run on (its affinity mask), at least 1.
int UsableCpuCount();

// Converts the files of `jobs` with up to `workers` codec programs at once, each job
// through the window's own conversion run; Ctrl-C cancels every running job. The first
// failure of a job stops the batch: no new job starts, the running ones finish. A codec
// program ending with a non-zero status is logged and the batch goes on, as in the window.
// Returns the exit status.
//
// CD tracks are read by `grab` one after another on a thread of their own (a drive reads
// one thing at a time) while the tracks already read are encoded; a track waits for a
// free worker before it is read, so at most `workers` temporary files exist at once, and
// each is removed when its encode ends. A track that cannot be read is skipped, and the
// exit status says so. `grab` reads into a window whose lines go through `terminal`.
using BatchGrab = std::function<bool(FileJob& job, GrabProgressWindow& window)>;
int RunParallelBatch(JobList& jobs, TerminalWindow& terminal, RunClock& clock, int workers, BatchGrab grab = {});

} // namespace quillon::cli
