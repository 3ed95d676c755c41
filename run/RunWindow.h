#pragma once

#include "run/StatusFigures.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace quillon {

// How the status window closes: the application ends, or the wizard comes back for the
// next batch. They are the window's modal results.
inline constexpr int kRunResultQuit = 1;
inline constexpr int kRunResultAgain = 2;

// How a run ended, for callers that need more than the window was shown.
enum class RunEnd { NotEnded, Finished, Failed, Aborted, Closed };

inline constexpr const char* kProcessingFinished = "Processing Finished.";
inline constexpr const char* kProcessAborted = "Process aborted";

// The message a run ends with: its kind, and for a failure the text that names it.
struct RunEndMessage
{
    RunEndMessage(RunEnd kind, std::string failureText = {}) : end(kind), failure(std::move(failureText)) {}

    RunEnd end;
    std::string failure;

    std::string Text() const
    {
        switch (end) {
        case RunEnd::Finished: return kProcessingFinished;
        case RunEnd::Aborted: return kProcessAborted;
        default: return failure;
        }
    }
    bool IsGood() const { return end == RunEnd::Finished; }
};

// What a conversion run shows: the status window, the command line or a test.
// Called from the run's worker thread, the output-reader thread and the thread that
// cancels; an implementation that owns windows hands every call to its own thread.
// Only MessageBox waits: it returns once the user has dismissed the message.
class RunWindow
{
public:
    virtual ~RunWindow() = default;

    virtual void SetFileNumbers(int number, int count) = 0; // "File %d of %d" fields
    virtual void SetTitle(const std::string& title) = 0;
    virtual void SetBitrateText(const std::string& text) = 0;
    virtual void SetInputPath(const std::string& path) = 0;
    virtual void SetOutputPath(const std::string& path) = 0;
    virtual void SetCurrentRange(int64_t maximum) = 0;
    virtual void SetCurrentPosition(int64_t position) = 0;
    virtual void SetOverallRange(int64_t maximum) = 0;
    virtual void SetOverallPosition(int64_t position) = 0;
    // The recomputed figures; a field without a value keeps its text.
    virtual void ShowFigures(const StatusFigures& figures) = 0;
    // A line the codec program printed (or a line of the run's own), for the log.
    virtual void LogLine(std::string_view line) = 0;
    // A warning during the run (an input that cannot be opened, a track not grabbed).
    virtual void MessageBox(const std::string& text) = 0;
    // The run's final message; the window closes after it has been dismissed.
    virtual void ShowEnd(const RunEndMessage& end) = 0;
    // kRunResultQuit or kRunResultAgain.
    virtual void Close(int result) = 0;
    virtual void Enable(bool enabled) = 0;
};

} // namespace quillon
