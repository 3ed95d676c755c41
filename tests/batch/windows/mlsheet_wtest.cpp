// The wizard sheet: leaving page 1, the finish page, Save, Finish and Cancel, the splash.
#include "WizardTestSupport.h"
#include "tests/support/WidgetTestMain.h"

#include "batch/windows/JobTableModel.h"
#include "batch/windows/MLPage3.h"
#include "ui/SplashWindow.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QLabel>

using namespace quillon;
using namespace quillon::testing_support;

class MLSheetTest : public QObject
{
    Q_OBJECT

private:
    TempFolder folder_;
    std::unique_ptr<WizardUnderTest> w_;

    QTableView* Summary() const { return Named<QTableView>(w_->sheet->Page3(), "File list"); }

    void PressNext() { QTest::mouseClick(w_->sheet->button(QWizard::NextButton), Qt::LeftButton); }
    void PressBack() { QTest::mouseClick(w_->sheet->button(QWizard::BackButton), Qt::LeftButton); }

    void CompareSummaryWithPage1()
    {
        QCOMPARE(Summary()->model()->rowCount(), w_->jobs()->model()->rowCount());
        for (int row = 0; row < Summary()->model()->rowCount(); ++row)
            for (int column = 0; column < 7; ++column)
                QCOMPARE(w_->Cell(Summary(), row, column), w_->Cell(w_->jobs(), row, column));
    }

private slots:
    void initTestCase()
    {
        for (const char* name : {"a.wav", "b.wav", "c.wav"})
            WriteWav(folder_ / name, 2048);
        folder_.MakeFolder("out");
        folder_.MakeFolder("config");
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(folder_ / "config"));
    }

    void init()
    {
        w_ = std::make_unique<WizardUnderTest>(folder_);
        QVERIFY(w_->exposed);
        QVERIFY(w_->OpenFolder());
    }

    void cleanup() { w_.reset(); }

    void SummaryCellsAreCutBetweenCharacters()
    {
        // The summary cuts cells at 255 bytes; here byte 255 falls inside a "я".
        std::string folder = "/x";
        for (int i = 0; i < 200; ++i)
            folder += "я";
        JobList jobs;
        jobs.AddFiles({{"a.wav", "1KB"}}, folder, kActionEncode, DefaultEncodingOptions{});
        JobTableModel summary(jobs, "Options", 255);
        const QString cell = summary.Text(0, static_cast<int>(JobColumn::Location));
        QVERIFY2(!cell.contains(QChar::ReplacementCharacter), qPrintable(cell));
        QCOMPARE(cell, QString("/x") + QString(126, QChar(0x044F)));
    }

    void NextIsRefusedWithoutARealDefaultFolder()
    {
        w_->AddSourceRows(0, 0);
        const QString noFolder = "You have to select the default output directory first";
        for (const char* dir : {"@DEFAULT", "@default", "NOT SET", ""}) {
            QVERIFY(w_->app.jobs.SetDefaultOutputDirText(dir));
            BoxRobot boxes;
            PressNext();
            QVERIFY2(boxes.seen.size() == 1, dir);
            QCOMPARE(boxes.Last().title, QString("Error"));
            QCOMPARE(boxes.Last().text, noFolder);
            QCOMPARE(w_->sheet->currentPage(), static_cast<QWizardPage*>(w_->sheet->Page1()));
        }
        w_->sheet->Page1()->pickFolder = [this](const std::string&) { return std::optional(folder_ / "out"); };
        QTest::mouseClick(w_->button("Set default output dir"), Qt::LeftButton);
        PressNext();
        QCOMPARE(w_->sheet->currentPage(), static_cast<QWizardPage*>(w_->sheet->Page3()));
    }

    void NextIsRefusedWhileTwoJobsWriteOneFile()
    {
        w_->AddSourceRows(1, 1);
        w_->AddSourceRows(0, 1); // b.wav twice
        BoxRobot boxes;
        PressNext();
        QCOMPARE(boxes.seen.size(), 1);
        const BoxRobot::Seen box = boxes.Last();
        QCOMPARE(box.title, QString("Error"));
        QVERIFY2(box.text.contains(QString::fromStdString(folder_ / "out/b.mp3")), qPrintable(box.text));
        QCOMPARE(w_->sheet->currentPage(), static_cast<QWizardPage*>(w_->sheet->Page1()));

        w_->ClickRow(2);
        QLineEdit* name = w_->edit("Output file name");
        name->setFocus();
        QTest::keyClicks(name, "b-again");
        PressNext();
        QCOMPARE(w_->sheet->currentPage(), static_cast<QWizardPage*>(w_->sheet->Page3()));
    }

    void FinishPageCopiesPage1AndShowsTheDefaults()
    {
        w_->AddSourceRows(0, 2);
        PressNext();
        QCOMPARE(w_->sheet->windowTitle(), QString("Quillon 2.51 - Finish...,   Page 2 of 2"));
        CompareSummaryWithPage1();
        QCOMPARE(Summary()->model()->headerData(4, Qt::Horizontal).toString(), QString("(De)Compress Options"));
        QCOMPARE(w_->jobs()->model()->headerData(4, Qt::Horizontal).toString(), QString("Encoding Options"));
        // Each value is heard with its caption.
        const QString options("Layer 3, Bitrate 128, Stereo ,HQ ,NoCopr ,NotOrig ,NoProt ,None");
        const QString output = QString::fromStdString(folder_ / "out/");
        QCOMPARE(Named<QLabel>(w_->sheet->Page3(), "Encoding options: " + options)->text(), options);
        QCOMPARE(Named<QLabel>(w_->sheet->Page3(), "Output directory: " + output)->text(), output);
        QVERIFY(w_->sheet->button(QWizard::BackButton)->isEnabled());
        QVERIFY(w_->sheet->button(QWizard::FinishButton)->isEnabled());
        QVERIFY(w_->sheet->button(QWizard::FinishButton)->isVisible());
        QCOMPARE(w_->sheet->Page3()->palette().color(QPalette::WindowText), QColor(0, 255, 0));
        QCOMPARE(w_->sheet->Page3()->palette().brush(QPalette::Window).texture().size(), QSize(239, 146));
        QCOMPARE(w_->sheet->palette().brush(QPalette::Window).texture().size(), QSize(64, 64));

        PressBack();
        w_->ClickRow(1);
        QTest::mouseClick(w_->button("Remove File"), Qt::LeftButton);
        PressNext();
        QCOMPARE(Summary()->model()->rowCount(), 2);
        CompareSummaryWithPage1();
        QCOMPARE(w_->Cell(Summary(), 1, 0), QString("c.wav"));

        QTest::mouseClick(w_->sheet->button(QWizard::FinishButton), Qt::LeftButton);
        QCOMPARE(w_->sheet->result(), static_cast<int>(QDialog::Accepted));
        QCOMPARE(w_->app.jobs.Count(), 2); // the run reads the list as the wizard left it
    }

    void SaveWritesTheSettingsFile()
    {
        const std::string file = folder_ / "config/Norvane/Quillon/2.51.conf";
        std::filesystem::remove(file);
        w_->app.settings.options.bitrate = 192;
        w_->AddSourceRows(0, 0);
        PressNext();
        QVERIFY(!std::filesystem::exists(file)); // only Save writes
        QTest::mouseClick(Named<QAbstractButton>(w_->sheet->Page3(), "Save"), Qt::LeftButton);
        QFile saved(QString::fromStdString(file));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray text = saved.readAll();
        QVERIFY2(text.contains("Bitrate=192"), text.constData());
        QVERIFY2(text.contains(QByteArray::fromStdString("DefOutDir=" + folder_ / "out/")), text.constData());
    }

    void CancelEndsEitherPage()
    {
        w_->AddSourceRows(0, 0);
        PressNext();
        QTest::mouseClick(w_->sheet->button(QWizard::CancelButton), Qt::LeftButton);
        QCOMPARE(w_->sheet->result(), static_cast<int>(QDialog::Rejected));
        w_ = std::make_unique<WizardUnderTest>(folder_);
        QVERIFY(!w_->sheet->button(QWizard::NextButton)->isEnabled());
        QTest::mouseClick(w_->sheet->button(QWizard::CancelButton), Qt::LeftButton);
        QCOMPARE(w_->sheet->result(), static_cast<int>(QDialog::Rejected));
    }

    void EveryShowingStartsEmptyAndTheSplashComesOnce()
    {
        w_->AddSourceRows(0, 2);
        QuillonApp& app = w_->app;
        app.splashPending = true;
        const auto splashes = [] {
            int n = 0;
            for (QWidget* top : QApplication::topLevelWidgets())
                n += qobject_cast<SplashWindow*>(top) != nullptr && top->isVisible();
            return n;
        };
        for (int showing = 0; showing < 2; ++showing) {
            MLSheet sheet(app, {});
            QElapsedTimer clock;
            clock.start();
            sheet.show();
            const qint64 took = clock.elapsed();
            QCOMPARE(app.jobs.Count(), 0);
            QVERIFY(!app.splashPending);
            if (showing == 0) {
                QVERIFY2(took >= 1000, qPrintable(QString::number(took)));
            } else {
                QVERIFY2(took < 1000, qPrintable(QString::number(took)));
                QCOMPARE(splashes(), 0);
            }
            QTRY_COMPARE(splashes(), 0); // it closes itself after its second
        }
    }
};

QUILLON_WIDGET_TEST_MAIN(MLSheetTest)
#include "mlsheet_wtest.moc"
