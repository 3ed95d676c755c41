#pragma once

#include "run/RunWindow.h"

namespace quillon {

// A run window that shows nothing, for runs nobody watches (benchmarks, and tests that
// look only at the files or at one kind of call, which they override).
class NullRunWindow : public RunWindow
{
public:
    void SetFileNumbers(int, int) override {}
    void SetTitle(const std::string&) override {}
    void SetBitrateText(const std::string&) override {}
    void SetInputPath(const std::string&) override {}
    void SetOutputPath(const std::string&) override {}
    void SetCurrentRange(int64_t) override {}
    void SetCurrentPosition(int64_t) override {}
    void SetOverallRange(int64_t) override {}
    void SetOverallPosition(int64_t) override {}
    void ShowFigures(const StatusFigures&) override {}
    void LogLine(std::string_view) override {}
    void MessageBox(const std::string&) override {}
    void ShowEnd(const RunEndMessage&) override {}
    void Close(int) override {}
    void Enable(bool) override {}
};

} // namespace quillon
