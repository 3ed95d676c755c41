#include "cd/ReadCorrection.h"

#include "platform/scsi/ShiftedRead.h"

#include <charconv>

namespace quillon {

bool ParseReadCorrection(const std::string& text, int& samples, std::string& error)
{
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+')
        ++first;
    int value = 0;
    const auto [end, problem] = std::from_chars(first, last, value);
    if (first == last || problem != std::errc() || end != last || value < -kLargestReadCorrection ||
        value > kLargestReadCorrection) {
        error = "bad read offset correction \"" + text + "\" (samples, from " +
                std::to_string(-kLargestReadCorrection) + " to " + std::to_string(kLargestReadCorrection) + ")";
        return false;
    }
    samples = value;
    return true;
}

std::string ReadCorrectionText(int samples)
{
    return (samples > 0 ? "+" : "") + std::to_string(samples);
}

} // namespace quillon
