#include "ui/PercentProgressBar.h"

#include <QPainter>
#include <QPixmap>
#include <QThread>

namespace quillon {

static Rgb ToRgb(QColor colour)
{
    return {static_cast<std::uint8_t>(colour.red()), static_cast<std::uint8_t>(colour.green()),
            static_cast<std::uint8_t>(colour.blue())};
}

PercentProgressBar::PercentProgressBar(QWidget* parent)
    : QProgressBar(parent), backColour_(palette().color(QPalette::Button))
{
    // Every pixel is painted from the off-screen picture, so no background erase is needed;
    // skipping it is what keeps frequent updates from flickering.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    QProgressBar::setRange(0, 100);
    QProgressBar::setValue(0);
}

void PercentProgressBar::SyncControl()
{
    auto apply = [this] {
        std::int32_t low = lower_.load() & 0xFFFF;
        std::int32_t high = upper_.load() & 0xFFFF;
        QProgressBar::setRange(low, high < low ? low : high);
        QProgressBar::setValue(controlPos_.load());
        update();
    };
    if (QThread::currentThread() == thread()) {
        apply();
    } else {
        QMetaObject::invokeMethod(this, apply, Qt::QueuedConnection);
    }
}

void PercentProgressBar::SetRange(std::int32_t lower, std::int32_t upper)
{
    lower_.store(lower);
    upper_.store(upper);
    pos_.store(lower);
    controlPos_.store(ControlPosition16(lower, lower, upper));
    SyncControl();
}

std::int32_t PercentProgressBar::SetPos(std::int32_t pos)
{
    pos_.store(pos);
    std::int32_t previous = controlPos_.exchange(ControlPosition16(pos, lower_.load(), upper_.load()));
    SyncControl();
    return previous;
}

std::int32_t PercentProgressBar::SetStep(std::int32_t step)
{
    step_.store(step);
    std::int32_t previous = controlStep_.exchange(step & 0xFFFF);
    return previous;
}

std::int32_t PercentProgressBar::StepIt()
{
    std::int32_t step = step_.load();
    // Counting on past the upper bound wraps like the 32-bit field it models.
    std::int32_t pos =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(pos_.fetch_add(step)) + static_cast<std::uint32_t>(step));
    std::int32_t previous = controlPos_.exchange(ControlPosition16(pos, lower_.load(), upper_.load()));
    SyncControl();
    return previous;
}

void PercentProgressBar::SetShowText(bool show)
{
    showText_.store(show);
    SyncControl();
}

void PercentProgressBar::SetColours(QColor start, QColor end, QColor back, QColor text)
{
    startColour_ = start;
    endColour_ = end;
    backColour_ = back;
    textColour_ = text;
    update();
}

QString PercentProgressBar::PaintedText() const
{
    if (!showText_.load() || !BarInRange(pos_.load(), lower_.load(), upper_.load())) {
        return {};
    }
    return QString::fromStdString(BarPercentText(pos_.load(), upper_.load()));
}

void PercentProgressBar::paintEvent(QPaintEvent*)
{
    std::int32_t pos = pos_.load();
    std::int32_t lower = lower_.load();
    std::int32_t upper = upper_.load();
    QPainter screen(this);
    if (!BarInRange(pos, lower, upper)) {
        screen.fillRect(rect(), palette().color(QPalette::Button));
        return;
    }
    BarPicture bar = ComposeBar(pos, lower, upper, width(), ToRgb(startColour_), ToRgb(endColour_));

    QPixmap picture(size() * devicePixelRatioF());
    picture.setDevicePixelRatio(devicePixelRatioF());
    QPainter painter(&picture);
    painter.fillRect(rect(), backColour_);
    for (const BarBand& band : bar.bands) {
        painter.fillRect(QRect(band.x0, 0, band.x1 - band.x0, height() + 1),
                         QColor(band.colour.r, band.colour.g, band.colour.b));
    }
    painter.fillRect(QRect(bar.backFrom, 0, width() - bar.backFrom, height()), backColour_);
    if (showText_.load()) {
        painter.setPen(textColour_);
        painter.setFont(font());
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, QString::fromStdString(bar.text));
    }
    painter.end();
    screen.drawPixmap(0, 0, picture);
}

} // namespace quillon
