// The desktop program from start-up to its end, through the real wizard, status window
// and codec programs: files given as arguments, Next, Finish, the final message, a new
// wizard with an empty list, Cancel.
#include "../../run/windows/WindowTestSupport.h"
#include "tests/support/WidgetTestMain.h"

#include "app/QuillonApp.h"
#include "app/windows/DesktopStart.h"
#include "batch/AddPaths.h"
#include "batch/windows/MLPage1.h"
#include "batch/windows/MLSheet.h"
#include "platform/qt/QtSettingsFile.h"
#include "run/windows/StatusDialog.h"

#include <QTest>
#include <QWizard>
#include <cstdlib>

using namespace quillon;
using namespace quillon::test;
using quillon::testing_support::TempFolder;

namespace {

MLSheet* ShownWizard()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* sheet = qobject_cast<MLSheet*>(widget);
        if (sheet && sheet->isVisible())
            return sheet;
    }
    return nullptr;
}

// Presses a wizard button once the shown wizard is on the expected page with it enabled.
StepDriver::Step Press(QWizard::WizardButton which, bool onFirstPage, int* wizardsSeen = nullptr)
{
    return [which, onFirstPage, wizardsSeen] {
        MLSheet* sheet = ShownWizard();
        if (!sheet || (sheet->currentPage() == sheet->Page1()) != onFirstPage)
            return false;
        QAbstractButton* button = sheet->button(which);
        if (!button || !button->isEnabled() || !button->isVisible())
            return false;
        if (wizardsSeen)
            ++*wizardsSeen;
        Click(button);
        return true;
    };
}

struct Program
{
    TempFolder folder;
    QuillonApp app{[](const char* name) { return std::getenv(name); }};
    UnpacedRunClock clock;
    DesktopParts parts;
    int statusWindows = 0;

    Program()
    {
        app.splashPending = false; // the splash's second is not what these tests are about
        app.settings.defaultOutputDir = folder.Path() + "/";
        parts.showWizard = ShowMLSheet;
        parts.addFiles = AddPathsToBatch;
        parts.clock = &clock;
        parts.locator = [](const char* name) { return std::string(QUILLON_BIN_DIR) + "/" + name; };
        parts.onStatusWindow = [this](StatusDialog&) { ++statusWindows; };
    }

    int Start(const std::vector<std::string>& files)
    {
        QtSettingsFile settings(folder / "no-settings.conf");
        return StartDesktop(app, settings, files, parts);
    }
};

} // namespace

class DesktopStartTest : public QObject
{
    Q_OBJECT

private slots:
    void filesConvertedAndTheWizardComesBack();
    void failureAnsweredThenCancelEnds();
};

void DesktopStartTest::filesConvertedAndTheWizardComesBack()
{
    Program program;
    program.app.splashPending = true; // the first page opens as in the program, splash and all
    program.app.settings.options.layer = 2;
    program.app.settings.options.bitrate = 192;
    WriteToneWav(program.folder / "first.wav", 1.0, 2);
    WriteToneWav(program.folder / "second.wav", 0.5, 2);

    StepDriver driver;
    int jobsOnFirstWizard = -1;
    driver.Add("Next on the first wizard", [&] {
        MLSheet* sheet = ShownWizard();
        if (!sheet || program.app.jobs.Count() < 2)
            return false;
        jobsOnFirstWizard = program.app.jobs.Count();
        return Press(QWizard::NextButton, true)();
    });
    driver.Add("Finish", Press(QWizard::FinishButton, false));
    driver.Add("\"Processing Finished.\" answered",
               Answer(QStringLiteral("Processing Finished."), nullptr, QMessageBox::Information));
    driver.Add("Cancel on a new wizard with an empty list", [&] {
        if (program.statusWindows < 2 || program.app.jobs.Count() != 0)
            return false;
        return Press(QWizard::CancelButton, true)();
    });
    driver.Start();
    const int status = program.Start({program.folder / "first.wav", program.folder / "second.wav"});
    QVERIFY2(driver.Finished(), driver.Stuck().c_str());
    QCOMPARE(status, 0);
    QCOMPARE(jobsOnFirstWizard, 2);
    QCOMPARE(program.statusWindows, 2);
    for (const char* name : {"first.mp2", "second.mp2"}) {
        const MpegStream stream = ScanMpegFrames(ReadBytes(program.folder / name));
        QVERIFY2(stream.error.empty(), stream.error.c_str());
        QVERIFY2(stream.frames.size() > 10, name);
        for (const MpegFrameHeader& frame : stream.frames) {
            QCOMPARE(frame.layer, 2);
            QCOMPARE(frame.version, 10);
        }
    }
}

void DesktopStartTest::failureAnsweredThenCancelEnds()
{
    Program program;
    program.app.settings.options.mode = 1; // stereo
    WriteToneWav(program.folder / "mono.wav", 0.5, 1);

    StepDriver driver;
    driver.Add("Next", Press(QWizard::NextButton, true));
    driver.Add("Finish", Press(QWizard::FinishButton, false));
    driver.Add("the failure answered",
               Answer(QStringLiteral("A Mono WAVE file cannot be encoded into a Stereo MPEG file.")));
    driver.Add("Cancel on the next wizard",
               [&] { return program.statusWindows == 2 && Press(QWizard::CancelButton, true)(); });
    driver.Start();
    QCOMPARE(program.Start({program.folder / "mono.wav"}), 0);
    QVERIFY2(driver.Finished(), driver.Stuck().c_str());
    QVERIFY(!std::filesystem::exists(program.folder / "mono.mp3"));
}

QUILLON_WIDGET_TEST_MAIN(DesktopStartTest)
#include "desktop_start_wtest.moc"
