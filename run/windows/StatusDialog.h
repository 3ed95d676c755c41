#pragma once

#include "run/ConversionRun.h"
#include "run/RunWindow.h"

#include <QDialog>
#include <QMessageBox>
#include <QPixmap>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <vector>

class QGroupBox;
class QLayout;
class QPlainTextEdit;
class QPushButton;

namespace quillon {

class EllipsisLabel;
class PercentProgressBar;
class StatusText;

// The process status window of one pass of the wizard loop. exec() first shows the
// wizard; when it is finished the window starts the conversion run on its worker thread
// and shows what the run reports until the run closes it: kRunResultAgain asks for the
// wizard again, kRunResultQuit ends the application.
//
// The run calls the RunWindow functions from its worker and reader threads; each is
// handed to this window's thread as a queued call. Only the message boxes wait, and it waits
// for the user's answer alone: the window never waits on the worker.
class StatusDialog : public QDialog, public RunWindow
{
    Q_OBJECT

public:
    // Shows the wizard modally over `parent`; true when it was finished.
    using WizardHook = std::function<bool(QWidget* parent)>;
    // Makes the run of the batch the wizard left, reporting to `window`.
    using RunFactory = std::function<std::unique_ptr<ConversionRun>(RunWindow& window)>;

    static constexpr const char* kInitialCaption = "Quillon 2.5 - Process Status...";

    StatusDialog(WizardHook wizard, RunFactory makeRun, QWidget* parent = nullptr);
    // Waits for the run's worker thread before anything of the window goes.
    ~StatusDialog() override;

    int exec() override;
    void done(int result) override;
    void reject() override; // Cancel, Escape and closing the window

    // RunWindow
    void SetFileNumbers(int number, int count) override;
    void SetTitle(const std::string& title) override;
    void SetBitrateText(const std::string& text) override;
    void SetInputPath(const std::string& path) override;
    void SetOutputPath(const std::string& path) override;
    void SetCurrentRange(int64_t maximum) override;
    void SetCurrentPosition(int64_t position) override;
    void SetOverallRange(int64_t maximum) override;
    void SetOverallPosition(int64_t position) override;
    void ShowFigures(const StatusFigures& figures) override;
    void LogLine(std::string_view line) override;
    void MessageBox(const std::string& text) override;
    void ShowEnd(const RunEndMessage& end) override;
    void Close(int result) override;
    void Enable(bool enabled) override;

    ConversionRun* Run() const { return run_.get(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void BuildControls();
    // The parts of the window, top to bottom; each makes its controls and lays them out.
    QLayout* BuildPathRows();
    QGroupBox* BuildCurrentFileGroup();
    QGroupBox* BuildPerformanceGroup();
    QLayout* BuildFileCountRow();
    QLayout* BuildCancelRow();
    void OnInitDialog();
    void OnCancel();
    // Runs `change` on the window's thread: at once when called there, else queued.
    void Post(std::function<void()> change);
    // Shows a box the user answers; the calling thread waits until then.
    void ShowMessage(QMessageBox::Icon icon, const std::string& text);
    void ShowMessageNow(QMessageBox::Icon icon, const QString& text);
    void Answer(const std::shared_ptr<std::promise<void>>& answer);
    void AnswerAll();

    WizardHook wizard_;
    RunFactory makeRun_;
    std::unique_ptr<ConversionRun> run_;
    QPixmap tile_;
    bool enabled_ = true;

    // Messages the worker waits on; answered when the user dismisses them, or all at
    // once when the window closes so that no worker waits for a box that will not come.
    std::mutex answersMutex_;
    std::vector<std::shared_ptr<std::promise<void>>> answers_;
    bool closed_ = false;

    EllipsisLabel* inputPath_;
    EllipsisLabel* outputPath_;
    StatusText* elapsed_;
    StatusText* remaining_;
    StatusText* bitrate_;
    StatusText* fileNumber_;
    StatusText* fileCount_;
    StatusText* speed_;
    StatusText* sizes_;
    StatusText* frame_;
    StatusText* frameTotal_;
    PercentProgressBar* currentBar_;
    PercentProgressBar* overallBar_;
    QPlainTextEdit* log_;
    QPushButton* cancel_;
};

} // namespace quillon
