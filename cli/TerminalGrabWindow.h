#pragma once

#include "cd/GrabProgressWindow.h"

#include <functional>
#include <string>

namespace quillon::cli {

// The grab progress window on a terminal: one live line on a terminal (plain lines
// otherwise), messages on standard error, Ctrl-C as Cancel while the window exists.
class TerminalGrabWindow : public GrabProgressWindow
{
public:
    TerminalGrabWindow();
    // A grab beside running encodes: plain lines through `line` (which keeps them apart
    // from the encodes' lines), no Ctrl-C handler of its own, cancelled once `cancelled`
    // says so.
    using LineSink = std::function<void(const std::string& text, bool error)>;
    TerminalGrabWindow(LineSink line, std::function<bool()> cancelled);
    ~TerminalGrabWindow() override;

    void Create() override;
    void SetFileText(const std::string& text) override;
    void SetGrabbedText(const std::string& text) override;
    void SetSpeedText(const std::string& text) override;
    void SetTrackRange(int low, int high) override;
    void SetTrackStep(int step) override { trackStep_ = step; }
    void StepTrack() override;
    void SetTotalRange(int low, int high) override;
    void SetTotalStep(int step) override { totalStep_ = step; }
    void SetTotalPos(int pos) override { totalPos_ = pos; }
    void StepTotal() override { totalPos_ += totalStep_; }
    bool CheckCancel() override;
    void Destroy() override;
    void ShowStopMessage(const std::string& text) override;

private:
    void Draw(bool force);
    void EndLine();
    void Print(const std::string& text, bool error);

    LineSink line_;
    std::function<bool()> cancelled_;

    bool tty_ = false;
    bool created_ = false;
    bool lineOpen_ = false;
    std::string file_;
    std::string grabbed_;
    std::string speed_;
    int trackLow_ = 0, trackHigh_ = 100, trackPos_ = 0, trackStep_ = 1;
    int totalLow_ = 0, totalHigh_ = 100, totalPos_ = 0, totalStep_ = 1;
    long lastDraw_ = 0;
};

} // namespace quillon::cli
