#include <QPointer>
#include <QTest>

#include "res/Pictures.h"
#include "tests/support/WidgetTestMain.h"
#include "ui/SplashWindow.h"

using namespace quillon;

namespace {

QPointer<SplashWindow> ShowSplash(int period = 60000)
{
    auto* splash = new SplashWindow(QString::fromLatin1(pictures::kSplashPath), period);
    if (!splash->Create()) {
        delete splash;
        return nullptr;
    }
    return splash;
}

bool GoneAfterEvents(const QPointer<SplashWindow>& splash)
{
    for (int i = 0; i < 50 && !splash.isNull(); ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QTest::qWait(5);
    }
    return splash.isNull();
}

} // namespace

class SplashWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void showsTheShapedPictureOnTop()
    {
        QPointer<SplashWindow> splash = ShowSplash();
        QVERIFY(splash);
        QVERIFY(splash->isVisible());
        QCOMPARE(splash->size(), QSize(460, 300));
        QVERIFY(splash->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(splash->windowFlags() & Qt::FramelessWindowHint);
        const QImage& picture = splash->Picture();
        QCOMPARE(picture.format(), QImage::Format_Indexed8);
        QCOMPARE(picture.colorTable().size(), 256);
        QCOMPARE(picture.color(0), qRgb(255, 255, 255));

        QRegion shape = splash->mask();
        QVERIFY(!shape.isEmpty());
        QVERIFY(!shape.contains(QPoint(3, 3))); // white corner
        QVERIFY(!shape.contains(QPoint(456, 296)));
        QVERIFY(!shape.contains(QPoint(230, 150))); // centre hole
        QVERIFY(shape.contains(QPoint(230, 20)));   // on the disc, above the hole
        QVERIFY(shape.contains(QPoint(120, 150)));  // on the disc, left of the hole

        // The shape follows the picture: index 0 out, everything else in, but for the
        // outline's own pixels.
        long wrong = 0;
        long opaque = 0;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                bool isOpaque = picture.pixelIndex(x, y) != 0;
                opaque += isOpaque;
                wrong += shape.contains(QPoint(x, y)) != isOpaque;
            }
        }
        QVERIFY2(wrong < opaque / 50, qPrintable(QString("%1 of %2 pixels disagree").arg(wrong).arg(opaque)));
        splash->close();
        QVERIFY(GoneAfterEvents(splash));
    }

    void keyPressCloses()
    {
        QPointer<SplashWindow> splash = ShowSplash();
        QVERIFY(splash);
        QTest::keyClick(splash.data(), Qt::Key_Space);
        QVERIFY(GoneAfterEvents(splash));
    }

    void mouseButtonsClose_data()
    {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::newRow("left") << Qt::LeftButton;
        QTest::newRow("right") << Qt::RightButton;
        QTest::newRow("middle") << Qt::MiddleButton;
    }

    void mouseButtonsClose()
    {
        QFETCH(Qt::MouseButton, button);
        QPointer<SplashWindow> splash = ShowSplash();
        QVERIFY(splash);
        QTest::mousePress(splash.data(), button, {}, QPoint(230, 30));
        QVERIFY(GoneAfterEvents(splash));
    }

    void timerCloses()
    {
        QPointer<SplashWindow> splash = ShowSplash(50);
        QVERIFY(splash);
        QVERIFY(splash->TimerId() != 0);
        QTRY_VERIFY_WITH_TIMEOUT(splash.isNull() || !splash->isVisible(), 5000);
        QVERIFY(GoneAfterEvents(splash));
    }

    void numberedPictureIsTheSplash()
    {
        auto* splash = new SplashWindow(pictures::kSplash, 60000);
        QPointer<SplashWindow> guard(splash);
        QVERIFY(splash->Create());
        QCOMPARE(splash->Picture().size(), QSize(460, 300));
        splash->close();
        QVERIFY(GoneAfterEvents(guard));
    }

    void missingPictureShowsNothing()
    {
        SplashWindow splash(QStringLiteral(":/pictures/no-such-picture.bmp"), 1000);
        QVERIFY(!splash.Create());
        QVERIFY(!splash.isVisible());
        QCOMPARE(splash.TimerId(), 0);
    }
};

QUILLON_WIDGET_TEST_MAIN(SplashWindowTest)
#include "splash_window_wtest.moc"
