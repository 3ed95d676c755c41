#include "run/StatusFigures.h"

#include <charconv>
#include <cstdio>

namespace quillon {

namespace {

constexpr int64_t kPcmBytesPerFrame = 4608; // 1152 stereo 16-bit sample frames
constexpr int64_t kFramesDoneDivisor = 4650;

std::string Format(const char* format, auto... values)
{
    char text[96];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

// "%.1f" that keeps its decimal point whatever locale the windows' toolkit has set.
std::string OneDecimal(double value)
{
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 1);
    return std::string(text, result.ptr);
}

} // namespace

uint64_t CurrentBarDivisor(uint64_t inputSize)
{
    return inputSize > 1000000 ? 1000 : 10;
}

std::string FormatClock(int64_t seconds, bool wrapHours)
{
    int64_t hours = seconds / 3600;
    if (wrapHours)
        hours %= 24;
    return Format("%02lld:%02lld:%02lld", static_cast<long long>(hours), static_cast<long long>((seconds / 60) % 60),
                  static_cast<long long>(seconds % 60));
}

StatusFigures ComputeStatusFigures(const StatusInputs& in)
{
    StatusFigures out;
    const auto size = static_cast<int64_t>(in.inputSize);
    const uint64_t divisor = CurrentBarDivisor(in.inputSize);

    out.totalFrames = in.encode ? size / kPcmBytesPerFrame : static_cast<int64_t>(in.outputLength) / kPcmBytesPerFrame;
    out.totalFramesText = in.encode ? std::to_string(out.totalFrames) : "N/A";
    out.bitrateText = in.bitrateText;

    const int64_t position = in.inputPosition ? static_cast<int64_t>(*in.inputPosition) : 0;
    if (in.inputPosition) {
        out.currentBarPosition = static_cast<int64_t>((*in.inputPosition + 1) / divisor);
        out.overallBarPosition = in.doneKiB + (in.jobKiB && size > 0 ? position * *in.jobKiB / size : position / 1024);
    }

    out.framesDone = position / kFramesDoneDivisor;
    if (!in.encode)
        out.framesDone = out.totalFrames;
    else if (in.inputPosition && out.framesDone <= out.totalFrames)
        out.frameText = Format("  %lld  ", static_cast<long long>(out.framesDone));

    if (!in.inputPosition)
        return out;

    const int64_t elapsed = in.elapsedSeconds < 0 ? 0 : in.elapsedSeconds;
    out.elapsedText = FormatClock(elapsed, true);
    int64_t seconds = elapsed % 86400;
    if (seconds == 0)
        seconds = 1;
    const int64_t rate = out.framesDone / seconds;
    out.speedText = Format(" [%lld] Frames / second. ", static_cast<long long>(rate));

    // While nothing measurable is done yet the rate is 0 and no estimate can be made.
    if (out.framesDone < size / kFramesDoneDivisor && rate > 0) {
        auto remaining = static_cast<int64_t>(static_cast<double>(out.totalFrames) / static_cast<double>(rate) -
                                              static_cast<double>(elapsed));
        if (remaining < 0)
            remaining = 0;
        out.remainingText = FormatClock(remaining, false);
    } else {
        out.remainingText = "00:00:00";
    }

    if (in.encode) {
        // 64 bits: (B / 8) * F passes 32 bits from about 107 MB fed at 320 kbit/s.
        const double kilobytesPerSecond = in.mode != 0 ? 176.4 : 88.2;
        const auto estimate = static_cast<int64_t>(
            static_cast<double>(int64_t{in.bitrate / 8} * static_cast<int64_t>(in.bytesFed)) / kilobytesPerSecond);
        out.sizesText = Format("%lluMB Compressed to ", static_cast<unsigned long long>(in.bytesFed / 1048576)) +
                        OneDecimal(static_cast<double>(estimate) / 1048576.0) + "MB";
    } else {
        out.sizesText = "-";
    }
    return out;
}

} // namespace quillon
