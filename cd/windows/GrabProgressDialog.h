#pragma once

#include "cd/GrabProgressWindow.h"
#include "ui/ValueLabel.h"

#include <QDialog>
#include <QPointer>
#include <atomic>
#include <memory>

class QProgressBar;
class QPushButton;

namespace quillon {

class PercentProgressBar;

namespace Ui {
class GrabProgressDialog;
}

// "Reading RAW Audio...": the grab progress window as a Qt window over its owner. It
// lives on the user-interface thread; during a grab on that thread StepTrack and
// CheckCancel serve pending events, which keeps it painted and Cancel pressable.
class GrabProgressDialog : public QDialog, public GrabProgressWindow
{
    Q_OBJECT

public:
    static constexpr int kDefaultTitleId = 120;

    // `titleId` 0 means string 120.
    explicit GrabProgressDialog(QWidget* owner, int titleId = 0);
    ~GrabProgressDialog() override;

    void Create() override;
    void SetFileText(const std::string& text) override;
    void SetGrabbedText(const std::string& text) override;
    void SetSpeedText(const std::string& text) override;
    void SetTrackRange(int low, int high) override;
    void SetTrackStep(int step) override { trackStep_ = step; }
    void StepTrack() override;
    void SetTotalRange(int low, int high) override;
    void SetTotalStep(int step) override;
    void SetTotalPos(int pos) override;
    void StepTotal() override;
    bool CheckCancel() override;
    void RestoreIfMinimised() override;
    void Destroy() override;
    void ShowStopMessage(const std::string& text) override;

    // One step of the current-track bar without serving events, for callers that are
    // themselves inside an event (the queued calls of a run's worker).
    void StepTrackBar();

    // Escape and the title bar's close button ask what Cancel asks: hidden, the grab
    // would go on out of sight with no way left to stop it.
    void reject() override;

    ValueLabel* FileLine() const;
    ValueLabel* GrabbedValue() const;
    ValueLabel* SpeedValue() const;
    QProgressBar* TrackBar() const;
    PercentProgressBar* TotalBar() const;
    QPushButton* CancelButton() const;

private:
    static void ServeEvents();

    QPointer<QWidget> owner_;
    bool disabledOwner_ = false;
    int titleId_;
    int trackLow_ = 0, trackHigh_ = 100, trackStep_ = 1;
    std::atomic<bool> cancel_{false};
    std::unique_ptr<Ui::GrabProgressDialog> ui_;
};

// The text of a string-table number the grab uses ("Reading RAW Audio..." for 120).
QString GrabStringText(int id);

} // namespace quillon
