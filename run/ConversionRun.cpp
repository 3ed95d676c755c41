#include "run/ConversionRun.h"

#include "formats/WavHeader.h"
#include "run/CodecCommandLine.h"
#include "run/CodecProcess.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {

namespace {

constexpr const char* kCannotOpenInput = "Error: Cannot open the input file";
constexpr const char* kCannotExecute = "Cannot execute compressor";
constexpr const char* kProcessAborted = "Process aborted";
constexpr const char* kProcessingFinished = "Processing Finished.";

// How often the final wait looks whether the run was cancelled meanwhile.
constexpr int kChildPollMs = 100;

std::string Format(const char* format, auto... values)
{
    char text[128];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

} // namespace

ConversionRun::ConversionRun(JobList& jobs, RunWindow& window, RunClock& clock, TempWavGrab grab,
                             CodecLocator locator)
    : jobs_(jobs),
      window_(window),
      clock_(clock),
      grab_(std::move(grab)),
      locator_(locator ? std::move(locator) : CodecLocator([](const char* name) { return CodecPath(name); }))
{
}

ConversionRun::~ConversionRun()
{
    Join();
}

void ConversionRun::Start()
{
    worker_ = std::thread([this] { Run(); });
}

void ConversionRun::Join()
{
    if (worker_.joinable())
        worker_.join();
}

std::string ConversionRun::FinalMessage() const
{
    std::lock_guard lock(stateMutex_);
    return finalMessage_;
}

void ConversionRun::SetEnd(RunEnd end)
{
    RunEnd expected = RunEnd::NotEnded;
    end_.compare_exchange_strong(expected, end);
}

void ConversionRun::Run()
{
    const int64_t batchKiB = jobs_.BatchKiB();
    doneKiB_ = 0;
    window_.SetOverallRange(batchKiB);

    JobOutcome outcome = JobOutcome::Done;
    for (int i = 0; i < jobs_.Count() && outcome == JobOutcome::Done && !abortRequested_; ++i) {
        bytesFed_ = 0;
        ReapChildren(false);
        FileJob& job = jobs_.Job(i);
        const int32_t sizeKiB = job.sizeKiB;
        if (job.IsCdTrack()) {
            const FileJob kept = job;
            window_.Enable(false);
            const bool grabbed = grab_ ? grab_(job, window_) : false;
            window_.Enable(true);
            if (grabbed) {
                outcome = ConvertJob(i);
                jobs_.Job(i) = kept;
            } else if (!grab_) {
                window_.LogLine(Format("%s: audio CD tracks cannot be read yet; the job is skipped.",
                                       job.fileName.c_str()));
            }
        } else {
            outcome = ConvertJob(i);
        }
        doneKiB_ += sizeKiB;
    }
    window_.SetOverallPosition(batchKiB);

    if (outcome == JobOutcome::Done && !abortRequested_) {
        // Every codec program of the run has finished its file before the run says so.
        ReapChildren(true);
        if (!abortRequested_)
            EndRun(kProcessingFinished);
    }
    ReapChildren(true);
    if (abortRequested_)
        SetEnd(RunEnd::Aborted);
    SetEnd(RunEnd::Failed);
}

JobOutcome ConversionRun::ConvertJob(int index)
{
    const FileJob& job = jobs_.Job(index);
    const std::string inputPath = job.InputPath();
    const std::string outputPath = job.OutputPath();
    const bool encode = job.IsEncode();
    const std::string bitrateText = encode ? Format("%d kbps", job.bitrate) : "N/A";
    {
        std::lock_guard lock(stateMutex_);
        jobStart_ = clock_.NowSeconds();
        inputPath_ = inputPath;
        outputPath_ = outputPath;
        encode_ = encode;
        bitrate_ = job.bitrate;
        mode_ = job.mode;
        bitrateText_ = bitrateText;
        inputSize_ = 0;
    }

    const int count = jobs_.Count();
    window_.SetFileNumbers(index + 1, count);
    window_.SetTitle(Format("Quillon- (File %d of %d)", index + 1, count));
    window_.SetBitrateText(bitrateText);
    window_.SetInputPath(inputPath);
    window_.SetOutputPath(outputPath);

    const int fd = open(inputPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        window_.MessageBox(kCannotOpenInput);
        SetEnd(RunEnd::Failed);
        return JobOutcome::InputNotOpened;
    }
    const off_t end = lseek(fd, 0, SEEK_END);
    const uint64_t size = end > 0 ? static_cast<uint64_t>(end) : 0;
    lseek(fd, 0, SEEK_SET);
    window_.SetCurrentRange(static_cast<int64_t>(size / CurrentBarDivisor(size)));
    {
        std::lock_guard lock(stateMutex_);
        inputFd_ = fd;
        inputSize_ = size;
    }

    uint32_t sampleRate = 0;
    if (encode) {
        const WavCheckResult check = CheckWavInput(fd, job.mode == 0);
        if (check.verdict != WavCheck::Accepted) {
            CloseInput();
            EndRun(WavCheckMessage(check.verdict));
            return JobOutcome::WavRejected;
        }
        sampleRate = check.sampleRate;
    }

    const char* program = encode ? kEncoderProgram : kDecoderProgram;
    const std::string codecPath = locator_(program);
    const auto argv = encode ? EncoderArguments(codecPath, job.Options(), sampleRate, inputPath, outputPath)
                             : DecoderArguments(codecPath, inputPath, outputPath);
    auto process = std::make_shared<CodecProcess>(static_cast<StatusSink&>(*this));
    const bool started = process->Start(argv);
    SetCurrent(process);
    process->StartReader();
    clock_.Pause(kStartPauseMs);

    if (started)
        process->Feed(fd, bytesFed_);
    CloseInput();
    process->StopReader();
    process->CloseAll();

    if (!started) {
        SetCurrent(nullptr);
        EndRun(kCannotExecute);
        return JobOutcome::CodecNotStarted;
    }

    if (job.IsCdTrack()) {
        clock_.Pause(kTagPauseMs);
        process->WaitForExit(-1);
        if (!AppendTagBlock(job, outputPath))
            window_.LogLine("Cannot append the track's tag to " + outputPath);
        unlink(inputPath.c_str());
    }
    children_.push_back({program, process->TakeChild()});
    SetCurrent(nullptr);

    window_.SetCurrentRange(100);
    window_.SetCurrentPosition(100);
    clock_.Pause(kJobEndPauseMs);
    return JobOutcome::Done;
}

bool ConversionRun::AppendTagBlock(const FileJob& job, const std::string& outputPath)
{
    if (!job.tagBlock)
        return true;
    const int fd = open(outputPath.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0)
        return false;
    const ssize_t n = write(fd, job.tagBlock->data(), job.tagBlock->size());
    const bool closed = close(fd) == 0;
    return n == static_cast<ssize_t>(job.tagBlock->size()) && closed;
}

void ConversionRun::CloseInput()
{
    std::lock_guard lock(stateMutex_);
    if (inputFd_ >= 0)
        close(inputFd_);
    inputFd_ = -1;
}

void ConversionRun::SetCurrent(std::shared_ptr<CodecProcess> process)
{
    std::lock_guard lock(stateMutex_);
    current_ = std::move(process);
}

std::shared_ptr<CodecProcess> ConversionRun::Current() const
{
    std::lock_guard lock(stateMutex_);
    return current_;
}

void ConversionRun::EndRun(const std::string& message)
{
    if (runEnding_.test_and_set())
        return;
    {
        std::lock_guard lock(stateMutex_);
        finalMessage_ = message;
    }
    if (const auto process = Current()) {
        process->StopReader();
        process->CloseAll();
    }
    if (!message.empty()) {
        window_.Enable(false);
        window_.MessageBox(message);
        window_.Enable(true);
    }
    if (message == kProcessingFinished)
        SetEnd(RunEnd::Finished);
    else
        SetEnd(abortRequested_ ? RunEnd::Aborted : RunEnd::Failed);
    window_.Close(2);
    runEnding_.clear();
}

void ConversionRun::Cancel()
{
    const auto process = Current();
    const bool readerStopped = !process || process->ReaderStopped();
    abortRequested_ = true;
    if (readerStopped) {
        SetEnd(RunEnd::Closed);
        window_.Close(1);
        return;
    }
    EndRun(kProcessAborted);
}

void ConversionRun::ReapChildren(bool waitAll)
{
    if (waitAll) {
        for (auto& ended : children_) {
            while (!abortRequested_ && !ended.child->Wait(kChildPollMs)) {
            }
        }
    }
    for (auto it = children_.begin(); it != children_.end();) {
        if (it->child && it->child->Running()) {
            ++it;
            continue;
        }
        if (it->child) {
            if (const auto status = it->child->ExitStatus(); status && *status != 0) {
                ++failedCodecs_;
                window_.LogLine(Format("%s ended with exit status %d", it->program, *status));
            }
        }
        it = children_.erase(it);
    }
}

void ConversionRun::LogLine(std::string_view line)
{
    window_.LogLine(line);
}

void ConversionRun::RefreshStatus()
{
    StatusInputs in;
    std::string outputPath;
    {
        std::lock_guard lock(stateMutex_);
        in.encode = encode_;
        in.inputSize = inputSize_;
        if (inputFd_ >= 0) {
            const off_t position = lseek(inputFd_, 0, SEEK_CUR);
            if (position >= 0)
                in.inputPosition = static_cast<uint64_t>(position);
        }
        in.bitrate = bitrate_;
        in.mode = mode_;
        in.bitrateText = bitrateText_;
        in.elapsedSeconds = clock_.NowSeconds() - jobStart_;
        outputPath = outputPath_;
    }
    in.bytesFed = bytesFed_.load();
    in.doneKiB = doneKiB_.load();
    if (!in.encode) {
        struct stat info;
        if (stat(outputPath.c_str(), &info) == 0)
            in.outputLength = static_cast<uint64_t>(info.st_size);
    }
    window_.ShowFigures(ComputeStatusFigures(in));
}

} // namespace quillon
