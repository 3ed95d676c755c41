#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace quillon {

// Turns a codec program's output, byte by byte, into log lines the way the output pipe
// is read: CR LF arrives as LF, a lone CR stays in the line, 0x1A ends the stream, the
// stop byte 0xFF stops reading, and a line is handed over at LF or at 101 characters.
class OutputSplitter
{
public:
    static constexpr uint8_t kStopByte = 0xFF;
    static constexpr size_t kMaxLine = 101;

    explicit OutputSplitter(std::function<void(std::string_view)> onLine) : onLine_(std::move(onLine)) {}

    // False when reading stops at this byte; what is left of the line is then dropped.
    bool Push(uint8_t byte);

private:
    bool Deliver(uint8_t byte);

    std::function<void(std::string_view)> onLine_;
    std::string line_;
    bool pendingCr_ = false;
};

} // namespace quillon
