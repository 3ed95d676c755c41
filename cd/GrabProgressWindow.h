#pragma once

#include <string>

namespace quillon {

// The small window shown while audio is read: file line, grabbed and speed texts, a bar
// for the current track and one for the whole grab, and Cancel. The grab loop talks to
// it only through these operations; the Qt window, the command line and the tests each
// implement them.
class GrabProgressWindow
{
public:
    virtual ~GrabProgressWindow() = default;

    // Disables the owner while the window exists and shows the window.
    virtual void Create() = 0;
    virtual void SetFileText(const std::string& text) = 0;
    virtual void SetGrabbedText(const std::string& text) = 0;
    virtual void SetSpeedText(const std::string& text) = 0;
    virtual void SetTrackRange(int low, int high) = 0;
    virtual void SetTrackStep(int step) = 0;
    // Serves pending window events, then steps the current-track bar.
    virtual void StepTrack() = 0;
    virtual void SetTotalRange(int low, int high) = 0;
    virtual void SetTotalStep(int step) = 0;
    virtual void SetTotalPos(int pos) = 0;
    virtual void StepTotal() = 0;
    // Serves pending window events; returns the cancel flag and clears it.
    virtual bool CheckCancel() = 0;
    // Brings the window back if the user minimised it.
    virtual void RestoreIfMinimised() {}
    // Re-enables the owner if this window disabled it, then closes the window.
    virtual void Destroy() = 0;
    // A message box with the stop icon, owned by the window (or its owner before Create).
    virtual void ShowStopMessage(const std::string& text) = 0;
};

} // namespace quillon
