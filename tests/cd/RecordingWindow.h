#pragma once

// A progress window for tests: keeps what the grab showed and presses Cancel on cue.

#include "cd/GrabProgressWindow.h"

#include <string>
#include <vector>

namespace quillon::testing {

class RecordingWindow : public GrabProgressWindow
{
public:
    int cancelAtCheck = -1; // CheckCancel call (1-based) that reports Cancel
    int checks = 0;
    int trackSteps = 0;
    int totalSteps = 0;
    int totalHigh = -1;
    int trackHigh = -1;
    bool created = false;
    bool destroyed = false;
    std::vector<std::string> files;
    std::vector<std::string> messages;
    std::string grabbed;
    std::string speed;

    void Create() override { created = true; }
    void SetFileText(const std::string& t) override { files.push_back(t); }
    void SetGrabbedText(const std::string& t) override { grabbed = t; }
    void SetSpeedText(const std::string& t) override { speed = t; }
    void SetTrackRange(int, int high) override { trackHigh = high; }
    void SetTrackStep(int) override {}
    void StepTrack() override { ++trackSteps; }
    void SetTotalRange(int, int high) override { totalHigh = high; }
    void SetTotalStep(int) override {}
    void SetTotalPos(int) override {}
    void StepTotal() override { ++totalSteps; }
    bool CheckCancel() override { return ++checks == cancelAtCheck; }
    void Destroy() override { destroyed = true; }
    void ShowStopMessage(const std::string& text) override { messages.push_back(text); }
};

} // namespace quillon::testing
