#include "cd/windows/GrabProgressDialog.h"

#include "ui/PercentProgressBar.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
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

namespace {

ValueLabel* AddLabelled(QGridLayout* grid, int row, const QString& caption, const QString& initial, QWidget* parent)
{
    auto* label = new QLabel(caption, parent);
    auto* value = new ValueLabel(caption, initial, parent);
    grid->addWidget(label, row, 0);
    grid->addWidget(value, row, 1);
    return value;
}

} // namespace

GrabProgressDialog::GrabProgressDialog(QWidget* owner, int titleId)
    : QDialog(owner), owner_(owner), titleId_(titleId == 0 ? kDefaultTitleId : titleId)
{
    setObjectName(QStringLiteral("grabProgress"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* grid = new QGridLayout(this);
    file_ = new ValueLabel(QStringLiteral("File"), QStringLiteral("xx"), this);
    file_->setObjectName(QStringLiteral("fileLine"));
    file_->setMinimumWidth(320);
    // A long path must not widen the window; the line shows what fits.
    file_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    grid->addWidget(file_, 0, 0, 1, 2);
    grabbed_ = AddLabelled(grid, 1, QStringLiteral("Grabbed:"), QStringLiteral("..."), this);
    grabbed_->setObjectName(QStringLiteral("grabbed"));
    speed_ = AddLabelled(grid, 2, QStringLiteral("Speed"), QStringLiteral("."), this);
    speed_->setObjectName(QStringLiteral("speed"));

    grid->addWidget(new QLabel(QStringLiteral("Current Track..."), this), 3, 0, 1, 2);
    trackBar_ = new QProgressBar(this);
    trackBar_->setObjectName(QStringLiteral("trackBar"));
    trackBar_->setAccessibleName(QStringLiteral("Current Track..."));
    trackBar_->setTextVisible(false);
    grid->addWidget(trackBar_, 4, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Total..."), this), 5, 0, 1, 2);
    totalBar_ = new PercentProgressBar(this);
    totalBar_->setObjectName(QStringLiteral("totalBar"));
    totalBar_->setAccessibleName(QStringLiteral("Total..."));
    totalBar_->SetShowText(true);
    totalBar_->setMinimumHeight(20);
    grid->addWidget(totalBar_, 6, 0, 1, 2);

    cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton_->setObjectName(QStringLiteral("cancel"));
    cancelButton_->setAccessibleName(QStringLiteral("Cancel"));
    grid->addWidget(cancelButton_, 7, 0, 1, 2, Qt::AlignHCenter);
    connect(cancelButton_, &QPushButton::clicked, this, [this] { cancel_.store(true); });
    grid->setColumnStretch(1, 1);
    trackBar_->setRange(trackLow_, trackHigh_);
}

GrabProgressDialog::~GrabProgressDialog()
{
    if (disabledOwner_ && owner_)
        owner_->setEnabled(true);
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
    trackBar_->setRange(trackLow_, trackHigh_);
    trackBar_->setValue(trackLow_);
    setWindowTitle(GrabStringText(titleId_));
    show();
    raise();
    activateWindow();
}

void GrabProgressDialog::SetFileText(const std::string& text)
{
    file_->setText(QString::fromStdString(text));
}

void GrabProgressDialog::SetGrabbedText(const std::string& text)
{
    grabbed_->setText(QString::fromStdString(text));
}

void GrabProgressDialog::SetSpeedText(const std::string& text)
{
    speed_->setText(QString::fromStdString(text));
}

void GrabProgressDialog::SetTrackRange(int low, int high)
{
    trackLow_ = low;
    trackHigh_ = high;
    trackBar_->setRange(low, high);
    trackBar_->setValue(low);
}

void GrabProgressDialog::StepTrack()
{
    ServeEvents();
    StepTrackBar();
}

void GrabProgressDialog::StepTrackBar()
{
    // Stepping past the end starts again from the bottom, as a stepped bar does.
    int next = trackBar_->value() + trackStep_;
    if (next > trackHigh_)
        next = trackLow_ + (next - trackHigh_);
    trackBar_->setValue(next);
}

void GrabProgressDialog::SetTotalRange(int low, int high)
{
    totalBar_->SetRange(low, high);
}

void GrabProgressDialog::SetTotalStep(int step)
{
    totalBar_->SetStep(step);
}

void GrabProgressDialog::SetTotalPos(int pos)
{
    totalBar_->SetPos(pos);
}

void GrabProgressDialog::StepTotal()
{
    totalBar_->StepIt();
}

bool GrabProgressDialog::CheckCancel()
{
    ServeEvents();
    return cancel_.exchange(false);
}

void GrabProgressDialog::reject()
{
    // The window goes only when its grab ends (Destroy).
    cancelButton_->click();
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
