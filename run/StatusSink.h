#pragma once

#include <string_view>

namespace quillon {

// Where a conversion reports to: the status window, the command line or a test.
// Called from the run's worker thread and the output-reader thread; an implementation
// that owns windows hands each call to its own thread and never blocks the caller on it.
class StatusSink
{
public:
    virtual ~StatusSink() = default;

    // One line the codec program printed, without its line end. The log text grows by
    // the line and "\r\n".
    virtual void LogLine(std::string_view line) = 0;

    // The figures (sizes, speed, times) should be recomputed and shown.
    virtual void RefreshStatus() = 0;
};

} // namespace quillon
