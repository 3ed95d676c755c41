// The status window on its own: the figures a refresh shows, Cancel while a codec program
// is fed, a run that stops after "Error: Cannot open the input file", a cancelled wizard.
#include "WindowTestSupport.h"
#include "tests/support/WidgetTestMain.h"

#include "batch/JobList.h"
#include "run/StatusFigures.h"
#include "run/windows/StatusDialog.h"
#include "run/windows/StatusText.h"
#include "ui/EllipsisLabel.h"
#include "ui/PercentProgressBar.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <cerrno>
#include <sys/wait.h>
#include <thread>

using namespace quillon;
using namespace quillon::test;
using quillon::testing_support::TempFolder;

namespace {

QString FieldText(const StatusDialog& window, const char* name)
{
    const auto* field = window.findChild<StatusText*>(QString::fromLatin1(name));
    return field ? field->text() : QStringLiteral("<no field %1>").arg(QString::fromLatin1(name));
}

} // namespace

class StatusDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void initialTexts();
    void figuresAfterRefresh();
    void cancelWhileFeedingAbortsTheRun();
    void inputNotOpenedStaysOpenUntilCancel();
    void cancelledWizardEndsTheApplication();
};

void StatusDialogTest::initialTexts()
{
    StatusDialog window({}, {});
    QCOMPARE(window.windowTitle(), QStringLiteral("Quillon 2.5 - Process Status..."));
    const std::pair<const char*, const char*> initial[] = {
        {"elapsed", "00:00:00"},
        {"remaining", "00:00:00"},
        {"bitrate", "0kbps"},
        {"fileNumber", "1"},
        {"fileCount", "1"},
        {"speed", "FPS"},
        {"sizes", "0MB Compressed to 0MB"},
        {"frame", "   "},
        {"frameTotal", ""},
    };
    for (const auto& [name, text] : initial)
        QVERIFY2(FieldText(window, name) == QString::fromLatin1(text), name);
    auto* cancel = window.findChild<QPushButton*>(QStringLiteral("cancel"));
    QVERIFY(cancel);
    QCOMPARE(cancel->text(), QStringLiteral("&Cancel !"));
    QCOMPARE(cancel->accessibleName(), QStringLiteral("Cancel !"));
    QCOMPARE(window.findChild<EllipsisLabel*>(QStringLiteral("inputPath"))->accessibleName(),
             QStringLiteral("Input File:"));
}

// The figures reach the window from another thread, as the run's refresh does. The
// program runs once more under de_DE.UTF-8: the sizes keep their decimal point.
void StatusDialogTest::figuresAfterRefresh()
{
    struct Row
    {
        const char* what;
        StatusInputs in;
        std::vector<std::pair<const char*, const char*>> fields;
        int currentBar, overallBar; // -1: not moved
    };
    StatusInputs encode;
    encode.inputSize = 46'080'044;
    encode.inputPosition = 1'000'000;
    encode.bytesFed = 999'956;
    encode.bitrate = 128;
    encode.bitrateText = "128 kbps";
    encode.elapsedSeconds = 10;
    StatusInputs lateEncode = encode;
    lateEncode.elapsedSeconds = 25 * 3600;
    lateEncode.doneKiB = 500;
    StatusInputs decode;
    decode.encode = false;
    decode.inputSize = 2'000'000;
    decode.inputPosition = 500'000;
    decode.bytesFed = 499'000;
    decode.bitrateText = "N/A";
    decode.elapsedSeconds = 3;
    decode.outputLength = 4608 * 37;
    StatusInputs closedInput = encode;
    closedInput.inputPosition.reset();

    const Row rows[] = {
        {"encode at 10 s",
         encode,
         {{"frameTotal", "10000"},
          {"bitrate", "128 kbps"},
          {"frame", "  215  "},
          {"elapsed", "00:00:10"},
          {"speed", " [21] Frames / second. "},
          {"remaining", "00:07:46"},
          {"sizes", "0MB Compressed to 0.1MB"}},
         1000,
         976},
        {"encode after 25 hours",
         lateEncode,
         {{"elapsed", "01:00:00"}, {"speed", " [0] Frames / second. "}, {"remaining", "00:00:00"}},
         1000,
         1476},
        {"decode",
         decode,
         {{"frameTotal", "N/A"}, {"bitrate", "N/A"}, {"frame", "   "}, {"sizes", "-"}, {"elapsed", "00:00:03"}},
         500,
         488},
        {"input closed",
         closedInput,
         {{"frameTotal", "10000"}, {"frame", "   "}, {"elapsed", "00:00:00"}, {"sizes", "0MB Compressed to 0MB"}},
         -1,
         -1},
    };
    for (const Row& row : rows) {
        StatusDialog window({}, {});
        window.show();
        window.SetCurrentRange(100'000);
        window.SetOverallRange(100'000);
        std::thread worker([&] { window.ShowFigures(ComputeStatusFigures(row.in)); });
        worker.join();
        QCoreApplication::processEvents();
        for (const auto& [name, text] : row.fields)
            QVERIFY2(FieldText(window, name) == QString::fromLatin1(text),
                     qPrintable(QStringLiteral("%1: %2 shows '%3', not '%4'")
                                    .arg(QString::fromLatin1(row.what), QString::fromLatin1(name),
                                         FieldText(window, name), QString::fromLatin1(text))));
        const auto* current = window.findChild<PercentProgressBar*>(QStringLiteral("currentBar"));
        const auto* overall = window.findChild<PercentProgressBar*>(QStringLiteral("overallBar"));
        QVERIFY2(current->GetPos() == (row.currentBar < 0 ? 0 : row.currentBar), row.what);
        QVERIFY2(overall->GetPos() == (row.overallBar < 0 ? 0 : row.overallBar), row.what);
    }
}

void StatusDialogTest::cancelWhileFeedingAbortsTheRun()
{
    TempFolder folder;
    WriteToneWav(folder / "long.wav", 10.0, 2);
    WriteToneWav(folder / "later.wav", 1.0, 2);
    const std::string codec = WriteSlowCodec(folder.Path());
    JobList jobs;
    QVERIFY(jobs.SetDefaultOutputDir(folder.Path() + "/"));
    DefaultEncodingOptions options;
    QVERIFY(jobs.AddFiles({{"long.wav", "1723K"}, {"later.wav", "173K"}}, folder.Path() + "/", 1, options));
    UnpacedRunClock clock;

    auto* window = new StatusDialog([](QWidget*) { return true; },
                                    [&](RunWindow& w) {
                                        return std::make_unique<ConversionRun>(jobs, w, clock, TempWavGrab{},
                                                                               [&](const char*) { return codec; });
                                    });
    auto* cancel = window->findChild<QPushButton*>(QStringLiteral("cancel"));
    auto* current = window->findChild<PercentProgressBar*>(QStringLiteral("currentBar"));
    auto* log = window->findChild<QPlainTextEdit*>(QStringLiteral("log"));
    StepDriver driver;
    driver.Add("the feed has begun", [&] { return current->GetPos() > 0 && window->isVisible(); });
    driver.Add("Cancel", [&] {
        Click(cancel);
        return true;
    });
    QString seen;
    driver.Add("\"Process aborted\" answered", Answer(QStringLiteral("Process aborted"), &seen, QMessageBox::Warning));
    driver.Start();
    const int result = window->exec();
    QVERIFY2(driver.Finished(),
             qPrintable(QStringLiteral("stuck at %1 (box: '%2')").arg(QString::fromStdString(driver.Stuck()), seen)));
    QCOMPARE(result, kRunResultAgain);
    QVERIFY(log->toPlainText().contains(QStringLiteral("slow codec started")));
    QCOMPARE(window->windowTitle(), QStringLiteral("Quillon- (File 1 of 2)"));
    delete window; // joins the worker; the codec program is reaped with the run

    // A cancelled job leaves no output and no partial file beside it.
    QVERIFY(!std::filesystem::exists(folder / "later.mp3"));
    QVERIFY(!std::filesystem::exists(folder / "long.mp3"));
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path()))
        QVERIFY2(entry.path().filename().string()[0] != '.', qPrintable(QString::fromStdString(entry.path())));
    errno = 0;
    QCOMPARE(waitpid(-1, nullptr, WNOHANG), -1);
    QCOMPARE(errno, ECHILD);
}

void StatusDialogTest::inputNotOpenedStaysOpenUntilCancel()
{
    TempFolder folder;
    JobList jobs;
    QVERIFY(jobs.SetDefaultOutputDir(folder.Path() + "/"));
    QVERIFY(jobs.AddFiles({{"gone.wav", "1K"}}, folder.Path() + "/", 1, DefaultEncodingOptions{}));
    UnpacedRunClock clock;
    StatusDialog window([](QWidget*) { return true; },
                        [&](RunWindow& w) { return std::make_unique<ConversionRun>(jobs, w, clock); });
    auto* cancel = window.findChild<QPushButton*>(QStringLiteral("cancel"));
    StepDriver driver;
    driver.Add("the failure answered",
               Answer(QString::fromStdString("Error: Cannot open the input file " + folder.Path() +
                                             "/gone.wav: No such file or directory")));
    auto answered = std::chrono::steady_clock::now();
    driver.Add("the run has ended", [&] {
        answered = std::chrono::steady_clock::now();
        return window.Run()->End() == RunEnd::Failed;
    });
    bool openAfterwards = false;
    driver.Add("still open a while later", [&] {
        if (std::chrono::steady_clock::now() - answered < std::chrono::milliseconds(300))
            return false;
        openAfterwards = window.isVisible();
        return true;
    });
    driver.Add("Cancel", [&] {
        Click(cancel);
        return true;
    });
    driver.Start();
    QCOMPARE(window.exec(), kRunResultQuit);
    QVERIFY2(driver.Finished(), driver.Stuck().c_str());
    QVERIFY(openAfterwards);
}

void StatusDialogTest::cancelledWizardEndsTheApplication()
{
    bool runMade = false;
    StatusDialog window([](QWidget* parent) { return parent == nullptr; },
                        [&](RunWindow&) {
                            runMade = true;
                            return std::unique_ptr<ConversionRun>();
                        });
    QCOMPARE(window.exec(), kRunResultQuit);
    QVERIFY(!runMade);
    QVERIFY(!window.isVisible());
}

QUILLON_WIDGET_TEST_MAIN(StatusDialogTest)
#include "status_dialog_wtest.moc"
