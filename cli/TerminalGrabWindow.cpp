#include "cli/TerminalGrabWindow.h"

#include "cd/CommandSense.h"
#include "cd/TrackGrab.h"
#include "cli/CancelWatcher.h"
#include "cli/TerminalText.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <iterator>
#include <unistd.h>

namespace quillon::cli {

namespace {

std::atomic<bool> gCancel{false};
struct sigaction gOldHandlers[std::size(cli::kCancelSignals)];

void OnInterrupt(int)
{
    cli::CountInterrupt();
    gCancel.store(true);
}

int Percent(int low, int high, int pos)
{
    if (high <= low)
        return 100;
    const long p = 100L * (pos - low) / (high - low);
    return static_cast<int>(p < 0 ? 0 : p > 100 ? 100 : p);
}

long NowMs()
{
    timespec ts;
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000L + ts.tv_nsec / 1000000L;
}

} // namespace

TerminalGrabWindow::TerminalGrabWindow() : tty_(::isatty(STDOUT_FILENO) != 0) {}

TerminalGrabWindow::TerminalGrabWindow(LineSink line, std::function<bool()> cancelled)
    : line_(std::move(line)), cancelled_(std::move(cancelled))
{}

// `text` as it is; control characters are escaped on the way out.
void TerminalGrabWindow::Print(const std::string& text, bool error)
{
    if (line_) {
        line_(text, error);
        return;
    }
    std::FILE* stream = error ? stderr : stdout;
    if (error)
        std::fflush(stdout);
    std::fprintf(stream, "%s\n", TerminalText(text).c_str());
    std::fflush(stream);
}

TerminalGrabWindow::~TerminalGrabWindow()
{
    if (created_)
        Destroy();
}

void TerminalGrabWindow::Create()
{
    if (!cancelled_) {
        gCancel.store(false);
        struct sigaction sa
        {};
        sa.sa_handler = OnInterrupt;
        sigemptyset(&sa.sa_mask);
        for (size_t i = 0; i < std::size(cli::kCancelSignals); ++i)
            ::sigaction(cli::kCancelSignals[i], &sa, &gOldHandlers[i]);
    }
    created_ = true;
    Print("Reading RAW Audio...", false);
}

void TerminalGrabWindow::SetFileText(const std::string& text)
{
    if (!file_.empty())
        Draw(true);
    EndLine();
    file_ = TerminalText(text);
    trackPos_ = trackLow_;
    if (!tty_)
        Print(text, false);
}

void TerminalGrabWindow::SetGrabbedText(const std::string& text)
{
    grabbed_ = text;
}
void TerminalGrabWindow::SetSpeedText(const std::string& text)
{
    speed_ = text;
}

void TerminalGrabWindow::SetTrackRange(int low, int high)
{
    trackLow_ = low;
    trackHigh_ = high;
    trackPos_ = low;
}

void TerminalGrabWindow::SetTotalRange(int low, int high)
{
    totalLow_ = low;
    totalHigh_ = high;
    totalPos_ = low;
}

void TerminalGrabWindow::StepTrack()
{
    trackPos_ += trackStep_;
    Draw(false);
}

void TerminalGrabWindow::Draw(bool force)
{
    if (!tty_ || file_.empty())
        return;
    // A terminal cannot take a redraw per read of a fast drive.
    const long now = NowMs();
    if (!force && now - lastDraw_ < 100)
        return;
    lastDraw_ = now;
    std::printf("\r%s  %3d%%  total %3d%%  %s  %s\033[K", file_.c_str(), Percent(trackLow_, trackHigh_, trackPos_),
                Percent(totalLow_, totalHigh_, totalPos_), grabbed_.c_str(), speed_.c_str());
    std::fflush(stdout);
    lineOpen_ = true;
}

void TerminalGrabWindow::EndLine()
{
    if (lineOpen_) {
        std::printf("\n");
        std::fflush(stdout);
        lineOpen_ = false;
    }
}

bool TerminalGrabWindow::CheckCancel()
{
    return cancelled_ ? cancelled_() : gCancel.exchange(false);
}

void TerminalGrabWindow::Destroy()
{
    if (!created_)
        return;
    Draw(true);
    EndLine();
    if (!tty_ && !grabbed_.empty())
        Print("Grabbed: " + grabbed_ + " Speed: " + speed_, false);
    std::fflush(stdout);
    if (!cancelled_) {
        for (size_t i = 0; i < std::size(cli::kCancelSignals); ++i)
            ::sigaction(cli::kCancelSignals[i], &gOldHandlers[i], nullptr);
    }
    created_ = false;
}

void TerminalGrabWindow::ShowStopMessage(const std::string& text)
{
    Draw(true);
    EndLine();
    Print(text, true);
    // The designed message does not say why; a user reporting a scratched disc or a
    // stubborn drive needs the sense the last read ended with.
    if (text == kGrabReadFailedMessage) {
        const std::string why = DescribeCommandFailure(aspi_last_failed_read());
        if (!why.empty())
            Print("quillon: the last read ended with " + why, true);
    }
}

} // namespace quillon::cli
