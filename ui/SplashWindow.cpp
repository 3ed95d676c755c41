#include "ui/SplashWindow.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QScreen>
#include <QTimerEvent>

#include "res/Pictures.h"
#include "ui/core/SplashShape.h"

namespace quillon {

SplashWindow::SplashWindow(QString picturePath, int periodMs)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      picturePath_(std::move(picturePath)), period_(periodMs)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::StrongFocus);
}

SplashWindow::SplashWindow(int pictureId, int periodMs)
    : SplashWindow(QString::fromLatin1(pictures::PicturePath(pictureId)), periodMs)
{}

static QPolygon ToPolygon(const std::vector<ShapePoint>& points)
{
    QPolygon polygon;
    polygon.reserve(static_cast<int>(points.size()));
    for (const ShapePoint& point : points) {
        polygon.append(QPoint(point.x, point.y));
    }
    return polygon;
}

QRegion SplashWindow::ShapeOf(const QImage& picture)
{
    if (picture.format() != QImage::Format_Indexed8) {
        return {};
    }
    // The scans want one byte per pixel with rows back to back; image rows may be padded.
    int w = picture.width();
    int h = picture.height();
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y) {
        const uchar* row = picture.constScanLine(y);
        std::copy(row, row + w, pixels.begin() + static_cast<std::ptrdiff_t>(y) * w);
    }
    SplashOutline outline = ScanSplashOutline(pixels, w, h);
    QRegion outer(ToPolygon(outline.outer), Qt::WindingFill);
    QRegion hole(ToPolygon(outline.hole), Qt::WindingFill);
    return outer.xored(hole);
}

bool SplashWindow::Create()
{
    picture_ = QImage(picturePath_);
    if (picture_.isNull()) {
        return false;
    }
    // An indexed picture carries its own palette (its colour table), which Qt applies
    // when drawing it; nothing needs realising on today's displays.
    resize(picture_.size());
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->geometry();
        move(area.center() - QPoint(picture_.width() / 2, picture_.height() / 2));
    }
    region_ = ShapeOf(picture_);
    if (!region_.isEmpty()) {
        setMask(region_);
    }
    show();
    activateWindow();
    setFocus();
    repaint();
    timerId_ = startTimer(period_);
    return true;
}

void SplashWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(QRect(0, 0, width(), height()), picture_);
}

void SplashWindow::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == timerId_) {
        CloseSplash();
        return;
    }
    QWidget::timerEvent(event);
}

void SplashWindow::keyPressEvent(QKeyEvent*)
{
    CloseSplash();
}

void SplashWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton ||
        event->button() == Qt::MiddleButton) {
        CloseSplash();
        return;
    }
    QWidget::mousePressEvent(event);
}

void SplashWindow::CloseSplash()
{
    if (timerId_ != 0) {
        killTimer(timerId_);
        timerId_ = 0;
    }
    close();
}

} // namespace quillon
