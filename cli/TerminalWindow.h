#pragma once

#include "run/RunWindow.h"

#include <chrono>
#include <cstdio>
#include <mutex>

namespace quillon::cli {

// The run's window on a terminal: titles, the codec's lines and the final message as
// lines, the figures as one progress line that is rewritten in place. When the output is
// no terminal the figures become plain lines, at most one a second.
class TerminalWindow : public RunWindow
{
public:
    TerminalWindow(std::FILE* out, std::FILE* err, bool terminal);

    void SetFileNumbers(int, int) override {}
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

    // A line of the command line's own (the end of a cancelled batch, say).
    void Note(const std::string& text, bool error);
    // A progress line made elsewhere (the sum of parallel jobs), shown like the figures.
    void ShowProgressLine(const std::string& line);

private:
    void EndProgressLine(); // caller holds the mutex

    std::FILE* out_;
    std::FILE* err_;
    const bool terminal_;
    std::mutex mutex_;
    bool progressShown_ = false;
    int64_t currentRange_ = 0;
    std::string inputPath_;
    std::chrono::steady_clock::time_point lastPlainLine_{};
};

} // namespace quillon::cli
