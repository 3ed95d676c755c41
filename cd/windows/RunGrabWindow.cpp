#include "cd/windows/RunGrabWindow.h"

#include "app/QuillonApp.h"
#include "cd/windows/GrabProgressDialog.h"
#include "run/TempWavGrab.h"

#include <QMessageBox>
#include <QPushButton>
#include <atomic>
#include <future>

namespace quillon {

struct RunGrabWindow::Shared
{
    std::atomic<bool> cancel{false};
    // Touched on the user-interface thread only.
    QPointer<GrabProgressDialog> dialog;
};

namespace {

// Fulfils the promise when the queued call is done with, whether it ran or was dropped
// because the status window went away first: the worker never waits for nothing.
struct Answered
{
    std::promise<void> promise;
    ~Answered() { promise.set_value(); }
};

} // namespace

RunGrabWindow::RunGrabWindow(QWidget* statusWindow) : owner_(statusWindow), shared_(std::make_shared<Shared>()) {}

RunGrabWindow::~RunGrabWindow()
{
    if (!destroyed_)
        Destroy();
}

void RunGrabWindow::Post(std::function<void(GrabProgressDialog&)> call)
{
    QMetaObject::invokeMethod(
        owner_,
        [shared = shared_, call = std::move(call)] {
            if (shared->dialog)
                call(*shared->dialog);
        },
        Qt::QueuedConnection);
}

void RunGrabWindow::Create()
{
    QMetaObject::invokeMethod(
        owner_,
        [shared = shared_, owner = owner_] {
            auto* dialog = new GrabProgressDialog(owner);
            shared->dialog = dialog;
            QObject::connect(dialog->CancelButton(), &QPushButton::clicked, dialog,
                             [shared] { shared->cancel.store(true); });
            dialog->Create();
        },
        Qt::QueuedConnection);
}

void RunGrabWindow::SetFileText(const std::string& text)
{
    Post([text](GrabProgressDialog& d) { d.SetFileText(text); });
}

void RunGrabWindow::SetGrabbedText(const std::string& text)
{
    Post([text](GrabProgressDialog& d) { d.SetGrabbedText(text); });
}

void RunGrabWindow::SetSpeedText(const std::string& text)
{
    Post([text](GrabProgressDialog& d) { d.SetSpeedText(text); });
}

void RunGrabWindow::SetTrackRange(int low, int high)
{
    Post([low, high](GrabProgressDialog& d) { d.SetTrackRange(low, high); });
}

void RunGrabWindow::SetTrackStep(int step)
{
    Post([step](GrabProgressDialog& d) { d.SetTrackStep(step); });
}

void RunGrabWindow::StepTrack()
{
    Post([](GrabProgressDialog& d) { d.StepTrackBar(); });
}

void RunGrabWindow::SetTotalRange(int low, int high)
{
    Post([low, high](GrabProgressDialog& d) { d.SetTotalRange(low, high); });
}

void RunGrabWindow::SetTotalStep(int step)
{
    Post([step](GrabProgressDialog& d) { d.SetTotalStep(step); });
}

void RunGrabWindow::SetTotalPos(int pos)
{
    Post([pos](GrabProgressDialog& d) { d.SetTotalPos(pos); });
}

void RunGrabWindow::StepTotal()
{
    Post([](GrabProgressDialog& d) { d.StepTotal(); });
}

bool RunGrabWindow::CheckCancel()
{
    return shared_->cancel.exchange(false);
}

void RunGrabWindow::RestoreIfMinimised()
{
    Post([](GrabProgressDialog& d) { d.RestoreIfMinimised(); });
}

void RunGrabWindow::Destroy()
{
    destroyed_ = true;
    Post([](GrabProgressDialog& d) {
        d.Destroy();
        d.deleteLater();
    });
}

void RunGrabWindow::ShowStopMessage(const std::string& text)
{
    auto answered = std::make_shared<Answered>();
    std::future<void> done = answered->promise.get_future();
    QMetaObject::invokeMethod(
        owner_,
        [shared = shared_, owner = owner_, text, answered = std::move(answered)] {
            QWidget* parent = shared->dialog && shared->dialog->isVisible() ? shared->dialog.data() : owner;
            QMessageBox box(QMessageBox::Critical, QStringLiteral("Quillon"), QString::fromStdString(text),
                            QMessageBox::Ok, parent);
            box.exec();
        },
        Qt::QueuedConnection);
    done.wait();
}

TempWavGrab MakeWindowTempWavGrab(QuillonApp& app, QWidget* statusWindow)
{
    return MakeTempWavGrab(
        app.drives, [&app] { return app.jobs.DefaultOutputDir(); },
        [statusWindow](RunWindow&) { return std::make_unique<RunGrabWindow>(statusWindow); }, WallClockSeconds,
        [&app] { return app.settings.secureMode != 0; });
}

} // namespace quillon
