#include "cd/windows/GrabProgressDialog.h"

#include "ui/PercentProgressBar.h"

#include "ui_GrabProgressDialog.h"

#include <QApplication>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>

namespace quillon {

QString GrabStringText(int id)
{
    switch (id) {
    case 120: return QStringLiteral("Reading RAW Audio...");
    default: return QString();
    }
}

GrabProgressDialog::GrabProgressDialog(QWidget* owner, int titleId)
    : QDialog(owner), owner_(owner), titleId_(titleId == 0 ? kDefaultTitleId : titleId),
      ui_(std::make_unique<Ui::GrabProgressDialog>())
{
    // The controls, their names and their places are declared in GrabProgressDialog.ui;
    // the title comes from the string table when the window is created.
    ui_->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    connect(ui_->cancel, &QPushButton::clicked, this, [this] { cancel_.store(true); });
    ui_->trackBar->setRange(trackLow_, trackHigh_);
}

GrabProgressDialog::~GrabProgressDialog()
{
    if (disabledOwner_ && owner_)
        owner_->setEnabled(true);
}

ValueLabel* GrabProgressDialog::FileLine() const
{
    return ui_->fileLine;
}

ValueLabel* GrabProgressDialog::GrabbedValue() const
{
    return ui_->grabbed;
}

ValueLabel* GrabProgressDialog::SpeedValue() const
{
    return ui_->speed;
}

QProgressBar* GrabProgressDialog::TrackBar() const
{
    return ui_->trackBar;
}

PercentProgressBar* GrabProgressDialog::TotalBar() const
{
    return ui_->totalBar;
}

QPushButton* GrabProgressDialog::CancelButton() const
{
    return ui_->cancel;
}

void GrabProgressDialog::ServeEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void GrabProgressDialog::Create()
{
    if (owner_ && owner_->isEnabled()) {
        owner_->setEnabled(false);
        disabledOwner_ = true;
    }
    // A window may be enabled on its own while its owner is disabled.
    setEnabled(true);
    ui_->trackBar->setRange(trackLow_, trackHigh_);
    ui_->trackBar->setValue(trackLow_);
    setWindowTitle(GrabStringText(titleId_));
    show();
    raise();
    activateWindow();
}

void GrabProgressDialog::SetFileText(const std::string& text)
{
    ui_->fileLine->setText(QString::fromStdString(text));
}

void GrabProgressDialog::SetGrabbedText(const std::string& text)
{
    ui_->grabbed->setText(QString::fromStdString(text));
}

void GrabProgressDialog::SetSpeedText(const std::string& text)
{
    ui_->speed->setText(QString::fromStdString(text));
}

void GrabProgressDialog::SetTrackRange(int low, int high)
{
    trackLow_ = low;
    trackHigh_ = high;
    ui_->trackBar->setRange(low, high);
    ui_->trackBar->setValue(low);
}

void GrabProgressDialog::StepTrack()
{
    ServeEvents();
    StepTrackBar();
}

void GrabProgressDialog::StepTrackBar()
{
    // Stepping past the end starts again from the bottom, as a stepped bar does.
    int next = ui_->trackBar->value() + trackStep_;
    if (next > trackHigh_)
        next = trackLow_ + (next - trackHigh_);
    ui_->trackBar->setValue(next);
}

void GrabProgressDialog::SetTotalRange(int low, int high)
{
    ui_->totalBar->SetRange(low, high);
}

void GrabProgressDialog::SetTotalStep(int step)
{
    ui_->totalBar->SetStep(step);
}

void GrabProgressDialog::SetTotalPos(int pos)
{
    ui_->totalBar->SetPos(pos);
}

void GrabProgressDialog::StepTotal()
{
    ui_->totalBar->StepIt();
}

bool GrabProgressDialog::CheckCancel()
{
    ServeEvents();
    return cancel_.exchange(false);
}

void GrabProgressDialog::reject()
{
    // The window goes only when its grab ends (Destroy).
    ui_->cancel->click();
}

void GrabProgressDialog::RestoreIfMinimised()
{
    if (isMinimized())
        showNormal();
}

void GrabProgressDialog::Destroy()
{
    if (disabledOwner_ && owner_)
        owner_->setEnabled(true);
    disabledOwner_ = false;
    hide();
}

void GrabProgressDialog::ShowStopMessage(const std::string& text)
{
    QWidget* parent = isVisible() ? static_cast<QWidget*>(this) : owner_.data();
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Quillon"), QString::fromStdString(text), QMessageBox::Ok,
                    parent);
    box.exec();
}

} // namespace quillon
