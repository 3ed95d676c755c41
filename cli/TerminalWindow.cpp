#include "cli/TerminalWindow.h"

#include "cli/TerminalText.h"

#include <string>

namespace quillon::cli {

TerminalWindow::TerminalWindow(std::FILE* out, std::FILE* err, bool terminal)
    : out_(out), err_(err), terminal_(terminal)
{}

void TerminalWindow::EndProgressLine()
{
    if (progressShown_) {
        std::fputs("\r\033[K", out_);
        progressShown_ = false;
    }
}

void TerminalWindow::SetTitle(const std::string& title)
{
    std::lock_guard lock(mutex_);
    EndProgressLine();
    std::fprintf(out_, "%s\n", TerminalText(title).c_str());
    std::fflush(out_);
}

void TerminalWindow::SetInputPath(const std::string& path)
{
    std::lock_guard lock(mutex_);
    inputPath_ = path;
}

void TerminalWindow::SetOutputPath(const std::string& path)
{
    std::lock_guard lock(mutex_);
    std::fprintf(out_, "  %s -> %s\n", TerminalText(inputPath_).c_str(), TerminalText(path).c_str());
    std::fflush(out_);
}

void TerminalWindow::SetCurrentRange(int64_t maximum)
{
    std::lock_guard lock(mutex_);
    currentRange_ = maximum;
}

void TerminalWindow::ShowFigures(const StatusFigures& f)
{
    if (!f.currentBarPosition)
        return; // the input is closed: nothing new to show
    int64_t range = 0;
    {
        std::lock_guard lock(mutex_);
        range = currentRange_;
    }
    const int64_t percent = range > 0 ? std::min<int64_t>(100, *f.currentBarPosition * 100 / range) : 0;
    std::string line = "  " + std::to_string(percent) + "%";
    if (f.frameText)
        line += "  frame " + std::to_string(f.framesDone) + " of " + f.totalFramesText;
    if (f.speedText)
        line += " " + *f.speedText;
    if (f.elapsedText)
        line += " elapsed " + *f.elapsedText;
    if (f.remainingText)
        line += ", remaining " + *f.remainingText;
    if (f.sizesText && *f.sizesText != "-")
        line += ", " + *f.sizesText;
    ShowProgressLine(line);
}

void TerminalWindow::ShowProgressLine(const std::string& line)
{
    std::lock_guard lock(mutex_);
    const auto now = std::chrono::steady_clock::now();
    if (!terminal_ && now - lastPlainLine_ < std::chrono::seconds(1))
        return;
    lastPlainLine_ = now;
    if (terminal_) {
        std::fprintf(out_, "\r\033[K%s", line.c_str());
        progressShown_ = true;
    } else {
        std::fprintf(out_, "%s\n", line.c_str());
    }
    std::fflush(out_);
}

void TerminalWindow::LogLine(std::string_view line)
{
    std::lock_guard lock(mutex_);
    EndProgressLine();
    std::fprintf(out_, "%s\n", TerminalText(line).c_str());
    std::fflush(out_);
}

void TerminalWindow::MessageBox(const std::string& text)
{
    Note(text, true);
}

void TerminalWindow::ShowEnd(const RunEndMessage& end)
{
    Note(end.Text(), !end.IsGood());
}

void TerminalWindow::Note(const std::string& text, bool error)
{
    std::lock_guard lock(mutex_);
    EndProgressLine();
    std::fflush(out_);
    std::FILE* stream = error ? err_ : out_;
    std::fprintf(stream, "%s\n", TerminalText(text).c_str());
    std::fflush(stream);
}

} // namespace quillon::cli
