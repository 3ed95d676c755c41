#include "cli/ParallelBatch.h"

#include "cli/CancelWatcher.h"
#include "cli/Commands.h"
#include "cli/JobWindow.h"
#include "cli/TerminalWindow.h"
#include "run/ConversionRun.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <sched.h>
#include <thread>
#include <vector>

namespace quillon::cli {

namespace {

// One codec program at a time: a conversion run of its own, so that its input, its
// process and its figures are its own, over the batch's shared job list.
struct Worker
{
    Worker(JobList& jobs, TerminalWindow& terminal, RunClock& clock, bool numbered,
           std::function<void(double)> onProgress)
        : window(terminal, numbered, std::move(onProgress)), run(jobs, window, clock)
    {
    }

    JobWindow window;
    ConversionRun run;
    std::atomic<int64_t> currentKiB{0};    // size of the job being converted
    std::atomic<double> currentShare{0};   // its share done
    int firstCodecFailureJob = -1;         // job index of this worker's first codec failure
};

class Batch
{
public:
    Batch(JobList& jobs, TerminalWindow& terminal, RunClock& clock, int workers)
        : jobs_(jobs), terminal_(terminal), count_(jobs.Count())
    {
        const int n = std::max(1, std::min(workers, count_));
        numbered_ = n > 1;
        for (int i = 0; i < n; ++i)
            workers_.push_back(std::make_unique<Worker>(jobs, terminal, clock, numbered_, [this, i](double share) {
                workers_[static_cast<size_t>(i)]->currentShare = share;
                ShowProgress();
            }));
    }

    int Run()
    {
        {
            CancelWatcher watcher([this] { Cancel(); });
            std::vector<std::thread> threads;
            for (auto& worker : workers_)
                threads.emplace_back([this, w = worker.get()] { Work(*w); });
            for (auto& thread : threads)
                thread.join();
        }
        if (cancelled_) {
            terminal_.Note("Process aborted", true);
            return kExitCancelled;
        }
        if (!failure_.empty()) {
            terminal_.Note(failure_, true);
            return kExitFailed;
        }
        // The codec failure of the earliest job names the batch's end, as in one run.
        const Worker* named = nullptr;
        for (const auto& worker : workers_) {
            if (worker->firstCodecFailureJob >= 0 &&
                (!named || worker->firstCodecFailureJob < named->firstCodecFailureJob))
                named = worker.get();
        }
        if (named) {
            terminal_.Note(named->run.FirstCodecFailure(), true);
            return kExitFailed;
        }
        terminal_.Note("Processing Finished.", false);
        return kExitOk;
    }

private:
    void Work(Worker& worker)
    {
        while (!stop_) {
            const int index = next_++;
            if (index >= count_)
                break;
            worker.currentKiB = jobs_.Job(index).sizeKiB;
            worker.currentShare = 0;
            const int codecFailuresBefore = worker.run.FailedCodecPrograms();
            const JobOutcome outcome = worker.run.ConvertJob(index);
            const std::string message = worker.window.TakeMessage();
            if (worker.firstCodecFailureJob < 0 && worker.run.FailedCodecPrograms() > codecFailuresBefore)
                worker.firstCodecFailureJob = index;
            doneKiB_ += worker.currentKiB.exchange(0);
            if (outcome != JobOutcome::Done && !worker.run.AbortRequested()) {
                std::lock_guard lock(mutex_);
                if (failure_.empty())
                    failure_ = message;
                stop_ = true;
            }
        }
    }

    void Cancel()
    {
        stop_ = true;
        cancelled_ = true;
        for (auto& worker : workers_)
            worker->run.Cancel();
    }

    void ShowProgress()
    {
        double done = static_cast<double>(doneKiB_.load());
        for (const auto& worker : workers_)
            done += worker->currentShare.load() * static_cast<double>(worker->currentKiB.load());
        const int64_t batchKiB = jobs_.BatchKiB();
        const int percent = batchKiB > 0 ? static_cast<int>(std::min(100.0, done * 100 / static_cast<double>(batchKiB))) : 0;
        terminal_.ShowProgressLine("  " + std::to_string(percent) + "% of the batch (" + std::to_string(count_) +
                                   " files, " + std::to_string(workers_.size()) + " at once)");
    }

    JobList& jobs_;
    TerminalWindow& terminal_;
    const int count_;
    bool numbered_ = false;
    std::vector<std::unique_ptr<Worker>> workers_;
    std::atomic<int> next_{0};
    std::atomic<bool> stop_{false};
    std::atomic<bool> cancelled_{false};
    std::atomic<int64_t> doneKiB_{0};
    std::mutex mutex_;
    std::string failure_;
};

} // namespace

int UsableCpuCount()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) != 0)
        return 1;
    return std::max(1, CPU_COUNT(&set));
}

int RunParallelBatch(JobList& jobs, TerminalWindow& terminal, RunClock& clock, int workers)
{
    Batch batch(jobs, terminal, clock, workers);
    return batch.Run();
}

} // namespace quillon::cli
