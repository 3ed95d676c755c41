#pragma once

#include "batch/JobList.h"
#include "formats/WavHeader.h"
#include "platform/ChildProcess.h"
#include "run/RunClock.h"
#include "run/RunWindow.h"
#include "run/StatusSink.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace quillon {

class AudioDecoder;
class CodecProcess;

// Grabs a CD job's track into a temporary WAV file. On success it has made the job name
// that file (location = the temporary folder, ".wav" appended to fileName); false when
// the grab failed or was cancelled, after telling the user.
using TempWavGrab = std::function<bool(FileJob& job, RunWindow& window)>;

// Where a codec program is found ("l3.dll" or "d3.dll" beside the program by default).
using CodecLocator = std::function<std::string(const char* programName)>;

enum class JobOutcome { Done, InputNotOpened, WavRejected, OutputNotCreated, CodecNotStarted };

// Works through a job list on a worker thread: per job it checks the input, starts the
// codec program, feeds it the input and stops its reader, and reports to a RunWindow.
// A failed job ends the run; a failed CD grab only skips its job.
class ConversionRun : private StatusSink
{
public:
    static constexpr int kStartPauseMs = 1500;
    static constexpr int kTagPauseMs = 500;
    static constexpr int kJobEndPauseMs = 500;

    ConversionRun(JobList& jobs, RunWindow& window, RunClock& clock, TempWavGrab grab = {}, CodecLocator locator = {});
    ~ConversionRun() override;
    ConversionRun(const ConversionRun&) = delete;
    ConversionRun& operator=(const ConversionRun&) = delete;

    // Starts the worker thread; Join waits for it.
    void Start();
    void Join();
    // The whole run on the calling thread.
    void Run();

    // Cancel from the window: between jobs (no reader running) the window closes with
    // kRunResultQuit; while a codec program is being fed the run ends as aborted.
    void Cancel();

    JobOutcome ConvertJob(int index);
    void EndRun(const RunEndMessage& end);

    RunEnd End() const { return end_.load(); }
    std::string FinalMessage() const;
    bool AbortRequested() const { return abortRequested_.load(); }
    int64_t DoneKiB() const { return doneKiB_.load(); }
    // Jobs of this run that failed after their codec program ran: the program ended with
    // a non-zero exit status, the tag could not be appended or the output could not be put
    // in place. Each is logged; the first is named by the final message instead of
    // "Processing Finished.", and the batch goes on.
    int FailedJobs() const { return failedJobs_.load(); }
    // The final message naming the first of them ("" when none failed).
    std::string FirstJobFailure() const;

private:
    void LogLine(std::string_view line) override;
    void RefreshStatus() override;

    // The input a job feeds: its open file, the bytes to feed and where they start.
    struct JobInput
    {
        int fd = -1;
        uint64_t size = 0;
        uint64_t feedStart = 0;
        uint32_t sampleRate = 0;       // the rate fed to the encoder
        std::optional<TrackTags> tags; // the texts of its LIST/INFO chunk
        // Set for an encode job whose file is decoded here rather than fed as it is: the
        // figures then count the PCM fed against the PCM expected (`size`).
        std::shared_ptr<AudioDecoder> decoder;
    };
    struct CodecEnd
    {
        bool started = false;
        std::optional<int> status; // the exit status, when the program exited
        std::string inputProblem;  // why a decoded input could not be read to its end
    };
    // The steps of ConvertJob: the job's texts in the window; its input opened and
    // checked; the codec program run on it into the part file; whether it completed
    // (a failure is logged); the ID3v2 tag put in front, the 128-byte record appended
    // and the part file put in place.
    void ShowJob(int index);
    JobOutcome OpenInput(const FileJob& job, JobInput& input);
    JobOutcome OpenDecodedInput(const FileJob& job, JobInput& input, WavCheck verdict);
    JobOutcome RefuseInput(const std::string& message);
    CodecEnd RunCodec(const FileJob& job, JobInput& input, const std::string& partPath);
    bool CodecCompleted(const FileJob& job, const CodecEnd& codec);
    void FinishOutput(const FileJob& job, const std::optional<TrackTags>& tags, const std::string& partPath,
                      bool completed);

    void CloseInput();
    void SetCurrent(std::shared_ptr<CodecProcess> process);
    std::shared_ptr<CodecProcess> Current() const;
    // "" when the tag was appended, else the reason.
    std::string AppendTagBlock(const FileJob& job, const std::string& outputPath);
    void NoteJobFailure(const std::string& message);
    void SetEnd(RunEnd end);

    JobList& jobs_;
    RunWindow& window_;
    RunClock& clock_;
    TempWavGrab grab_;
    CodecLocator locator_;
    std::thread worker_;

    std::atomic<bool> abortRequested_{false};
    // One EndRun at a time: the worker's failure and a Cancel may meet. It belongs to the
    // run, so that the end of one run never holds up the end of another.
    std::atomic_flag runEnding_;
    std::atomic<RunEnd> end_{RunEnd::NotEnded};
    std::atomic<uint64_t> bytesFed_{0};
    std::atomic<int64_t> doneKiB_{0};
    std::atomic<int> failedJobs_{0};

    // The current job as the figures see it; written by the worker, read by whichever
    // thread refreshes the figures.
    mutable std::mutex stateMutex_;
    int inputFd_ = -1;
    uint64_t inputSize_ = 0; // the bytes to feed
    uint64_t feedStart_ = 0; // where they start in the input
    bool decoded_ = false;   // the input is decoded: the bytes fed are its position
    int64_t jobKiB_ = 0;     // the job's share of the batch
    int64_t jobStart_ = 0;
    bool encode_ = true;
    int bitrate_ = 0;
    int mode_ = 1;
    std::string bitrateText_;
    std::string inputPath_;
    std::string outputPath_;
    std::string partPath_; // what the codec program writes until the job completes
    std::string firstJobFailure_;
    std::string finalMessage_;
    std::shared_ptr<CodecProcess> current_;
};

} // namespace quillon
