#include "run/ConversionRun.h"

#include "audio/AudioDecoder.h"
#include "formats/AudioFileTags.h"
#include "formats/Id3v2Tag.h"
#include "formats/WavHeader.h"
#include "platform/ExitCleanup.h"
#include "platform/PartFile.h"
#include "platform/RegularFile.h"
#include "run/CodecCommandLine.h"
#include "run/CodecProcess.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {

namespace {

constexpr const char* kCannotOpenInput = "Error: Cannot open the input file";
constexpr const char* kCannotExecute = "Cannot execute compressor";
constexpr const char* kCannotCreateOutput = "Error: Cannot create the output file ";
constexpr const char* kNotReadable = "Error: Input file is not an audio file Quillon can read";

std::string Format(const char* format, auto... values)
{
    char text[128];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

bool HasWavName(const std::string& path)
{
    const auto dot = path.rfind('.');
    if (dot == std::string::npos || path.size() - dot != 4)
        return false;
    std::string ext = path.substr(dot + 1);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == "wav";
}

// A 16-bit PCM WAV file at a rate an MPEG stream has is fed as it is; the decoder takes
// the other WAV files (other depths, float, compressed, rates no MPEG stream has) and
// the files that are no RIFF/WAVE at all. The channel refusals come first, as always.
bool DecodesWav(const WavCheckResult& check)
{
    switch (check.verdict) {
    case WavCheck::Accepted: return !IsMpegSampleRate(check.sampleRate);
    case WavCheck::Not16Bit:
    case WavCheck::NothingRead:
    case WavCheck::NotRiff:
    case WavCheck::NotWave:
    case WavCheck::NoSamples: return true;
    default: return false;
    }
}

std::string ChannelCountRefusal(int channels)
{
    return Format("Error: Input file has %d channels; only mono and stereo files can be encoded.", channels);
}

} // namespace

ConversionRun::ConversionRun(JobList& jobs, RunWindow& window, RunClock& clock, TempWavGrab grab, CodecLocator locator)
    : jobs_(jobs), window_(window), clock_(clock), grab_(std::move(grab)),
      locator_(locator ? std::move(locator) : CodecLocator([](const char* name) { return CodecPath(name); }))
{}

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

std::string ConversionRun::FirstJobFailure() const
{
    std::lock_guard lock(stateMutex_);
    return firstJobFailure_;
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
                window_.LogLine(
                    Format("%s: audio CD tracks cannot be read yet; the job is skipped.", job.fileName.c_str()));
            }
        } else {
            outcome = ConvertJob(i);
        }
        doneKiB_ += sizeKiB;
    }
    window_.SetOverallPosition(batchKiB);

    if (outcome == JobOutcome::Done && !abortRequested_) {
        // A job that failed left no output; the run must not say all went well.
        std::string failure;
        {
            std::lock_guard lock(stateMutex_);
            failure = firstJobFailure_;
        }
        EndRun(failure.empty() ? RunEndMessage{RunEnd::Finished} : RunEndMessage{RunEnd::Failed, failure});
    }
    if (abortRequested_)
        SetEnd(RunEnd::Aborted);
    SetEnd(RunEnd::Failed);
}

JobOutcome ConversionRun::ConvertJob(int index)
{
    const FileJob& job = jobs_.Job(index);
    ShowJob(index);
    JobInput input;
    if (const JobOutcome opened = OpenInput(job, input); opened != JobOutcome::Done)
        return opened;

    // The codec program writes beside the output under a hidden name that it creates
    // itself, exclusively, so that nothing swapped in at that name is written through;
    // the output's name appears only once the job has completed.
    const std::string outputPath = job.OutputPath();
    const std::string partPath = FreeHiddenPartPath(outputPath);
    const CleanupFile partCleanup(partPath);
    if (partPath.empty()) {
        const std::string reason = std::strerror(errno);
        CloseInput();
        EndRun({RunEnd::Failed, kCannotCreateOutput + outputPath + ": " + reason});
        return JobOutcome::OutputNotCreated;
    }
    {
        std::lock_guard lock(stateMutex_);
        partPath_ = partPath;
    }

    const CodecEnd codec = RunCodec(job, input, partPath);
    if (!codec.started) {
        unlink(partPath.c_str());
        EndRun({RunEnd::Failed, kCannotExecute});
        return JobOutcome::CodecNotStarted;
    }
    // A CD track's texts go before what its temporary WAV file holds.
    const std::optional<TrackTags>& tags = job.tags ? job.tags : input.tags;
    FinishOutput(job, job.IsEncode() ? tags : std::nullopt, partPath, CodecCompleted(job, codec));

    window_.SetCurrentRange(100);
    window_.SetCurrentPosition(100);
    clock_.Pause(kJobEndPauseMs);
    return JobOutcome::Done;
}

void ConversionRun::ShowJob(int index)
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
        feedStart_ = 0;
        decoded_ = false;
        jobKiB_ = job.sizeKiB;
    }

    const int count = jobs_.Count();
    window_.SetFileNumbers(index + 1, count);
    window_.SetTitle(Format("Quillon- (File %d of %d)", index + 1, count));
    window_.SetBitrateText(bitrateText);
    window_.SetInputPath(inputPath);
    window_.SetOutputPath(outputPath);
}

JobOutcome ConversionRun::OpenInput(const FileJob& job, JobInput& input)
{
    // Only a plain file is read: a FIFO or a device could hang the run or never end.
    const std::string inputPath = job.InputPath();
    std::string problem;
    const int fd = OpenRegularFile(inputPath, problem);
    if (fd < 0) {
        window_.MessageBox(std::string(kCannotOpenInput) + " " + inputPath + ": " + problem);
        SetEnd(RunEnd::Failed);
        return JobOutcome::InputNotOpened;
    }
    const off_t end = lseek(fd, 0, SEEK_END);
    input.fd = fd;
    input.size = end > 0 ? static_cast<uint64_t>(end) : 0;
    lseek(fd, 0, SEEK_SET);
    {
        std::lock_guard lock(stateMutex_);
        inputFd_ = fd;
    }

    // An encode job feeds the "data" chunk only, and its figures count that chunk alone.
    if (job.IsEncode()) {
        const WavCheckResult check = CheckWavInput(fd, job.mode == 0);
        if (DecodesWav(check)) {
            if (const JobOutcome decoded = OpenDecodedInput(job, input, check.verdict); decoded != JobOutcome::Done)
                return decoded;
            AudioFileTags found = TagsOfDecodedFile(inputPath, check.info);
            if (!found.pictureProblem.empty())
                window_.LogLine(inputPath + ": " + found.pictureProblem);
            if (!found.tags.Empty())
                input.tags = std::move(found.tags);
        } else if (check.verdict != WavCheck::Accepted) {
            return RefuseInput(check.verdict == WavCheck::NotMonoOrStereo && check.channels > 2
                                   ? ChannelCountRefusal(check.channels)
                                   : WavCheckMessage(check.verdict));
        } else {
            input.sampleRate = check.sampleRate;
            input.feedStart = check.dataStart;
            input.size = check.dataBytes;
            if (TrackTags tags = TagsFromWavInfo(check.info); !tags.Empty())
                input.tags = std::move(tags);
        }
    }
    window_.SetCurrentRange(static_cast<int64_t>(input.size / CurrentBarDivisor(input.size)));
    {
        std::lock_guard lock(stateMutex_);
        inputSize_ = input.size;
        feedStart_ = input.feedStart;
        decoded_ = input.decoder != nullptr;
    }
    return JobOutcome::Done;
}

JobOutcome ConversionRun::OpenDecodedInput(const FileJob& job, JobInput& input, WavCheck verdict)
{
    auto decoder = std::make_shared<AudioDecoder>(FileBytes(input.fd));
    if (!decoder->IsOpen()) {
        if (verdict == WavCheck::Not16Bit)
            return RefuseInput(WavCheckMessage(verdict));
        return RefuseInput(HasWavName(job.fileName) ? WavCheckMessage(WavCheck::NotRiff) : kNotReadable);
    }
    const int channels = decoder->Channels();
    if (channels > 2)
        return RefuseInput(ChannelCountRefusal(channels));
    if (channels == 2 && job.mode == 0)
        return RefuseInput(WavCheckMessage(WavCheck::StereoToMono));
    if (channels != 2 && job.mode != 0)
        return RefuseInput(WavCheckMessage(WavCheck::MonoToStereo));
    input.sampleRate = decoder->FedRate();
    input.size = decoder->ExpectedBytes();
    input.decoder = std::move(decoder);
    return JobOutcome::Done;
}

JobOutcome ConversionRun::RefuseInput(const std::string& message)
{
    CloseInput();
    EndRun({RunEnd::Failed, message});
    return JobOutcome::WavRejected;
}

ConversionRun::CodecEnd ConversionRun::RunCodec(const FileJob& job, JobInput& input, const std::string& partPath)
{
    const bool encode = job.IsEncode();
    const std::string codecPath = locator_(encode ? kEncoderProgram : kDecoderProgram);
    const auto argv = encode ? EncoderArguments(codecPath, job.Options(), input.sampleRate, job.InputPath(), partPath)
                             : DecoderArguments(codecPath, job.InputPath(), partPath);
    auto process = std::make_shared<CodecProcess>(static_cast<StatusSink&>(*this));
    const bool started = process->Start(argv);
    SetCurrent(process);
    if (abortRequested_)
        process->CloseAll(); // cancelled while the job was set up: no feed, no wait
    process->StartReader();
    clock_.Pause(kStartPauseMs);

    std::string inputProblem;
    if (started && input.decoder) {
        AudioDecoder& decoder = *input.decoder;
        const auto fed = process->Feed([&](uint8_t* into, size_t size) { return decoder.Read(into, size); }, bytesFed_);
        if (fed == CodecProcess::FeedEnd::SourceFailed) {
            // The output would be cut short; it is thrown away, so the program need not finish it.
            inputProblem = decoder.Problem();
            process->Kill();
        }
    } else if (started) {
        process->Feed(input.fd, bytesFed_, input.size);
    }
    input.decoder.reset();
    CloseInput();
    // The program's last lines come after its input has ended; the stop byte goes in
    // only behind everything it printed.
    process->EndInput();
    if (!process->WaitForEnd()) {
        // Cancelled: the output is thrown away, so the program need not finish it.
        process->Kill();
        process->WaitForExit(-1);
    }
    process->StopReader();
    process->CloseAll();
    SetCurrent(nullptr);
    return {started, process->ExitStatus(), inputProblem};
}

bool ConversionRun::CodecCompleted(const FileJob& job, const CodecEnd& codec)
{
    if (abortRequested_)
        return false;
    if (!codec.inputProblem.empty()) {
        const std::string text = "Cannot decode the input file " + job.InputPath() + ": " + codec.inputProblem;
        window_.LogLine(text);
        NoteJobFailure("Error: " + text + ".");
        return false;
    }
    if (codec.status && *codec.status != 0) {
        const char* program = job.IsEncode() ? kEncoderProgram : kDecoderProgram;
        window_.LogLine(Format("%s ended with exit status %d", program, *codec.status));
        NoteJobFailure(Format("Error: %s ended with exit status %d.", program, *codec.status));
        return false;
    }
    return true;
}

void ConversionRun::FinishOutput(const FileJob& job, const std::optional<TrackTags>& tags, const std::string& partPath,
                                 bool completed)
{
    const std::string outputPath = job.OutputPath();
    // The codec program has finished its stream (l3.dll rewrites its first frame at the
    // end), so the tag goes in front of it now.
    if (completed && tags) {
        if (const std::string reason = InsertAtFileStart(partPath, RenderId3v2Tag(*tags)); !reason.empty()) {
            window_.LogLine("Cannot write the ID3v2 tag to " + outputPath + ": " + reason);
            NoteJobFailure("Error: Cannot write the ID3v2 tag to " + outputPath + ": " + reason + ".");
            completed = false;
        }
    }
    if (job.IsCdTrack()) {
        clock_.Pause(kTagPauseMs);
        if (completed) {
            if (const std::string reason = AppendTagBlock(job, partPath); !reason.empty()) {
                window_.LogLine("Cannot append the track's tag to " + outputPath + ": " + reason);
                NoteJobFailure("Error: Cannot append the track's tag to " + outputPath + ": " + reason + ".");
                completed = false;
            }
        }
        const std::string inputPath = job.InputPath();
        unlink(inputPath.c_str());
        DropFromCleanup(inputPath);
    }
    // A job whose output cannot be put in place has failed, as a failed codec program has.
    if (completed) {
        if (const std::string reason = PutInPlace(partPath, outputPath); !reason.empty()) {
            window_.LogLine("Cannot name the finished file " + outputPath + ": " + reason);
            NoteJobFailure("Error: Cannot name the finished file " + outputPath + ": " + reason + ".");
        }
    } else {
        unlink(partPath.c_str());
    }
    std::lock_guard lock(stateMutex_);
    partPath_.clear();
}

std::string ConversionRun::AppendTagBlock(const FileJob& job, const std::string& outputPath)
{
    if (!job.tagBlock)
        return {};
    const int fd = open(outputPath.c_str(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return std::strerror(errno);
    const ssize_t n = write(fd, job.tagBlock->data(), job.tagBlock->size());
    const int writeError = n < 0 ? errno : ENOSPC; // a short write: the disk is full
    const bool written = n == static_cast<ssize_t>(job.tagBlock->size());
    const int closeError = close(fd) == 0 ? 0 : errno;
    if (!written)
        return std::strerror(writeError);
    return closeError == 0 ? std::string() : std::strerror(closeError);
}

void ConversionRun::NoteJobFailure(const std::string& message)
{
    ++failedJobs_;
    std::lock_guard lock(stateMutex_);
    if (firstJobFailure_.empty())
        firstJobFailure_ = message;
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

void ConversionRun::EndRun(const RunEndMessage& end)
{
    if (runEnding_.test_and_set())
        return;
    const std::string message = end.Text();
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
        window_.ShowEnd(end);
        window_.Enable(true);
    }
    // A failure met on the way out of a cancelled job is the cancel's end.
    SetEnd(end.end == RunEnd::Failed && abortRequested_ ? RunEnd::Aborted : end.end);
    window_.Close(kRunResultAgain);
    runEnding_.clear();
}

void ConversionRun::Cancel()
{
    // The flag goes first: a job being set up sees it once its codec program is current,
    // so a Cancel that finds no program still ends the one about to start.
    abortRequested_ = true;
    const auto process = Current();
    const bool readerStopped = !process || process->ReaderStopped();
    if (readerStopped) {
        SetEnd(RunEnd::Closed);
        window_.Close(kRunResultQuit);
        return;
    }
    EndRun({RunEnd::Aborted});
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
        if (inputFd_ >= 0 && decoded_) {
            in.inputPosition = std::min(bytesFed_.load(), inputSize_ > 0 ? inputSize_ : UINT64_MAX);
            in.jobKiB = jobKiB_;
        } else if (inputFd_ >= 0) {
            const off_t position = lseek(inputFd_, 0, SEEK_CUR);
            if (position >= 0)
                in.inputPosition =
                    static_cast<uint64_t>(position) - std::min(feedStart_, static_cast<uint64_t>(position));
        }
        in.bitrate = bitrate_;
        in.mode = mode_;
        in.bitrateText = bitrateText_;
        in.elapsedSeconds = clock_.NowSeconds() - jobStart_;
        outputPath = partPath_.empty() ? outputPath_ : partPath_;
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
