#include "run/windows/StatusDialog.h"

#include "ui/TextBytes.h"

#include "res/Pictures.h"
#include "run/windows/StatusText.h"
#include "ui/AboutDialog.h"
#include "ui/EllipsisLabel.h"
#include "ui/PercentProgressBar.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

namespace quillon {

namespace {

int32_t Clamped(int64_t value)
{
    return static_cast<int32_t>(std::clamp<int64_t>(value, 0, std::numeric_limits<int32_t>::max()));
}

// A group box whose caption is painted like the window's other fixed texts.
QGroupBox* TileGroup(const QString& caption, QWidget* parent)
{
    auto* group = new QGroupBox(caption, parent);
    group->setAccessibleName(caption);
    group->setStyleSheet(
        QStringLiteral("QGroupBox { color: white; border: 1px solid rgb(200, 206, 224); margin-top: 1.4ex; }"
                       "QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 2px;"
                       " background-color: rgb(82, 99, 148); }"));
    return group;
}

// A value field heard with the label beside it, for screen readers and test robots.
StatusText* Field(const char* objectName, const QString& initial, const QString& label, Qt::Alignment alignment,
                  QWidget* parent)
{
    auto* field = new StatusText(initial, alignment, parent);
    field->setObjectName(QString::fromLatin1(objectName));
    field->SetCaption(label);
    return field;
}

EllipsisLabel* PathField(const char* objectName, const QString& label, QWidget* parent)
{
    // The labels start with end ellipsis; the window switches them to the path rule when
    // it opens.
    auto* field = new EllipsisLabel(Qt::AlignLeft | Qt::AlignVCenter, false, parent);
    field->setObjectName(QString::fromLatin1(objectName));
    field->SetCaption(label);
    field->setMinimumHeight(18);
    return field;
}

PercentProgressBar* Bar(const char* objectName, const QString& label, QWidget* parent)
{
    auto* bar = new PercentProgressBar(parent);
    bar->setObjectName(QString::fromLatin1(objectName));
    bar->setAccessibleName(label);
    bar->setFixedHeight(20);
    return bar;
}

} // namespace

StatusDialog::StatusDialog(WizardHook wizard, RunFactory makeRun, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      wizard_(std::move(wizard)), makeRun_(std::move(makeRun)), tile_(QString::fromLatin1(pictures::kTile64Path))
{
    setObjectName(QStringLiteral("StatusDialog"));
    setWindowTitle(QString::fromLatin1(kInitialCaption));
    setWindowIcon(QIcon(QString::fromLatin1(pictures::kAppIconPath)));
    BuildControls();
    InstallAboutMenu(this);
}

StatusDialog::~StatusDialog()
{
    AnswerAll();
    run_.reset(); // joins the worker while every control still exists
}

void StatusDialog::BuildControls()
{
    auto* top = new QVBoxLayout(this);
    top->addLayout(BuildPathRows());
    auto* groups = new QHBoxLayout;
    groups->addWidget(BuildCurrentFileGroup(), 1);
    groups->addWidget(BuildPerformanceGroup(), 1);
    top->addLayout(groups);
    top->addLayout(BuildFileCountRow());

    const Qt::Alignment left = Qt::AlignLeft | Qt::AlignVCenter;
    top->addWidget(new StatusText(QStringLiteral("Current File..."), left, this));
    currentBar_ = Bar("currentBar", QStringLiteral("Current File..."), this);
    top->addWidget(currentBar_);
    top->addWidget(new StatusText(QStringLiteral("Overall Progress..."), left, this));
    overallBar_ = Bar("overallBar", QStringLiteral("Overall Progress..."), this);
    top->addWidget(overallBar_);

    log_ = new QPlainTextEdit(this);
    log_->setObjectName(QStringLiteral("log"));
    log_->setAccessibleName(QStringLiteral("Log"));
    log_->setReadOnly(true);
    log_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    log_->setStyleSheet(QStringLiteral("QPlainTextEdit { color: rgb(0, 0, 200); background: rgb(250, 250, 250); }"));
    top->addWidget(log_, 1);
    top->addLayout(BuildCancelRow());

    resize(480, 440);
}

QLayout* StatusDialog::BuildPathRows()
{
    auto* paths = new QGridLayout;
    const QString inputLabel = QStringLiteral("Input File:");
    const QString outputLabel = QStringLiteral("Output File:");
    paths->addWidget(new StatusText(inputLabel, Qt::AlignLeft | Qt::AlignVCenter, this), 0, 0);
    inputPath_ = PathField("inputPath", inputLabel, this);
    paths->addWidget(inputPath_, 0, 1);
    paths->addWidget(new StatusText(outputLabel, Qt::AlignLeft | Qt::AlignVCenter, this), 1, 0);
    outputPath_ = PathField("outputPath", outputLabel, this);
    paths->addWidget(outputPath_, 1, 1);
    paths->setColumnStretch(1, 1);
    return paths;
}

QGroupBox* StatusDialog::BuildCurrentFileGroup()
{
    const Qt::Alignment left = Qt::AlignLeft | Qt::AlignVCenter;
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    QGroupBox* current = TileGroup(QStringLiteral("Current File:"), this);
    auto* grid = new QGridLayout(current);
    const QString elapsedLabel = QStringLiteral("Elapsed Time:");
    const QString remainingLabel = QStringLiteral("Remaining Time:");
    const QString bitrateLabel = QStringLiteral("Bitrate:");
    grid->addWidget(new StatusText(elapsedLabel, left, current), 0, 0);
    elapsed_ = Field("elapsed", QStringLiteral("00:00:00"), elapsedLabel, right, current);
    grid->addWidget(elapsed_, 0, 1);
    grid->addWidget(new StatusText(remainingLabel, left, current), 1, 0);
    remaining_ = Field("remaining", QStringLiteral("00:00:00"), remainingLabel, right, current);
    grid->addWidget(remaining_, 1, 1);
    grid->addWidget(new StatusText(bitrateLabel, left, current), 2, 0);
    bitrate_ = Field("bitrate", QStringLiteral("0kbps"), bitrateLabel, right, current);
    grid->addWidget(bitrate_, 2, 1);
    return current;
}

QGroupBox* StatusDialog::BuildPerformanceGroup()
{
    const Qt::Alignment left = Qt::AlignLeft | Qt::AlignVCenter;
    const Qt::Alignment centre = Qt::AlignCenter;
    QGroupBox* performance = TileGroup(QStringLiteral("Performance"), this);
    auto* grid = new QGridLayout(performance);
    speed_ = Field("speed", QStringLiteral("FPS"), QStringLiteral("Speed"), centre, performance);
    grid->addWidget(speed_, 0, 0, 1, 4);
    sizes_ = Field("sizes", QStringLiteral("0MB Compressed to 0MB"), QStringLiteral("Sizes"), centre, performance);
    grid->addWidget(sizes_, 1, 0, 1, 4);
    grid->addWidget(new StatusText(QStringLiteral("Frame:"), left, performance), 2, 0);
    frame_ = Field("frame", QStringLiteral("   "), QStringLiteral("Frame"), centre, performance);
    grid->addWidget(frame_, 2, 1);
    grid->addWidget(new StatusText(QStringLiteral("of"), centre, performance), 2, 2);
    frameTotal_ = Field("frameTotal", QString(), QStringLiteral("Frame total"), centre, performance);
    grid->addWidget(frameTotal_, 2, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    return performance;
}

QLayout* StatusDialog::BuildFileCountRow()
{
    const Qt::Alignment centre = Qt::AlignCenter;
    auto* files = new QHBoxLayout;
    files->addWidget(new StatusText(QStringLiteral("File"), Qt::AlignLeft | Qt::AlignVCenter, this));
    fileNumber_ = Field("fileNumber", QStringLiteral("1"), QStringLiteral("File"), centre, this);
    files->addWidget(fileNumber_);
    files->addWidget(new StatusText(QStringLiteral("of"), centre, this));
    fileCount_ = Field("fileCount", QStringLiteral("1"), QStringLiteral("File count"), centre, this);
    files->addWidget(fileCount_);
    files->addStretch(1);
    return files;
}

QLayout* StatusDialog::BuildCancelRow()
{
    cancel_ = new QPushButton(QStringLiteral("&Cancel !"), this);
    cancel_->setObjectName(QStringLiteral("cancel"));
    cancel_->setAccessibleName(QStringLiteral("Cancel !"));
    cancel_->setAutoDefault(false);
    connect(cancel_, &QPushButton::clicked, this, &StatusDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancel_);
    return buttons;
}

int StatusDialog::exec()
{
    OnInitDialog();
    if (closed_)
        return result();
    return QDialog::exec();
}

void StatusDialog::OnInitDialog()
{
    // The wizard comes before the window is shown, as the window's own initialisation.
    if (!wizard_ || !wizard_(this)) {
        OnCancel(); // nothing is being converted: the window closes with kRunResultQuit
        return;
    }
    log_->clear();
    inputPath_->pathEllipsis = true;
    outputPath_->pathEllipsis = true;
    currentBar_->SetShowText(true);
    overallBar_->SetShowText(true);
    if (makeRun_)
        run_ = makeRun_(*this);
    if (run_)
        run_->Start();
}

void StatusDialog::reject()
{
    OnCancel();
}

void StatusDialog::OnCancel()
{
    if (!enabled_)
        return; // a CD grab or a final message is in progress
    if (run_)
        run_->Cancel();
    else
        done(kRunResultQuit);
}

void StatusDialog::done(int result)
{
    AnswerAll();
    setResult(result);
    QDialog::done(result);
}

void StatusDialog::Post(std::function<void()> change)
{
    if (QThread::currentThread() == thread())
        change();
    else
        QMetaObject::invokeMethod(this, std::move(change), Qt::QueuedConnection);
}

void StatusDialog::SetFileNumbers(int number, int count)
{
    Post([this, number, count] {
        fileNumber_->setText(QString::number(number));
        fileCount_->setText(QString::number(count));
    });
}

void StatusDialog::SetTitle(const std::string& title)
{
    Post([this, title] { setWindowTitle(Utf8Text(title)); });
}

void StatusDialog::SetBitrateText(const std::string& text)
{
    Post([this, text] { bitrate_->Replace(Utf8Text(text)); });
}

void StatusDialog::SetInputPath(const std::string& path)
{
    Post([this, path] { inputPath_->setText(FileNameText(path)); });
}

void StatusDialog::SetOutputPath(const std::string& path)
{
    Post([this, path] { outputPath_->setText(FileNameText(path)); });
}

// The bars keep their own state across threads; their repaint is queued by themselves.
void StatusDialog::SetCurrentRange(int64_t maximum)
{
    currentBar_->SetRange(0, Clamped(maximum));
}

void StatusDialog::SetCurrentPosition(int64_t position)
{
    currentBar_->SetPos(Clamped(position));
}

void StatusDialog::SetOverallRange(int64_t maximum)
{
    overallBar_->SetRange(0, Clamped(maximum));
}

void StatusDialog::SetOverallPosition(int64_t position)
{
    overallBar_->SetPos(Clamped(position));
}

void StatusDialog::ShowFigures(const StatusFigures& figures)
{
    Post([this, figures] {
        if (!figures.totalFramesText.empty())
            frameTotal_->Replace(Utf8Text(figures.totalFramesText));
        if (!figures.bitrateText.empty())
            bitrate_->Replace(Utf8Text(figures.bitrateText));
        if (figures.currentBarPosition && figures.overallBarPosition) {
            currentBar_->SetPos(Clamped(*figures.currentBarPosition));
            overallBar_->SetPos(Clamped(*figures.overallBarPosition));
            currentBar_->repaint();
            overallBar_->repaint();
        }
        if (figures.frameText)
            frame_->setText(Utf8Text(*figures.frameText));
        if (figures.elapsedText)
            elapsed_->Replace(Utf8Text(*figures.elapsedText));
        if (figures.speedText)
            speed_->Replace(Utf8Text(*figures.speedText));
        if (figures.remainingText)
            remaining_->Replace(Utf8Text(*figures.remainingText));
        if (figures.sizesText)
            sizes_->Replace(Utf8Text(*figures.sizesText));
    });
}

void StatusDialog::LogLine(std::string_view line)
{
    Post([this, text = std::string(line)] { log_->appendPlainText(Utf8Text(text)); });
}

void StatusDialog::MessageBox(const std::string& text)
{
    ShowMessage(QMessageBox::Warning, text);
}

void StatusDialog::ShowEnd(const RunEndMessage& end)
{
    ShowMessage(end.IsGood() ? QMessageBox::Information : QMessageBox::Warning, end.Text());
}

void StatusDialog::ShowMessage(QMessageBox::Icon icon, const std::string& text)
{
    if (QThread::currentThread() == thread()) {
        ShowMessageNow(icon, Utf8Text(text));
        return;
    }
    auto answer = std::make_shared<std::promise<void>>();
    std::future<void> answered = answer->get_future();
    {
        std::lock_guard lock(answersMutex_);
        if (closed_)
            return;
        answers_.push_back(answer);
    }
    Post([this, icon, text, answer] {
        auto* box = new QMessageBox(icon, QStringLiteral("Quillon"), Utf8Text(text), QMessageBox::Ok, this);
        box->setObjectName(QStringLiteral("runMessage"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        connect(box, &QMessageBox::finished, this, [this, answer] { Answer(answer); });
        box->open();
    });
    answered.wait();
}

void StatusDialog::ShowMessageNow(QMessageBox::Icon icon, const QString& text)
{
    QMessageBox box(icon, QStringLiteral("Quillon"), text, QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("runMessage"));
    box.exec();
}

void StatusDialog::Answer(const std::shared_ptr<std::promise<void>>& answer)
{
    std::lock_guard lock(answersMutex_);
    const auto it = std::find(answers_.begin(), answers_.end(), answer);
    if (it == answers_.end())
        return; // already answered when the window closed
    (*it)->set_value();
    answers_.erase(it);
}

void StatusDialog::AnswerAll()
{
    std::lock_guard lock(answersMutex_);
    closed_ = true;
    for (const auto& answer : answers_)
        answer->set_value();
    answers_.clear();
}

void StatusDialog::Close(int result)
{
    Post([this, result] { done(result); });
}

void StatusDialog::Enable(bool enabled)
{
    Post([this, enabled] {
        enabled_ = enabled;
        cancel_->setEnabled(enabled);
    });
}

void StatusDialog::paintEvent(QPaintEvent*)
{
    // Whole tiles from the top-left corner; the tile itself is never stretched.
    QPainter painter(this);
    if (tile_.isNull())
        return;
    for (int row = 0; row <= height() / tile_.height(); ++row)
        for (int column = 0; column <= width() / tile_.width(); ++column)
            painter.drawPixmap(column * tile_.width(), row * tile_.height(), tile_);
}

} // namespace quillon
