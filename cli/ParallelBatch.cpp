#include "cli/ParallelBatch.h"

#include "cli/CancelWatcher.h"
#include "cli/Commands.h"
#include "cli/JobWindow.h"
#include "cli/TerminalGrabWindow.h"
#include "cli/TerminalWindow.h"
#include "platform/ExitCleanup.h"
#include "run/ConversionRun.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <sched.h>
#include <thread>
#include <unistd.h>
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
    {}

    JobWindow window;
    ConversionRun run;
    std::atomic<int64_t> currentKiB{0};  // size of the job being converted
    std::atomic<double> currentShare{0}; // its share done
    int firstFailedJob = -1;             // job index of this worker's first failed job
};

class Batch
{
public:
    Batch(JobList& jobs, TerminalWindow& terminal, RunClock& clock, int workers, BatchGrab grab)
        : jobs_(jobs), terminal_(terminal), count_(jobs.Count()), batchKiB_(jobs.BatchKiB()), grab_(std::move(grab)),
          kept_(jobs.Count())
    {
        const int n = std::max(1, std::min(workers, count_));
        numbered_ = n > 1;
        freeSlots_ = n;
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
            threads.emplace_back([this] { Feed(); });
            for (auto& worker : workers_)
                threads.emplace_back([this, w = worker.get()] { Work(*w); });
            for (auto& thread : threads)
                thread.join();
        }
        // Tracks read but never encoded (the batch stopped) leave nothing behind.
        for (const int index : ready_)
            Release(index);
        if (cancelled_) {
            terminal_.ShowEnd({RunEnd::Aborted});
            return kExitCancelled;
        }
        if (!failure_.empty()) {
            terminal_.ShowEnd({RunEnd::Failed, failure_});
            return kExitFailed;
        }
        // The failure of the earliest failed job names the batch's end, as in one run.
        const Worker* named = nullptr;
        for (const auto& worker : workers_) {
            if (worker->firstFailedJob >= 0 && (!named || worker->firstFailedJob < named->firstFailedJob))
                named = worker.get();
        }
        if (named) {
            terminal_.ShowEnd({RunEnd::Failed, named->run.FirstJobFailure()});
            return kExitFailed;
        }
        terminal_.ShowEnd({RunEnd::Finished});
        // The batch goes on past a track that could not be read; the exit status tells.
        if (skipped_ > 0) {
            terminal_.Note(std::to_string(skipped_) + " track(s) could not be grabbed and were skipped", true);
            return kExitFailed;
        }
        return kExitOk;
    }

private:
    // Hands the jobs to the workers in their order. A CD track is read first, once a
    // worker is free to take it, so that reading the next track overlaps the encodes.
    void Feed()
    {
        for (int index = 0; index < count_; ++index) {
            FileJob& job = jobs_.Job(index);
            if (job.IsCdTrack()) {
                {
                    std::unique_lock lock(mutex_);
                    changed_.wait(lock, [this] { return freeSlots_ > 0 || stop_; });
                    if (stop_)
                        break;
                    --freeSlots_;
                }
                kept_[static_cast<size_t>(index)] = job;
                TerminalGrabWindow window([this](const std::string& text, bool error) { terminal_.Note(text, error); },
                                          [this] { return stop_.load(); });
                if (!grab_ || !grab_(job, window)) {
                    std::lock_guard lock(mutex_);
                    ++freeSlots_;
                    skipped_ += stop_ ? 0 : 1;
                    continue;
                }
            }
            std::lock_guard lock(mutex_);
            ready_.push_back(index);
            changed_.notify_all();
        }
        std::lock_guard lock(mutex_);
        fed_ = true;
        changed_.notify_all();
    }

    // The next job to convert, or none once every job is taken or the batch stopped.
    std::optional<int> Next()
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !ready_.empty() || fed_ || stop_; });
        if (stop_ || ready_.empty())
            return std::nullopt;
        const int index = ready_.front();
        ready_.pop_front();
        return index;
    }

    // A converted (or dropped) CD track: its temporary file goes, the job names the
    // track again, and its worker's slot is free for the next read.
    void Release(int index)
    {
        FileJob& job = jobs_.Job(index);
        if (!job.IsCdTrack())
            return;
        ::unlink(job.InputPath().c_str());
        DropFromCleanup(job.InputPath());
        job = kept_[static_cast<size_t>(index)];
        std::lock_guard lock(mutex_);
        ++freeSlots_;
        changed_.notify_all();
    }

    void Work(Worker& worker)
    {
        while (const std::optional<int> next = Next()) {
            const int index = *next;
            worker.currentKiB = jobs_.Job(index).sizeKiB;
            worker.currentShare = 0;
            const int failuresBefore = worker.run.FailedJobs();
            const JobOutcome outcome = worker.run.ConvertJob(index);
            Release(index);
            const std::string message = worker.window.TakeMessage();
            if (worker.firstFailedJob < 0 && worker.run.FailedJobs() > failuresBefore)
                worker.firstFailedJob = index;
            doneKiB_ += worker.currentKiB.exchange(0);
            if (outcome != JobOutcome::Done && !worker.run.AbortRequested()) {
                std::lock_guard lock(mutex_);
                if (failure_.empty())
                    failure_ = message;
                Stop();
            }
        }
    }

    void Stop() // caller holds the mutex
    {
        stop_ = true;
        changed_.notify_all();
    }

    void Cancel()
    {
        {
            std::lock_guard lock(mutex_);
            cancelled_ = true;
            Stop();
        }
        for (auto& worker : workers_)
            worker->run.Cancel();
    }

    void ShowProgress()
    {
        double done = static_cast<double>(doneKiB_.load());
        for (const auto& worker : workers_)
            done += worker->currentShare.load() * static_cast<double>(worker->currentKiB.load());
        const int percent =
            batchKiB_ > 0 ? static_cast<int>(std::min(100.0, done * 100 / static_cast<double>(batchKiB_))) : 0;
        terminal_.ShowProgressLine("  " + std::to_string(percent) + "% of the batch (" + std::to_string(count_) +
                                   " files, " + std::to_string(workers_.size()) + " at once)");
    }

    JobList& jobs_;
    TerminalWindow& terminal_;
    const int count_;
    const int64_t batchKiB_; // taken once: a job changes while its track is read
    const BatchGrab grab_;
    bool numbered_ = false;
    std::vector<std::unique_ptr<Worker>> workers_;
    std::vector<FileJob> kept_; // each CD job as it was before its track was read
    std::atomic<bool> stop_{false};
    std::atomic<bool> cancelled_{false};
    std::atomic<int64_t> doneKiB_{0};

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<int> ready_; // jobs ready to convert, in order
    bool fed_ = false;
    int freeSlots_ = 0; // CD tracks that may be read before an encode ends
    int skipped_ = 0;
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

int RunParallelBatch(JobList& jobs, TerminalWindow& terminal, RunClock& clock, int workers, BatchGrab grab)
{
    Batch batch(jobs, terminal, clock, workers, std::move(grab));
    return batch.Run();
}

} // namespace quillon::cli
