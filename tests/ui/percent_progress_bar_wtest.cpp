#include <QImage>
#include <QTest>
#include <algorithm>
#include <thread>

#include "tests/support/WidgetTestMain.h"
#include "ui/PercentProgressBar.h"

using namespace quillon;

class PercentProgressBarTest : public QObject
{
    Q_OBJECT

private:
    static QImage Paint(PercentProgressBar& bar)
    {
        QCoreApplication::processEvents();
        return bar.grab().toImage();
    }

private slots:
    void emptyAtAndBeyondTheBounds_data()
    {
        QTest::addColumn<int>("lower");
        QTest::addColumn<int>("upper");
        QTest::addColumn<int>("pos");
        QTest::newRow("at lower") << 0 << 100 << 0;
        QTest::newRow("at upper") << 0 << 100 << 100;
        QTest::newRow("beyond upper") << 0 << 100 << 250;
        QTest::newRow("below lower") << 10 << 100 << 3;
    }

    void emptyAtAndBeyondTheBounds()
    {
        QFETCH(int, lower);
        QFETCH(int, upper);
        QFETCH(int, pos);
        PercentProgressBar bar;
        bar.resize(200, 20);
        bar.SetShowText(true);
        bar.SetRange(lower, upper);
        bar.SetPos(pos);
        QImage image = Paint(bar);
        QRgb face = bar.palette().color(QPalette::Button).rgb();
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                QCOMPARE(image.pixel(x, y), face);
            }
        }
        QCOMPARE(bar.PaintedText(), QString());
    }

    void halfOfTwoHundredPixels()
    {
        PercentProgressBar bar;
        bar.resize(200, 20);
        bar.SetShowText(true);
        bar.SetPos(50);
        QCOMPARE(bar.PaintedText(), QStringLiteral("50%"));
        QImage image = Paint(bar);
        BarPicture expected = ComposeBar(50, 0, 100, 200, {255, 0, 0}, {0, 0, 255});
        QVERIFY(expected.backFrom > 100 && expected.backFrom < 103);
        // Row 1 is clear of the centred text. Narrower than 255 bands, some bands are
        // empty: x = 0 shows the first band that has width.
        auto firstWide =
            std::find_if(expected.bands.begin(), expected.bands.end(), [](const BarBand& band) { return band.x1 > 0; });
        QCOMPARE(QColor(image.pixel(0, 1)), QColor(firstWide->colour.r, firstWide->colour.g, firstWide->colour.b));
        QVERIFY(QColor(image.pixel(0, 1)).red() >= 250);
        const BarBand& last = expected.bands.back();
        QCOMPARE(QColor(image.pixel(expected.backFrom - 1, 1)), QColor(last.colour.r, last.colour.g, last.colour.b));
        QCOMPARE(QColor(image.pixel(expected.backFrom, 1)), bar.GetBackColour());
        QCOMPARE(QColor(image.pixel(199, 1)), bar.GetBackColour());
        // The white text is drawn somewhere in the middle.
        bool white = false;
        for (int x = 80; x < 120 && !white; ++x) {
            for (int y = 0; y < 20 && !white; ++y) {
                white = QColor(image.pixel(x, y)) == QColor(Qt::white);
            }
        }
        QVERIFY(white);
    }

    void percentTexts_data()
    {
        QTest::addColumn<int>("upper");
        QTest::addColumn<int>("pos");
        QTest::addColumn<QString>("text");
        QTest::newRow("1 of 3") << 3 << 1 << "33%";
        QTest::newRow("2 of 3") << 3 << 2 << "67%";
        QTest::newRow("beyond 16 bits") << 100000 << 50000 << "50%";
    }

    void percentTexts()
    {
        QFETCH(int, upper);
        QFETCH(int, pos);
        QFETCH(QString, text);
        PercentProgressBar bar;
        bar.resize(300, 20);
        QCOMPARE(bar.PaintedText(), QString()); // no text until asked for
        bar.SetShowText(true);
        bar.SetRange(0, upper);
        bar.SetPos(pos);
        QCOMPARE(bar.PaintedText(), text);
        QImage image = Paint(bar);
        int fill = ComposeBar(pos, 0, upper, 300, {255, 0, 0}, {0, 0, 255}).backFrom;
        QVERIFY(QColor(image.pixel(fill - 1, 1)) != bar.GetBackColour());
        QCOMPARE(QColor(image.pixel(fill, 1)), bar.GetBackColour());
    }

    void stepItCountsPastTheUpperBound()
    {
        PercentProgressBar bar;
        bar.resize(100, 10);
        QCOMPARE(bar.SetStep(30), 10);
        QCOMPARE(bar.StepIt(), 0);
        QCOMPARE(bar.StepIt(), 30);
        QCOMPARE(bar.StepIt(), 60);
        QCOMPARE(bar.StepIt(), 90);
        QCOMPARE(bar.GetPos(), 120);
        QCOMPARE(bar.StepIt(), 100); // the 16-bit control stops at its bound
        QCOMPARE(bar.GetPos(), 150);
        QCOMPARE(bar.PaintedText(), QString());
        bar.SetShowText(true);
        QCOMPARE(bar.PaintedText(), QString());
        QCOMPARE(bar.SetPos(40), 100);
        QCOMPARE(bar.PaintedText(), QStringLiteral("40%"));
        bar.SetRange(0, 200);
        QCOMPARE(bar.GetPos(), 0);
    }

    void workerCallsReachTheBarThroughItsThread()
    {
        PercentProgressBar bar;
        bar.resize(100, 10);
        std::thread worker([&bar] {
            bar.SetRange(0, 1000);
            for (int i = 1; i <= 500; ++i) {
                bar.SetPos(i);
            }
        });
        worker.join();
        QCOMPARE(bar.GetPos(), 500);
        // The underlying control is only touched on the bar's own thread.
        QCOMPARE(bar.value(), 0);
        QCoreApplication::processEvents();
        QCOMPARE(bar.maximum(), 1000);
        QCOMPARE(bar.value(), 500);
    }

    void paintsWithoutEraseForNoFlicker()
    {
        PercentProgressBar bar;
        QVERIFY(bar.testAttribute(Qt::WA_OpaquePaintEvent));
        QCOMPARE(bar.GetStartColour(), QColor(255, 0, 0));
        QCOMPARE(bar.GetEndColour(), QColor(0, 0, 255));
        QCOMPARE(bar.GetTextColour(), QColor(255, 255, 255));
    }
};

QUILLON_WIDGET_TEST_MAIN(PercentProgressBarTest)
#include "percent_progress_bar_wtest.moc"
