// The input and output page and the options dialog, worked as a user works them.
#include "WizardTestSupport.h"
#include "tests/support/ShellRun.h"
#include "tests/support/WidgetTestMain.h"

#include "batch/windows/FileOptionsDialog.h"

#include <QComboBox>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QRadioButton>
#include <QUrl>

#include <sys/stat.h>

using namespace quillon;
using namespace quillon::testing_support;

class MLPage1Test : public QObject
{
    Q_OBJECT

private:
    TempFolder folder_;
    std::unique_ptr<WizardUnderTest> w_;

    QStringList JobColumn(int column) const
    {
        QStringList texts;
        for (int row = 0; row < w_->jobs()->model()->rowCount(); ++row)
            texts << w_->Cell(w_->jobs(), row, column);
        return texts;
    }

    void CheckJobButtons(bool enabled)
    {
        for (const char* name : {"Encoding Options", "Clear list", "Remove File", "Output dir"})
            QVERIFY2(w_->button(name)->isEnabled() == enabled, name);
        QCOMPARE(w_->sheet->button(QWizard::NextButton)->isEnabled(), enabled);
        QVERIFY(!w_->sheet->button(QWizard::BackButton)->isEnabled());
    }

private slots:
    void initTestCase()
    {
        for (const char* name : {"c.wav", "a.wav", "B.WAV"})
            WriteWav(folder_ / name, 4096);
        WriteWav(folder_ / "k.mp2xy", 16);
        folder_.MakeFile("x.mp3", 3000);
        folder_.MakeFile("y.mp2", 5000);
        folder_.MakeFile("k.mp2xyz9", 10);
        folder_.MakeFile("notes.txt", 10);
        folder_.MakeFolder("out");
        folder_.MakeFolder("other");
        const CliRun made = RunShell("cd '" + folder_ / "other" +
                                     "' && sox -n -r 44100 -c 2 -b 16 s.wav synth 2 sine 440 && "
                                     "flac -s -o a.flac s.wav && flac -s --best -o B.FLAC s.wav && "
                                     "oggenc -Q -o c.ogg s.wav && opusenc --quiet s.wav d.opus && "
                                     "sox s.wav e.aiff && rm s.wav 2>&1");
        QVERIFY2(made.status == 0, made.out.c_str());
    }

    void init()
    {
        w_ = std::make_unique<WizardUnderTest>(folder_);
        QVERIFY(w_->exposed);
        QVERIFY(w_->OpenFolder());
    }

    void cleanup() { w_.reset(); }

    void AddsInNameOrderMixesActionsAndFollowsTheCount()
    {
        CheckJobButtons(false);
        QCOMPARE(Named<QLabel>(w_->sheet.get(), "Selected files: 0")->text(), QString("0"));
        QCOMPARE(w_->sources()->ItemCount(), 3); // *.wav, any case
        w_->AddSourceRows(0, 2);
        QCOMPARE(JobColumn(0), QStringList({"a.wav", "B.WAV", "c.wav"}));
        QCOMPARE(w_->app.jobs.Selected(), 2);
        QCOMPARE(w_->jobs()->selectionModel()->selectedRows().value(0).row(), 2);
        QCOMPARE(Named<QLabel>(w_->sheet.get(), "Selected files: 3")->text(), QString("  3"));
        CheckJobButtons(true);

        QTest::mouseClick(w_->button("Decode"), Qt::LeftButton);
        QCOMPARE(w_->edit("Filter mask")->text(), QString("*.mp?"));
        QVERIFY(!w_->button("Select audio tracks")->isEnabled());
        QTRY_COMPARE(w_->sources()->ItemCount(), 2);
        w_->AddSourceRows(0, 1);
        QCOMPARE(JobColumn(3), QStringList({"Encode", "Encode", "Encode", "Decode", "Decode"}));
        QCOMPARE(JobColumn(4).last(), QString("None"));
        QCOMPARE(JobColumn(4).first(), QString("lr: 3,128kbps,Stereo,HQ,NoCopr,NotOrig,NoProt,None"));
        QCOMPARE(JobColumn(5), QStringList({"a.mp3", "B.mp3", "c.mp3", "x.wav", "y.wav"}));
        QCOMPARE(JobColumn(2).last(), QString("4K"));
        QCOMPARE(JobColumn(6).first(), QString("@DEFAULT"));
        QCOMPARE(JobColumn(1).first(), QString::fromStdString(folder_.Path() + "/"));

        // Only the first seven characters of a mask count; the action stays Decode.
        QLineEdit* mask = w_->edit("Filter mask");
        mask->clear();
        QTest::keyClicks(mask, "*.mp2xyz9");
        QCOMPARE(w_->tree()->mask, std::string("*.mp2xy"));
        QTRY_COMPARE(w_->sources()->ItemCount(), 1);
        QCOMPARE(w_->sources()->FileName(0), std::string("k.mp2xy"));
        w_->AddSourceRows(0, 0);
        QCOMPARE(w_->app.jobs.Job(5).action, kActionDecode);

        QTest::mouseClick(w_->button("Encode"), Qt::LeftButton);
        QCOMPARE(w_->edit("Filter mask")->text(), QString("*.wav"));
        QVERIFY(w_->button("Select audio tracks")->isEnabled());

        // Removing the first of several selects the new first row; the last removal
        // disables the buttons again.
        w_->ClickRow(0);
        QTest::mouseClick(w_->button("Remove File"), Qt::LeftButton);
        QCOMPARE(JobColumn(0).first(), QString("B.WAV"));
        QCOMPARE(w_->app.jobs.Selected(), 0);
        while (w_->app.jobs.Count() > 0)
            QTest::mouseClick(w_->button("Remove File"), Qt::LeftButton);
        CheckJobButtons(false);
        QCOMPARE(Named<QLabel>(w_->sheet.get(), "Selected files: 0")->text(), QString("  0"));
    }

    // Encode jobs of the audio files the run decodes itself: listed by their mask, added
    // and dropped, each row with its file's own size.
    void OtherAudioFilesBecomeEncodeJobs()
    {
        QVERIFY(w_->OpenFolder("other"));
        QCOMPARE(w_->sources()->ItemCount(), 0); // the first mask is still "*.wav"
        QLineEdit* mask = w_->edit("Filter mask");
        mask->clear();
        QTest::keyClicks(mask, "*.flac");
        QTRY_COMPARE(w_->sources()->ItemCount(), 2);
        w_->AddSourceRows(0, 1);

        QMimeData data;
        QList<QUrl> urls;
        for (const char* name : {"c.ogg", "d.opus", "e.aiff"})
            urls << QUrl::fromLocalFile(QString::fromStdString(folder_ / ("other/" + std::string(name))));
        data.setUrls(urls);
        QWidget* target = w_->jobs()->viewport();
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        BoxRobot boxes;
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        QVERIFY2(boxes.seen.empty(), boxes.seen.empty() ? "" : qPrintable(boxes.Last().text));

        const QStringList names = {"a.flac", "B.FLAC", "c.ogg", "d.opus", "e.aiff"};
        QCOMPARE(JobColumn(0), names);
        QCOMPARE(JobColumn(3), QStringList(names.size(), "Encode"));
        QCOMPARE(JobColumn(5), QStringList({"a.mp3", "B.mp3", "c.mp3", "d.mp3", "e.mp3"}));
        for (int row = 0; row < names.size(); ++row) {
            struct stat info;
            QCOMPARE(::stat((folder_ / ("other/" + names[row].toStdString())).c_str(), &info), 0);
            QCOMPARE(JobColumn(2)[row], QString::fromStdString(SizeText(static_cast<uint64_t>(info.st_size))));
        }
        QVERIFY(w_->sheet->button(QWizard::NextButton)->isEnabled());
    }

    void ClearAsksFirst()
    {
        w_->AddSourceRows(0, 1);
        BoxRobot boxes(QMessageBox::No);
        QTest::mouseClick(w_->button("Clear list"), Qt::LeftButton);
        QCOMPARE(boxes.seen.size(), 1);
        QCOMPARE(boxes.Last().title, QString("Confirmation required"));
        QCOMPARE(boxes.Last().text, QString("Are you sure you want to clear the list ?"));
        QCOMPARE(w_->app.jobs.Count(), 2);
        boxes.AnswerWith(QMessageBox::Yes);
        QTest::mouseClick(w_->button("Clear list"), Qt::LeftButton);
        QCOMPARE(boxes.seen.size(), 2);
        QCOMPARE(w_->app.jobs.Count(), 0);
        CheckJobButtons(false);
    }

    void OutputNameFieldFollowsTheSelectedJob()
    {
        QLineEdit* name = w_->edit("Output file name");
        name->setText("untouched");
        name->setFocus();
        QCOMPARE(name->text(), QString("untouched")); // no job selected

        w_->AddSourceRows(0, 0);
        w_->jobs()->setFocus();
        QTest::keyClick(w_->jobs(), Qt::Key_Tab); // on to "Set default output dir"
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), name);
        QCOMPARE(name->text(), QString("a.mp3"));
        QCOMPARE(name->selectedText(), QString("a.mp3"));

        struct Row
        {
            const char* typed;
            const char* stored;
        };
        for (const Row& row : {Row{"out", "out.mp3"}, Row{"out.x", "out.x"}, Row{"out.", "out."}}) {
            name->selectAll();
            QTest::keyClicks(name, row.typed);
            QCOMPARE(w_->app.jobs.Job(0).outputName, std::string(row.stored));
            QCOMPARE(w_->Cell(w_->jobs(), 0, 5), QString(row.stored));
            QCOMPARE(name->text(), QString(row.typed));
        }
    }

    void OptionsDialogReadsBackAndSetsDefaults()
    {
        w_->AddSourceRows(0, 2);
        QTest::mouseClick(w_->button("Decode"), Qt::LeftButton);
        QTRY_COMPARE(w_->sources()->ItemCount(), 2);
        w_->AddSourceRows(0, 0); // job 3 decodes x.mp3

        // Job 0: Layer 3 list stays after choosing Layer 1; OK keeps 40 with layer 1.
        w_->ClickRow(0);
        bool checked = false;
        WhenModal([&checked](QWidget* modal) {
            auto* dialog = qobject_cast<FileOptionsDialog*>(modal);
            QVERIFY(dialog != nullptr);
            QCOMPARE(dialog->windowTitle(), QString("File encoding options"));
            QVERIFY(Named<QRadioButton>(dialog, "Layer 3")->isChecked());
            auto* rates = Named<QComboBox>(dialog, "Total BitRate:");
            QCOMPARE(rates->currentText(), QString("128"));
            Named<QRadioButton>(dialog, "Layer 1")->click();
            QCOMPARE(rates->count(), 14);
            QCOMPARE(rates->itemText(1), QString("40"));
            rates->setCurrentIndex(1);
            Named<QRadioButton>(dialog, "CITT j.17")->click();
            QTest::mouseClick(Named<QAbstractButton>(dialog, "OK"), Qt::LeftButton);
            checked = true;
        });
        QTest::mouseClick(w_->button("Encoding Options"), Qt::LeftButton);
        QVERIFY(checked);
        QCOMPARE(w_->app.jobs.Job(0).hasOwnOptions, 1);
        QCOMPARE(w_->Cell(w_->jobs(), 0, 4), QString("lr: 1,40kbps,Stereo,HQ,NoCopr,NotOrig,NoProt,CITT"));
        QCOMPARE(w_->app.jobs.Job(0).outputName, std::string("a.mp3"));

        // Job 1: Set default reaches jobs 1, 2 and the decode job 3, not job 0.
        w_->ClickRow(1);
        WhenModal([](QWidget* modal) {
            Named<QRadioButton>(modal, "Layer 2")->click();
            Named<QRadioButton>(modal, "Mono")->click();
            Named<QRadioButton>(modal, "Turbo Speed")->click();
            Named<QAbstractButton>(modal, "Material is copyrighted")->click();
            Named<QRadioButton>(modal, "0/15 us")->click();
            QTest::mouseClick(Named<QAbstractButton>(modal, "Set default"), Qt::LeftButton);
        });
        QTest::mouseClick(w_->button("Encoding Options"), Qt::LeftButton);
        const QString shared = "lr: 2,128kbps,Mono,Fast,Copr,NotOrig,NoProt,0/15 uS";
        QCOMPARE(JobColumn(4),
                 QStringList({"lr: 1,40kbps,Stereo,HQ,NoCopr,NotOrig,NoProt,CITT", shared, shared, shared}));
        QCOMPARE(w_->app.jobs.Job(1).hasOwnOptions, 0);
        QCOMPARE(w_->app.settings.options.layer, 2);

        // A decode job: string 131 and no dialog.
        w_->ClickRow(3);
        BoxRobot boxes;
        QTest::mouseClick(w_->button("Encoding Options"), Qt::LeftButton);
        QCOMPARE(boxes.seen.size(), 1);
        QCOMPARE(boxes.Last().title, QString("Error"));
        QCOMPARE(boxes.Last().text, QString("No options can be modified for decoding files "));
    }

    void FoldersComeFromTheBrowser()
    {
        std::vector<std::string> titles;
        std::optional<std::string> answer = folder_.Path() + "/elsewhere";
        w_->sheet->Page1()->pickFolder = [&](const std::string& title) {
            titles.push_back(title);
            return answer;
        };
        w_->AddSourceRows(0, 1);
        w_->ClickRow(0);
        QTest::mouseClick(w_->button("Output dir"), Qt::LeftButton);
        QCOMPARE(w_->Cell(w_->jobs(), 0, 6), QString::fromStdString(folder_.Path() + "/elsewhere/"));
        answer = "/srv/new";
        QTest::mouseClick(w_->button("Set default output dir"), Qt::LeftButton);
        QCOMPARE(Named<QLabel>(w_->sheet.get(), "Default output dir: /srv/new/")->text(), QString("/srv/new/"));
        QCOMPARE(w_->app.jobs.Job(0).outputDir, folder_.Path() + "/elsewhere/");
        QCOMPARE(w_->app.jobs.Job(1).outputDir, std::string("/srv/new/"));
        QCOMPARE(w_->Cell(w_->jobs(), 1, 6), QString("@DEFAULT"));
        answer.reset(); // cancelled
        QTest::mouseClick(w_->button("Set default output dir"), Qt::LeftButton);
        QCOMPARE(w_->app.jobs.DefaultOutputDir(), std::string("/srv/new/"));
        QCOMPARE(titles,
                 (std::vector<std::string>{"Select output directory for current file",
                                           "Select default output directory", "Select default output directory"}));
    }

    void DroppedFilesAreAddedAndRefusalsListed()
    {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(folder_ / "c.wav")),
                      QUrl::fromLocalFile(QString::fromStdString(folder_ / "notes.txt")),
                      QUrl::fromLocalFile(QString::fromStdString(folder_ / "y.mp2"))});
        QWidget* target = w_->jobs()->viewport();
        const QPointF at(10, 10);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        enter.ignore();
        QApplication::sendEvent(target, &enter);
        QVERIFY(enter.isAccepted());
        BoxRobot boxes;
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        QCOMPARE(JobColumn(0), QStringList({"c.wav", "y.mp2"}));
        QCOMPARE(JobColumn(3), QStringList({"Encode", "Decode"}));
        QCOMPARE(boxes.seen.size(), 1);
        const QString box = boxes.Last().text;
        QVERIFY2(box.contains("Cannot add " + QString::fromStdString(folder_ / "notes.txt")), qPrintable(box));
        QVERIFY(w_->sheet->button(QWizard::NextButton)->isEnabled());
    }

    void GrabberAddsRowsOnlyOnOk()
    {
        w_.reset();
        bool ok = false;
        w_ = std::make_unique<WizardUnderTest>(folder_, [&ok](QWidget*, QuillonApp& app) {
            if (!ok)
                return false; // Cancel in the grabber adds nothing
            CdTrackSource track;
            track.trackName = "Opening";
            track.sectors = 1000;
            return bool(app.jobs.AddCdTracks({track}, app.settings.options));
        });
        QTest::mouseClick(w_->button("Select audio tracks"), Qt::LeftButton);
        QCOMPARE(w_->jobs()->model()->rowCount(), 0);
        CheckJobButtons(false);
        ok = true;
        QTest::mouseClick(w_->button("Select audio tracks"), Qt::LeftButton);
        QCOMPARE(JobColumn(0), QStringList({"Track01"}));
        QCOMPARE(JobColumn(2), QStringList({"2296K"}));
        QCOMPARE(JobColumn(5), QStringList({"Opening.mp3"}));
        CheckJobButtons(true);
    }

    void TabFollowsTheControlsAndAccessKeysReachThem()
    {
        // Encode and Decode are one group: Tab reaches the chosen one, the arrows the other.
        const QStringList order = {
            "Encode",         "Select source directory", "Filter mask",        "Select source files", "Add File(s)",
            "Selected files", "Set default output dir",  "Remove File",        "Output file name",    "Clear list",
            "Output dir",     "Encoding Options",        "Select audio tracks"};
        w_->AddSourceRows(0, 0); // every control enabled
        w_->button("Encode")->setFocus();
        QStringList seen;
        for (int i = 0; i < order.size(); ++i) {
            seen << QApplication::focusWidget()->accessibleName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(seen, order);
        w_->button("Encode")->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
        QCOMPARE(QApplication::focusWidget()->accessibleName(), QString("Decode"));

        struct Key
        {
            Qt::Key key;
            const char* focus;
        };
        for (const Key& k : {Key{Qt::Key_S, "Select source directory"}, Key{Qt::Key_M, "Filter mask"},
                             Key{Qt::Key_F, "Select source files"}}) {
            QTest::keyClick(w_->sheet.get(), k.key, Qt::AltModifier);
            QCOMPARE(QApplication::focusWidget()->accessibleName(), QString(k.focus));
        }
        // Buttons press themselves a moment after their access key.
        QTest::keyClick(w_->sheet.get(), Qt::Key_D, Qt::AltModifier);
        QTRY_VERIFY(w_->button("Decode")->isChecked());
        QTest::keyClick(w_->sheet.get(), Qt::Key_E, Qt::AltModifier);
        QTRY_VERIFY(w_->button("Encode")->isChecked());
        QTest::keyClick(w_->sheet.get(), Qt::Key_R, Qt::AltModifier);
        QTRY_COMPARE(w_->app.jobs.Count(), 0);
    }

    void OptionsDialogKeyboardAndTips()
    {
        w_->AddSourceRows(0, 0);
        bool worked = false;
        WhenModal([&worked](QWidget* dialog) {
            // Tab visits the checked button of each radio group, then the next control.
            const QStringList order = {"Layer 3",
                                       "Stereo",
                                       "Total BitRate:",
                                       "High Quality",
                                       "Material is copyrighted",
                                       "Material is original",
                                       "Add error protection",
                                       "None",
                                       "OK",
                                       "Cancel",
                                       "Set default"};
            dialog->activateWindow();
            QTRY_COMPARE(QApplication::activeWindow(), dialog);
            Named<QWidget>(dialog, "Layer 3")->setFocus();
            QTRY_COMPARE(QApplication::focusWidget(), Named<QWidget>(dialog, "Layer 3"));
            QStringList seen;
            for (int i = 0; i < order.size(); ++i) {
                seen << QApplication::focusWidget()->accessibleName();
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            }
            QCOMPARE(seen, order);
            struct Key
            {
                Qt::Key key;
                const char* checked;
            };
            for (const Key& k : {Key{Qt::Key_1, "Layer 1"}, Key{Qt::Key_J, "Joint Stereo"},
                                 Key{Qt::Key_T, "Turbo Speed"}, Key{Qt::Key_P, "Add error protection"}}) {
                QTest::keyClick(dialog, k.key, Qt::AltModifier);
                QTRY_VERIFY2(Named<QAbstractButton>(dialog, k.checked)->isChecked(), k.checked);
            }
            QCOMPARE(Named<QWidget>(dialog, "OK")->toolTip(),
                     QString("Sets current encoding options to current file only"));
            QCOMPARE(Named<QWidget>(dialog, "Set default")->toolTip(),
                     QString("Sets current encoding options as default."));
            Named<QWidget>(dialog, "Total BitRate:")->setFocus();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down); // 160
            QTest::keyClick(dialog, Qt::Key_Return);                    // OK is the default button
            worked = true;
        });
        QTest::mouseClick(w_->button("Encoding Options"), Qt::LeftButton);
        QVERIFY(worked);
        QCOMPARE(w_->app.jobs.Job(0).Options(), (EncodingOptions{1, 160, 2, 0, 0, 0, 1, 0}));
    }

    void TooltipsAndLook()
    {
        struct Tip
        {
            const char* control;
            const char* tip;
        };
        const Tip tips[] = {
            {"Add File(s)", "Adds selected files to list of files to be processed"},
            {"Remove File", "Removes selected file from the list"},
            {"Set default output dir", "Select the default output directory."},
            {"Clear list", "Removes all files from the list"},
            {"Output dir", "Selects output directory for the selected file"},
            {"Encoding Options", "Set default and/or custom compression parameters"},
            {"Encode", "Sets action to encode"},
            {"Decode", "Sets action to decode"},
            {"Select audio tracks", "Select audio tracks"},
        };
        for (const Tip& t : tips)
            QCOMPARE(w_->button(t.control)->toolTip(), QString(t.tip));
        QCOMPARE(w_->edit("Output file name")->toolTip(), QString("Type a new name for the output file"));
        QCOMPARE(w_->sheet->Page1()->palette().color(QPalette::WindowText), QColor(128, 0, 0));
        QCOMPARE(w_->sheet->Page1()->palette().brush(QPalette::Window).texture().size(), QSize(128, 128));
        QCOMPARE(w_->sheet->windowTitle(), QString("Quillon 2.51 - Input & Output...,  Page 1 of 2"));
    }
};

QUILLON_WIDGET_TEST_MAIN(MLPage1Test)
#include "mlpage1_wtest.moc"
