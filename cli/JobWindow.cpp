#include "cli/JobWindow.h"

#include <algorithm>
#include <utility>

namespace quillon::cli {

JobWindow::JobWindow(TerminalWindow& terminal, bool numbered, std::function<void(double)> onProgress)
    : terminal_(terminal), numbered_(numbered), onProgress_(std::move(onProgress))
{}

std::string JobWindow::Prefix() const
{
    return numbered_ ? "[" + std::to_string(number_) + "] " : std::string();
}

void JobWindow::SetFileNumbers(int number, int)
{
    std::lock_guard lock(mutex_);
    number_ = number;
    currentRange_ = 0;
}

void JobWindow::SetTitle(const std::string& title)
{
    std::string line;
    {
        std::lock_guard lock(mutex_);
        line = Prefix() + title;
    }
    terminal_.SetTitle(line);
}

void JobWindow::SetInputPath(const std::string& path)
{
    std::lock_guard lock(mutex_);
    inputPath_ = path;
}

void JobWindow::SetOutputPath(const std::string& path)
{
    // The terminal's own input path is shared by all jobs: the pair is printed from here.
    std::string line;
    {
        std::lock_guard lock(mutex_);
        line = Prefix() + "  " + inputPath_ + " -> " + path;
    }
    terminal_.LogLine(line);
}

void JobWindow::SetCurrentRange(int64_t maximum)
{
    if (!numbered_)
        terminal_.SetCurrentRange(maximum);
    std::lock_guard lock(mutex_);
    currentRange_ = maximum;
}

void JobWindow::ShowFigures(const StatusFigures& figures)
{
    if (!numbered_) {
        terminal_.ShowFigures(figures); // one job at a time: its own figures, as in the window
        return;
    }
    if (!figures.currentBarPosition)
        return;
    double share = 0;
    {
        std::lock_guard lock(mutex_);
        if (currentRange_ > 0)
            share =
                std::min(1.0, static_cast<double>(*figures.currentBarPosition) / static_cast<double>(currentRange_));
    }
    onProgress_(share);
}

void JobWindow::LogLine(std::string_view line)
{
    std::string numbered;
    {
        std::lock_guard lock(mutex_);
        numbered = Prefix();
    }
    numbered += line;
    terminal_.LogLine(numbered);
}

void JobWindow::MessageBox(const std::string& text)
{
    // The batch prints the first job's end: with several jobs it must say which one.
    std::lock_guard lock(mutex_);
    if (message_.empty())
        message_ = Prefix() + text;
}

void JobWindow::ShowEnd(const RunEndMessage& end)
{
    MessageBox(end.Text());
}

std::string JobWindow::TakeMessage()
{
    std::lock_guard lock(mutex_);
    return std::exchange(message_, std::string());
}

} // namespace quillon::cli
