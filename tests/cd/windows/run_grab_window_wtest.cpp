#include "run/NullRunWindow.h"
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QTest>
#include <atomic>
#include <thread>

#include "GrabberTestSupport.h"
#include "cd/windows/GrabProgressDialog.h"
#include "cd/windows/RunGrabWindow.h"
#include "run/RunWindow.h"
#include "tests/support/WidgetTestMain.h"

using namespace quillon;
using namespace quillon::testing;

namespace {

// The run's window is only the owner's stand-in here; the grab talks to its own window.
using SilentRunWindow = NullRunWindow;

} // namespace

class RunGrabWindowTest : public QObject
{
    Q_OBJECT

private slots:
    // The run's worker grabs track 2 into the temporary folder while the progress window
    // lives on this thread over the status window; then a grab is stopped by each way
    // the window offers, and each stop removes the file.
    void workerGrabsThroughTheWindowAndEveryStopRemovesTheFile()
    {
        GrabberPlace place({{false, 40}, {false, 80}}, "ATAPI | QUILLON | VIRTUAL CD | 1.0 | disc.cue | delay=10\n");
        const std::string temp = place.dir / "tmp";
        QDir().mkpath(QString::fromStdString(temp));
        ::setenv("TMP", temp.c_str(), 1);
        QVERIFY(DetectDrives(place.app.drives) == 1);
        DiscToc toc;
        int count = 0;
        QCOMPARE(place.app.drives[0].ReadToc(count, toc.data()), 1);

        QWidget status;
        status.show();
        const TempWavGrab grab = MakeWindowTempWavGrab(place.app, &status);
        SilentRunWindow runWindow;
        // Each grab makes a file of its own: "Track02-XXXXXX.wav".
        const QString pathStart = QString::fromStdString(temp + "/Track02-");

        std::vector<const StopWay*> runs = {nullptr};
        for (const StopWay& way : StopWays())
            runs.push_back(&way);
        for (const StopWay* way : runs) {
            const bool cancel = way != nullptr;
            const char* what = cancel ? way->name : "whole grab";
            FileJob job;
            job.fileName = "Track02";
            job.trackIndex = 1;
            job.cdDrive = &place.app.drives[0];
            BoxRobot robot;
            bool sawWindowOverDisabledStatus = false;
            bool pressed = false;
            bool stayedShown = false;
            QTimer watch;
            QObject::connect(&watch, &QTimer::timeout, [&] {
                auto* progress = status.findChild<GrabProgressDialog*>();
                if (progress == nullptr || !progress->isVisible())
                    return;
                if (!status.isEnabled() && progress->isEnabled() && progress->FileLine()->text().startsWith(pathStart))
                    sawWindowOverDisabledStatus = true;
                if (cancel && !pressed && progress->TrackBar()->value() >= 2) {
                    pressed = true;
                    way->stop(*progress);
                    stayedShown = progress->isVisible();
                }
            });
            watch.start(5);

            std::atomic<int> result{-1};
            std::thread worker([&] { result = grab(job, runWindow) ? 1 : 0; });
            QTRY_VERIFY_WITH_TIMEOUT(result.load() >= 0, 20000);
            worker.join();
            // The window goes through the queued calls the worker left behind.
            QTRY_VERIFY(status.findChild<GrabProgressDialog*>() == nullptr);
            QVERIFY2(sawWindowOverDisabledStatus, what);
            QVERIFY2(status.isEnabled(), what);
            if (!cancel) {
                QCOMPARE(result.load(), 1);
                QCOMPARE(job.location, temp + "/");
                QVERIFY(QString::fromStdString(job.InputPath()).startsWith(pathStart));
                QCOMPARE(ReadBinaryFile(job.InputPath()), ExpectedWav(place.disc, 1, 80));
                QVERIFY(robot.seen.isEmpty());
                std::remove(job.InputPath().c_str());
            } else {
                QVERIFY2(stayedShown, what);
                QVERIFY2(result.load() == 0, what);
                QVERIFY2(QDir(QString::fromStdString(temp)).isEmpty(), what);
                QVERIFY2(robot.seen.size() == 1, what);
                QCOMPARE(robot.seen[0].text, QStringLiteral("Reading aborted by user!"));
                QCOMPARE(robot.seen[0].icon, QMessageBox::Critical);
            }
        }
        ::unsetenv("TMP");
    }
};

QUILLON_WIDGET_TEST_MAIN(RunGrabWindowTest)
#include "run_grab_window_wtest.moc"
