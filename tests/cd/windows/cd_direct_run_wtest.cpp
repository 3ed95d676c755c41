#include <QTableView>
#include <QTest>
#include <dirent.h>
#include <filesystem>

#include "GrabberTestSupport.h"
#include "batch/windows/MLPage3.h"
#include "batch/windows/MLSheet.h"
#include "cd/windows/FlatButton.h"
#include "cd/windows/GrabProgressDialog.h"
#include "cd/windows/GrabberDialog.h"
#include "cd/windows/RunGrabWindow.h"
#include "run/RunClock.h"
#include "run/windows/StatusDialog.h"
#include "tests/support/Id3v2Length.h"
#include "tests/support/WidgetTestMain.h"

using namespace quillon;
using namespace quillon::testing;

namespace {

std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

class CdDirectRunTest : public QObject
{
    Q_OBJECT

private slots:
    // Page 1's "Select audio tracks" opens the grabber, O&K hands tracks 1 and 3 over,
    // Next and Finish start the status window's run, which grabs each track into a
    // temporary WAV file with the progress window over it, encodes it with l3.dll and
    // appends the track's tag.
    void grabberOkThenTheRunMakesTaggedMpegFiles()
    {
        GrabberPlace place({{false, 300}, {false, 450}, {false, 225}},
                           "ATAPI | QUILLON | VIRTUAL CD | 1.0 | disc.cue | delay=2\n");
        const std::string temp = place.dir / "tmp";
        const std::string out = place.dir / "out";
        std::filesystem::create_directories(temp);
        std::filesystem::create_directories(out);
        ::setenv("TMP", temp.c_str(), 1);

        BoxRobot robot;
        bool ticked = false;
        bool progressOverDisabledStatus = false;
        StatusDialog* status = nullptr;
        place.app.splashPending = false;
        enum { OpenGrabber, LeavePage1, Finish, Done } step = OpenGrabber;
        QTimer driver;
        // Clicks that open a modal window are queued, so that the driver keeps running.
        const auto later = [](QAbstractButton* button) {
            QTimer::singleShot(0, button, [button] { button->click(); });
        };
        QObject::connect(&driver, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* sheet = qobject_cast<MLSheet*>(w);
                if (sheet && sheet->isVisible() && QApplication::activeModalWidget() == sheet) {
                    QPushButton* tracks = nullptr;
                    for (QPushButton* b : sheet->findChildren<QPushButton*>())
                        if (b->accessibleName() == QStringLiteral("Select audio tracks"))
                            tracks = b;
                    if (step == OpenGrabber && tracks && tracks->isEnabled()) {
                        step = LeavePage1;
                        later(tracks);
                    } else if (step == LeavePage1 && ticked && place.app.jobs.Count() == 2) {
                        step = Finish;
                        later(sheet->button(QWizard::NextButton));
                    } else if (step == Finish && sheet->currentPage() == sheet->Page3()) {
                        step = Done;
                        later(sheet->button(QWizard::FinishButton));
                    }
                }
                auto* grabber = qobject_cast<GrabberDialog*>(w);
                if (grabber && grabber->isVisible() && !ticked) {
                    ticked = true;
                    QAbstractItemModel* tracks = grabber->findChild<QTableView*>(QStringLiteral("tracks"))->model();
                    tracks->setData(tracks->index(0, 0), Qt::Checked, Qt::CheckStateRole);
                    tracks->setData(tracks->index(2, 0), Qt::Checked, Qt::CheckStateRole);
                    QTest::mouseClick(grabber->findChild<FlatButton*>(QStringLiteral("ok")), Qt::LeftButton);
                }
                auto* progress = qobject_cast<GrabProgressDialog*>(w);
                if (progress && progress->isVisible() && status && !status->isEnabled() &&
                    progress->parentWidget() == status)
                    progressOverDisabledStatus = true;
            }
        });
        driver.start(5);

        UnpacedRunClock clock;
        const std::string codecDir = QUILLON_BIN_DIR;
        status = new StatusDialog(
            [&](QWidget* parent) {
                MLSheet sheet(place.app, OpenGrabberDialog, parent);
                return sheet.exec() == QDialog::Accepted;
            },
            [&](RunWindow& window) {
                return std::make_unique<ConversionRun>(
                    place.app.jobs, window, clock, MakeWindowTempWavGrab(place.app, dynamic_cast<QWidget*>(&window)),
                    [&](const char* program) { return codecDir + "/" + program; });
            });
        QCOMPARE(status->exec(), kRunResultAgain);
        delete status;
        status = nullptr;
        ::unsetenv("TMP");

        QVERIFY(ticked);
        QCOMPARE(int(step), int(Done));
        QVERIFY(progressOverDisabledStatus);
        QVERIFY(!robot.seen.isEmpty());
        QCOMPARE(robot.seen.last().text, QStringLiteral("Processing Finished."));
        QCOMPARE(FilesIn(out), (std::vector<std::string>{"Track01.mp3", "Track03.mp3"}));
        QVERIFY(FilesIn(temp).empty());
        for (int i = 0; i < 2; ++i) {
            const std::vector<uint8_t> mpeg = ReadBinaryFile(out + "/" + FilesIn(out)[i]);
            // The ID3v2 tag, then the MPEG frames.
            const size_t frames = testing_support::Id3v2Length(mpeg);
            QVERIFY(frames > 0);
            QVERIFY(mpeg.size() > frames + 1000);
            QCOMPARE(int(mpeg[frames]), 0xFF);
            QCOMPARE(int(mpeg[frames + 1] & 0xE0), 0xE0);
            const FileJob& job = place.app.jobs.Job(i);
            QVERIFY(std::equal(job.tagBlock->begin(), job.tagBlock->end(), mpeg.end() - 128));
            QCOMPARE(std::string(reinterpret_cast<const char*>(&mpeg[mpeg.size() - 125])),
                     std::string(i == 0 ? "Track01" : "Track03"));
        }
    }
};

QUILLON_WIDGET_TEST_MAIN(CdDirectRunTest)
#include "cd_direct_run_wtest.moc"
