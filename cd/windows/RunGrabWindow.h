#pragma once

#include "cd/GrabProgressWindow.h"
#include "run/ConversionRun.h"

#include <QPointer>
#include <functional>
#include <memory>

class QWidget;

namespace quillon {

class GrabProgressDialog;
struct QuillonApp;

// The grab progress window of a CD-direct run. The run's worker thread calls it; every
// call is handed to a GrabProgressDialog that lives on the user-interface thread over
// the status window. Only ShowStopMessage waits, until the user has closed the box.
class RunGrabWindow : public GrabProgressWindow
{
public:
    explicit RunGrabWindow(QWidget* statusWindow);
    ~RunGrabWindow() override;

    void Create() override;
    void SetFileText(const std::string& text) override;
    void SetGrabbedText(const std::string& text) override;
    void SetSpeedText(const std::string& text) override;
    void SetTrackRange(int low, int high) override;
    void SetTrackStep(int step) override;
    void StepTrack() override;
    void SetTotalRange(int low, int high) override;
    void SetTotalStep(int step) override;
    void SetTotalPos(int pos) override;
    void StepTotal() override;
    bool CheckCancel() override;
    void RestoreIfMinimised() override;
    void Destroy() override;
    void ShowStopMessage(const std::string& text) override;

private:
    struct Shared;
    void Post(std::function<void(GrabProgressDialog&)> call);

    QWidget* owner_;
    std::shared_ptr<Shared> shared_;
    bool destroyed_ = false;
};

// The run's hook for CD jobs with the window above: the job's drive is taken from
// app.drives and the temporary folder falls back to the batch's default output folder.
TempWavGrab MakeWindowTempWavGrab(QuillonApp& app, QWidget* statusWindow);

} // namespace quillon
