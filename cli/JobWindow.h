#pragma once

#include "cli/TerminalWindow.h"

#include <functional>
#include <mutex>
#include <string>

namespace quillon::cli {

// One parallel job's view of the terminal: its lines carry the job's number ("[n] ") so
// that the lines of jobs running at once can be told apart, its figures go to a callback
// that sums the batch, and the messages that would end a run are kept for the batch to
// decide on instead of being printed.
class JobWindow : public RunWindow
{
public:
    // `onProgress` receives the share of the current job done, 0 to 1.
    JobWindow(TerminalWindow& terminal, bool numbered, std::function<void(double)> onProgress);

    void SetFileNumbers(int number, int count) override;
    void SetTitle(const std::string& title) override;
    void SetBitrateText(const std::string&) override {}
    void SetInputPath(const std::string& path) override;
    void SetOutputPath(const std::string& path) override;
    void SetCurrentRange(int64_t maximum) override;
    void SetCurrentPosition(int64_t) override {}
    void SetOverallRange(int64_t) override {}
    void SetOverallPosition(int64_t) override {}
    void ShowFigures(const StatusFigures& figures) override;
    void LogLine(std::string_view line) override;
    void MessageBox(const std::string& text) override;
    void ShowEnd(const RunEndMessage& end) override;
    void Close(int) override {}
    void Enable(bool) override {}

    // The first message of the current job ("" when none), and forgetting it.
    std::string TakeMessage();

private:
    std::string Prefix() const; // caller holds the mutex

    TerminalWindow& terminal_;
    const bool numbered_;
    std::function<void(double)> onProgress_;
    mutable std::mutex mutex_;
    int number_ = 0;
    int64_t currentRange_ = 0;
    std::string inputPath_;
    std::string message_;
};

} // namespace quillon::cli
