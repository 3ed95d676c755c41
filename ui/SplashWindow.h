#pragma once

#include <QImage>
#include <QRegion>
#include <QString>
#include <QWidget>

namespace quillon {

// The product picture as a borderless, shaped, top-most window in the middle of the
// screen. The background around the disc and the disc's centre hole (palette index 0)
// are cut out of the window. It closes after its period or at a key or mouse-button
// press, and deletes itself when it closes: create it with new.
class SplashWindow : public QWidget
{
    Q_OBJECT

public:
    SplashWindow(QString picturePath, int periodMs);
    // A numbered picture of the program's resources (the splash is picture 141).
    SplashWindow(int pictureId, int periodMs);

    // Loads the picture, shapes, centres and shows the window and starts the timer.
    // False, with nothing shown, when the picture cannot be loaded.
    bool Create();

    // The window's shape for an 8-bit picture; an empty region (no shape) otherwise.
    static QRegion ShapeOf(const QImage& picture);

    const QImage& Picture() const { return picture_; }
    QRegion Shape() const { return region_; }
    int TimerId() const { return timerId_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void CloseSplash();

    QRegion region_;
    QString picturePath_;
    int period_;
    int timerId_ = 0;
    QImage picture_;
};

} // namespace quillon
