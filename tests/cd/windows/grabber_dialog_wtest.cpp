#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QEnterEvent>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include "GrabberTestSupport.h"
#include "batch/EncodingOptions.h"
#include "cd/GenreList.h"
#include "cd/windows/FlatButton.h"
#include "cd/windows/GrabProgressDialog.h"
#include "cd/windows/GrabberDialog.h"
#include "tests/support/WidgetTestMain.h"

using namespace quillon;
using namespace quillon::testing;

namespace {

const std::vector<TestTrack> kFiveTracks = {{false, 750}, {false, 1500}, {false, 2250}, {false, 300}, {false, 600}};
const char* const kOneDrive = "ATAPI | QUILLON | VIRTUAL CD | 1.0 | disc.cue\n";

template <typename T>
T* Child(QWidget& dialog, const char* name)
{
    T* child = dialog.findChild<T*>(QString::fromLatin1(name));
    if (child == nullptr)
        qFatal("no control %s", name);
    return child;
}

QModelIndex CellIndex(GrabberDialog& d, int row, int column)
{
    const QAbstractItemModel* model = Child<QTableView>(d, "tracks")->model();
    return model->index(row, column);
}

QString Cell(GrabberDialog& d, int row, int column)
{
    return CellIndex(d, row, column).data().toString();
}

// Types a text as a keyboard or an input method gives it: one key event per character,
// with the character's text (two UTF-16 units past the Basic Multilingual Plane).
void Type(QWidget* widget, const QString& text)
{
    for (const char32_t c : text.toUcs4())
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString::fromUcs4(&c, 1), Qt::NoModifier);
}

// Renames a row through the list's own editor, typing the name as the user does.
void Rename(GrabberDialog& d, int row, const QString& text)
{
    auto* tracks = Child<QTableView>(d, "tracks");
    tracks->setCurrentIndex(CellIndex(d, row, 0));
    tracks->edit(CellIndex(d, row, 0));
    auto* editor = tracks->viewport()->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->selectAll();
    Type(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    // The list commits the editor's text through a queued call and deletes the editor
    // later; neither may leak into the next edit.
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Ticks a row as the user does from the keyboard: the row's name, then the space bar.
void Tick(GrabberDialog& d, int row)
{
    auto* tracks = Child<QTableView>(d, "tracks");
    tracks->setCurrentIndex(CellIndex(d, row, 0));
    QTest::keyClick(tracks, Qt::Key_Space);
    QCOMPARE(CellIndex(d, row, 0).data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Checked);
}

} // namespace

class GrabberDialogTest : public QObject
{
    Q_OBJECT

private slots:
    // The keyboard alone reaches every control: Tab goes round the window, through the
    // track list and out of it again.
    void tabReachesEveryControl()
    {
        GrabberPlace place({{false, 40}, {false, 25}}, "ATAPI | QUILLON | VIRTUAL CD | 1.0 | disc.cue\n");
        GrabberDialog d(place.app);
        QVERIFY(d.Open());
        d.show();
        d.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        const QStringList order = {"drives", "refresh", "setDefaultCd", "readOffset", "tracks", "artist",
                                   "album",  "genres",  "year",         "comment",    "assign", "selectAll",
                                   "lookup", "cover",   "secureMode",   "grabNow",    "ok",     "cancel"};
        Child<QComboBox>(d, "drives")->setFocus();
        QStringList reached{QApplication::focusWidget()->objectName()};
        for (qsizetype i = 1; i <= order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            reached << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(reached, order + QStringList{"drives"});
    }

    void freshDiscShowsDefaultsAndEveryControlIsNamed()
    {
        GrabberPlace place(kFiveTracks, std::string(kOneDrive) + "ATAPI | QUILLON | SECOND ONE | 1.0 | disc.cue\n");
        place.app.settings.defaultCd = 6; // beyond the drives found: the first drive is loaded
        GrabberDialog d(place.app);
        QVERIFY(d.Open());
        QCOMPARE(d.windowTitle(), QStringLiteral("Quillon - CD-Audio Grabber Options..."));
        auto* drives = Child<QComboBox>(d, "drives");
        QCOMPARE(drives->count(), 2);
        QCOMPARE(drives->itemText(0), QStringLiteral("QUILLON VIRTUAL CD"));
        QCOMPARE(drives->itemText(1), QStringLiteral("QUILLON SECOND ONE"));
        QCOMPARE(drives->currentIndex(), 0);
        QCOMPARE(Child<QTableView>(d, "tracks")->model()->rowCount(), 5);
        for (int row = 0; row < 5; ++row) {
            QCOMPARE(Cell(d, row, 0), QStringLiteral("Track%1").arg(row + 1, 2, 10, QLatin1Char('0')));
            QCOMPARE(Cell(d, row, 5), QStringLiteral("Unknown"));
            QCOMPARE(Cell(d, row, 6), QStringLiteral("Other"));
        }
        QCOMPARE(Cell(d, 2, 3), QStringLiteral("5.0 MB"));
        QCOMPARE(Child<QLineEdit>(d, "year")->text(), QString::number(QDate::currentDate().year()));
        QCOMPARE(Child<QLineEdit>(d, "artist")->text(), QStringLiteral("Unknown"));
        QCOMPARE(Child<QLineEdit>(d, "album")->text(), QStringLiteral("Unknown"));
        auto* genres = Child<QComboBox>(d, "genres");
        QCOMPARE(genres->currentText(), QStringLiteral("Other"));
        QCOMPARE(genres->currentIndex(), 93);
        QCOMPARE(genres->itemText(0), QStringLiteral("Acapella"));
        QCOMPARE(genres->itemData(genres->findText(QStringLiteral("Trash Metal"))).toInt(), 143);
        QCOMPARE(Child<QLabel>(d, "totalTracks")->text(), QStringLiteral("0 Track(s) "));

        auto* year = Child<QLineEdit>(d, "year");
        year->clear();
        QTest::keyClicks(year, QStringLiteral("19x9a95"));
        QCOMPARE(year->text(), QStringLiteral("1999"));

        int controls = 0;
        for (QWidget* control : d.findChildren<QWidget*>()) {
            const bool ours =
                !control->objectName().isEmpty() && !control->objectName().startsWith(QStringLiteral("qt_"));
            if (ours && (qobject_cast<QLineEdit*>(control) || qobject_cast<QComboBox*>(control) ||
                         qobject_cast<QAbstractButton*>(control) || qobject_cast<QTableView*>(control))) {
                QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(control->objectName()));
                ++controls;
            }
        }
        QCOMPARE(controls, 18);
        QCOMPARE(Child<FlatButton>(d, "grabNow")->accessibleName(), QStringLiteral("Grab Now!"));
    }

    void selectAllTwiceAndRockForAll()
    {
        GrabberPlace place(kFiveTracks, kOneDrive);
        GrabberDialog d(place.app);
        QVERIFY(d.Open());
        auto* selectAll = Child<FlatButton>(d, "selectAll");
        QTest::mouseClick(selectAll, Qt::LeftButton);
        QCOMPARE(selectAll->text(), QStringLiteral("Deselect &All Tracks"));
        QCOMPARE(Child<QLabel>(d, "totalTracks")->text(), QStringLiteral("5 Track(s) "));
        QCOMPARE(Child<QLabel>(d, "totalTime")->text(), QStringLiteral("00:01:12 "));
        QCOMPARE(Child<QLabel>(d, "totalSize")->text(), QStringLiteral("12.1 MB "));
        QTest::mouseClick(selectAll, Qt::LeftButton);
        QCOMPARE(selectAll->text(), QStringLiteral("Select &All Tracks"));
        QCOMPARE(Child<QLabel>(d, "totalTracks")->text(), QStringLiteral("0 Track(s) "));
        for (int row = 0; row < 5; ++row)
            QCOMPARE(CellIndex(d, row, 0).data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Unchecked);

        auto* genres = Child<QComboBox>(d, "genres");
        genres->setCurrentIndex(genres->findText(QStringLiteral("Rock")));
        QTest::mouseClick(Child<QPushButton>(d, "assign"), Qt::LeftButton);
        for (int row = 0; row < 5; ++row) {
            QCOMPARE(int(d.Session().Record(row).genre), 17);
            QCOMPARE(Cell(d, row, 6), QStringLiteral("Rock"));
        }
    }

    void okWithTracksTwoAndFiveAddsTheirJobs()
    {
        GrabberPlace place(kFiveTracks, kOneDrive);
        GrabberDialog d(place.app);
        QVERIFY(d.Open());
        Child<QLineEdit>(d, "comment")->setText(QStringLiteral("first pressing"));
        QTest::mouseClick(Child<QPushButton>(d, "assign"), Qt::LeftButton);
        Tick(d, 1);
        Tick(d, 4);
        QCOMPARE(Child<QLabel>(d, "totalTracks")->text(), QStringLiteral("2 Track(s) "));
        QTest::mouseClick(Child<FlatButton>(d, "ok"), Qt::LeftButton);
        QCOMPARE(d.result(), int(QDialog::Accepted));

        const CdDrive& drive = place.app.drives[0];
        const QString location = QStringLiteral("CD[%1,%2]").arg(drive.hostAdapter).arg(drive.target);
        const std::string options = FormatOptionString(place.app.settings.options);
        const std::string year = std::to_string(QDate::currentDate().year());
        struct Want
        {
            const char* file;
            const char* size;
            const char* output;
            int track;
        } wants[] = {{"Track02", "3445K", "Track02.mp3", 1}, {"Track05", "1378K", "Track05.mp3", 4}};
        QCOMPARE(place.app.jobs.Count(), 2);
        for (int i = 0; i < 2; ++i) {
            const JobRow& row = place.app.jobs.Row(i);
            const FileJob& job = place.app.jobs.Job(i);
            QCOMPARE(QString::fromStdString(row.fileName), QString::fromLatin1(wants[i].file));
            QCOMPARE(QString::fromStdString(row.location), location);
            QCOMPARE(row.sizeText, std::string(wants[i].size));
            QCOMPARE(row.actionText, std::string("Encode"));
            QCOMPARE(row.optionText, options);
            QCOMPARE(row.outputName, std::string(wants[i].output));
            QCOMPARE(row.outputDirText, std::string("@DEFAULT"));
            QCOMPARE(job.trackIndex, int16_t(wants[i].track));
            QCOMPARE(job.cdDrive, &drive);
            QCOMPARE(job.outputDir, place.dir.Path() + "/out/");
            TrackInfo tag;
            std::memcpy(&tag, job.tagBlock->data(), sizeof tag);
            QCOMPARE(std::string(tag.tag, 3), std::string("TAG"));
            QCOMPARE(TrackInfoField(tag.title, 30), std::string(wants[i].file));
            QCOMPARE(TrackInfoField(tag.artist, 30), std::string("Unknown"));
            QCOMPARE(TrackInfoField(tag.album, 30), std::string("Unknown"));
            QCOMPARE(TrackInfoField(tag.year, 4), year);
            QCOMPARE(TrackInfoField(tag.comment, 30), std::string("first pressing"));
            QCOMPARE(int(tag.genre), 12);
        }
    }

    void wholeNamesTypedInEveryScriptComeBackAfterARestart()
    {
        const QString kana = QStringLiteral("\u3042\u3044\u3046\u3048\u304A"); // five kana
        const QString clef = QString::fromUcs4(U"\U0001D11E\U0001F3B5");       // two past the BMP
        struct Row
        {
            const char* what;
            QString name;
            QString info;       // typed as artist, album and comment
            std::string file;   // the output file's name
            std::string record; // the record's title field, up to its end
        };
        const QString pepper = QStringLiteral("Sgt. Pepper's Lonely Hearts Club Band (Reprise)");
        const QString cyrillic = QStringLiteral("\u041E\u0447\u0438 \u0447\u0451\u0440\u043D\u044B\u0435, "
                                                "\u043E\u0447\u0438 \u0441\u0442\u0440\u0430\u0441\u0442\u043D"
                                                "\u044B\u0435 \u0438 \u0436\u0433\u0443");
        const Row rows[] = {
            {"47 Latin characters", pepper, QStringLiteral("The Band of Thirty-One Characters"),
             pepper.toStdString() + ".mp3", "Sgt. Pepper's Lonely Hearts Cl"},
            {"31 Cyrillic characters", cyrillic, cyrillic, cyrillic.toStdString() + ".mp3",
             "??? ??????, ??? ????????? ? ??"},
            {"255 Japanese characters", kana.repeated(51), kana.repeated(51),
             kana.repeated(14).left(66).toStdString() + ".mp3", std::string(30, '?')},
            {"255 characters past the BMP", clef.repeated(127) + QStringLiteral("x"), clef.repeated(127) + "x",
             clef.repeated(25).toStdString() + ".mp3", std::string(30, '?')},
        };
        for (const Row& row : rows) {
            const QList<uint> typed = (row.info + QStringLiteral("z")).toUcs4();
            const QString taken = QString::fromUcs4(reinterpret_cast<const char32_t*>(typed.constData()),
                                                    std::min<qsizetype>(typed.size(), 255));
            GrabberPlace place(kFiveTracks, kOneDrive);
            {
                GrabberDialog d(place.app);
                QVERIFY(d.Open());
                d.show();
                Rename(d, 0, QString(256, QLatin1Char('x'))); // one past the limit: refused
                QVERIFY2(Cell(d, 0, 0) == QStringLiteral("Track01"), row.what);
                Rename(d, 2, row.name);
                QVERIFY2(Cell(d, 2, 0) == row.name, row.what);
                for (const char* field : {"artist", "album", "comment"}) {
                    auto* edit = Child<QLineEdit>(d, field);
                    edit->selectAll();                          // typed over: a field left empty shows "Unknown"
                    Type(edit, row.info + QStringLiteral("z")); // a 256th character is not taken
                    QVERIFY2(edit->text() == taken,
                             qPrintable(QStringLiteral("%1, %2: %3").arg(row.what, field, edit->text())));
                }
                QTest::mouseClick(Child<QPushButton>(d, "assign"), Qt::LeftButton);
                Tick(d, 2);
                QTest::mouseClick(Child<FlatButton>(d, "ok"), Qt::LeftButton);
                QCOMPARE(d.result(), int(QDialog::Accepted));
            }
            QCOMPARE(place.app.jobs.Count(), 1);
            QCOMPARE(place.app.jobs.Row(0).outputName, row.file);
            const TagBlock& tag = *place.app.jobs.Job(0).tagBlock;
            const char* title = reinterpret_cast<const char*>(tag.data()) + 3;
            QCOMPARE(std::string(title, strnlen(title, 30)), row.record);
            // The ID3v2 tag the job is given carries the whole texts.
            const std::optional<TrackTags>& tags = place.app.jobs.Job(0).tags;
            QVERIFY(tags.has_value());
            QCOMPARE(tags->title, row.name.toStdString());
            QCOMPARE(tags->artist, taken.toStdString());
            QCOMPARE(tags->comment, taken.toStdString());

            // The store: the record file as the tag holds it, the whole texts in UTF-8 beside it.
            const uint32_t id = place.app.drives[0].discId;
            char stem[32];
            std::snprintf(stem, sizeof stem, "cddata/%08x", id);
            const auto records = ReadBinaryFile(place.dir / (std::string(stem) + ".cdd"));
            QCOMPARE(records.size(), size_t(5 * 128));
            QCOMPARE(std::string(records.begin() + 2 * 128, records.begin() + 2 * 128 + 33),
                     std::string(tag.data(), tag.data() + 33));
            const auto text = ReadBinaryFile(place.dir / (std::string(stem) + ".txt"));
            const std::string utf8(text.begin(), text.end());
            QVERIFY2(utf8.find("\n3 title " + row.name.toStdString() + "\n") != std::string::npos, row.what);
            QVERIFY2(utf8.find("\n3 artist " + taken.toStdString() + "\n") != std::string::npos, row.what);

            GrabberDialog again(place.app);
            QVERIFY(again.Open());
            QCOMPARE(Cell(again, 2, 0), row.name);
            QCOMPARE(CellIndex(again, 2, 0).data(Qt::ToolTipRole).toString(), row.name);
            QCOMPARE(Cell(again, 1, 0), QStringLiteral("Track02"));
            QCOMPARE(Cell(again, 3, 5), taken);
            QCOMPARE(Child<QLineEdit>(again, "artist")->text(), taken);
            QCOMPARE(Child<QLineEdit>(again, "album")->text(), taken);
        }
    }

    void coverIsCheckedShownAndGivenToEveryJob()
    {
        GrabberPlace place(kFiveTracks, kOneDrive);
        const std::string png = place.dir / "front.png";
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::red);
        QVERIFY(image.save(QString::fromStdString(png)));
        WriteTextFile(place.dir / "notes.txt", "not a picture");
        BoxRobot robot;
        GrabberDialog d(place.app);
        QVERIFY(d.Open());
        std::string chosen = place.dir / "notes.txt";
        d.askCover = [&]() -> std::optional<std::string> { return chosen; };
        auto* shown = Child<QLabel>(d, "coverPicture");
        QTest::mouseClick(Child<QPushButton>(d, "cover"), Qt::LeftButton);
        QCOMPARE(robot.seen.size(), 1);
        QVERIFY2(robot.seen[0].text.startsWith(QStringLiteral("Cannot use ")), qPrintable(robot.seen[0].text));
        QCOMPARE(shown->accessibleName(), QStringLiteral("Cover picture: none"));
        chosen = png;
        QTest::mouseClick(Child<QPushButton>(d, "cover"), Qt::LeftButton);
        QCOMPARE(robot.seen.size(), 1);
        QCOMPARE(shown->accessibleName(), QStringLiteral("Cover picture: ") + QString::fromStdString(png));
        QVERIFY(!shown->pixmap().isNull());
        Tick(d, 1);
        Tick(d, 3);
        QTest::mouseClick(Child<FlatButton>(d, "ok"), Qt::LeftButton);
        QCOMPARE(place.app.jobs.Count(), 2);
        const auto bytes = ReadBinaryFile(png);
        for (int i = 0; i < 2; ++i) {
            const TagPicture& picture = place.app.jobs.Job(i).tags->picture;
            QCOMPARE(picture.mime, std::string("image/png"));
            QVERIFY(picture.bytes && *picture.bytes == bytes);
        }

        // Kept with the disc's texts: the next opening shows it and gives it again.
        char stored[32];
        std::snprintf(stored, sizeof stored, "cddata/%08x.cover", place.app.drives[0].discId);
        QCOMPARE(ReadBinaryFile(place.dir / stored), bytes);
        GrabberDialog again(place.app);
        QVERIFY(again.Open());
        QCOMPARE(Child<QLabel>(again, "coverPicture")->accessibleName(),
                 QStringLiteral("Cover picture: stored with the disc"));
        QCOMPARE(*again.Session().cover.bytes, bytes);
    }

    void pastedTextKeepsItsFirst255CharactersAndSetDefaultCdStores()
    {
        GrabberPlace place(kFiveTracks, kOneDrive);
        GrabberDialog d(place.app);
        QVERIFY(d.Open());
        d.show();
        auto* album = Child<QLineEdit>(d, "album");
        album->selectAll();
        QGuiApplication::clipboard()->setText(QString::fromUcs4(U"\U0001F3B5").repeated(300));
        QTest::keyClick(album, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(album->text().toUcs4().size(), qsizetype(255));
        QCOMPARE(album->text(), QString::fromUcs4(U"\U0001F3B5").repeated(255));

        // "&Set default CD" stores every default with the chosen drive.
        QTest::mouseClick(Child<FlatButton>(d, "setDefaultCd"), Qt::LeftButton);
        QVERIFY(QFile::exists(QString::fromStdString(place.dir / "Norvane/Quillon/2.51.conf")));
    }

    void refusalsAndDriveMessages()
    {
        struct Case
        {
            const char* what;
            std::string drives;
            QMessageBox::StandardButton answer;
            bool opens;
            QString message;
            QMessageBox::Icon icon;
        };
        const QString question = QString::fromLatin1(kNoRawAudioQuestion);
        const Case cases[] = {
            {"no drive", "# none\n", QMessageBox::Ok, false, "No CD-ROM drives detected!", QMessageBox::Warning},
            {"empty tray", "ATAPI | QUILLON | EMPTY TRAY | 1.0 | none\n", QMessageBox::Ok, true,
             "No CD-Audio Disc Present in Drive!", QMessageBox::NoIcon},
            {"nocdda, No", "ATAPI | QUILLON | VIRTUAL CD | 1.0 | disc.cue | nocdda\n", QMessageBox::No, false, question,
             QMessageBox::Critical},
            {"nocdda, Yes", "ATAPI | QUILLON | VIRTUAL CD | 1.0 | disc.cue | nocdda\n", QMessageBox::Yes, true,
             question, QMessageBox::Critical},
        };
        for (const Case& c : cases) {
            GrabberPlace place(kFiveTracks, c.drives);
            BoxRobot robot(c.answer);
            GrabberDialog d(place.app);
            QCOMPARE(d.Open(), c.opens);
            QVERIFY2(robot.seen.size() == 1, c.what);
            QCOMPARE(robot.seen[0].text, c.message);
            QCOMPARE(robot.seen[0].icon, c.icon);
        }

        // Nothing ticked: O&K and "&Grab Now!" refuse with string 122 and the dialog stays.
        GrabberPlace place(kFiveTracks, kOneDrive);
        BoxRobot robot;
        GrabberDialog d(place.app);
        QVERIFY(d.Open());
        d.show();
        bool asked = false;
        d.askFolder = [&](const std::string&) -> std::optional<std::string> {
            asked = true;
            return std::nullopt;
        };
        QTest::mouseClick(Child<FlatButton>(d, "ok"), Qt::LeftButton);
        QTest::mouseClick(Child<FlatButton>(d, "grabNow"), Qt::LeftButton);
        QCOMPARE(robot.seen.size(), 2);
        for (const auto& seen : robot.seen) {
            QCOMPARE(seen.text, QStringLiteral("You didn't slected any Audio track for reading...!"));
            QCOMPARE(seen.icon, QMessageBox::Critical);
        }
        QVERIFY(!asked);
        QVERIFY(d.isVisible());
        QCOMPARE(place.app.jobs.Count(), 0);
    }

    void flatButtonsLightUpUnderThePointerAndSinkWhenPressed()
    {
        GrabberPlace place(kFiveTracks, kOneDrive);
        GrabberDialog d(place.app);
        QVERIFY(d.Open());
        d.show();
        d.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        auto* grab = Child<FlatButton>(d, "grabNow");
        const QImage rest = grab->grab().toImage();
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), grab->mapToGlobal(QPointF(5, 5)));
        QApplication::sendEvent(grab, &enter);
        QVERIFY(grab->IsHot());
        QVERIFY(grab->hasFocus());
        const QImage hot = grab->grab().toImage();
        grab->setDown(true);
        const QImage pressed = grab->grab().toImage();
        grab->setDown(false);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(grab, &leave);
        QVERIFY(!grab->IsHot());
        grab->setEnabled(false);
        const QImage disabled = grab->grab().toImage();
        QVERIFY(rest != hot);
        QVERIFY(hot != pressed);
        QVERIFY(rest != disabled);
    }

    void grabNowWritesTheTracksAndCancelEscapeOrCloseStopInTheSecond()
    {
        // Reads of 4 sectors taking 15 ms each: a track of 60 sectors takes about 0.2 s.
        const std::vector<TestTrack> tracks = {{false, 60}, {false, 60}, {false, 60}};
        GrabberPlace place(tracks, "ATAPI | QUILLON | VIRTUAL CD | 1.0 | disc.cue | delay=15\n");
        GrabberDialog d(place.app);
        QVERIFY(d.Open());
        d.show();
        const std::string out = place.dir / "wav";
        QDir().mkpath(QString::fromStdString(out));
        d.askFolder = [&](const std::string& title) -> std::optional<std::string> {
            if (title != "Select a Folder where to Save the WAV files...")
                return std::nullopt;
            return out;
        };
        QTest::mouseClick(Child<FlatButton>(d, "selectAll"), Qt::LeftButton);

        // A whole grab: every file byte for byte as the image holds it.
        QTest::mouseClick(Child<FlatButton>(d, "grabNow"), Qt::LeftButton);
        for (int t = 0; t < 3; ++t)
            QCOMPARE(ReadBinaryFile(out + "/Track0" + std::to_string(t + 1) + ".WAV"), ExpectedWav(place.disc, t, 60));
        QVERIFY(d.isEnabled());

        // Stopped while the second file is written, each way the window offers.
        for (const StopWay& way : StopWays()) {
            for (int t = 1; t <= 3; ++t)
                std::remove((out + "/Track0" + std::to_string(t) + ".WAV").c_str());
            BoxRobot robot;
            bool dialogDisabled = false;
            bool pressed = false;
            bool stayedShown = false;
            QTimer watch;
            QObject::connect(&watch, &QTimer::timeout, [&] {
                auto* progress = d.findChild<GrabProgressDialog*>();
                if (pressed || progress == nullptr || !progress->isVisible())
                    return;
                if (progress->FileLine()->text().endsWith(QStringLiteral("Track02.WAV")) &&
                    progress->TrackBar()->value() >= 3) {
                    QCOMPARE(progress->windowTitle(), QStringLiteral("Reading RAW Audio..."));
                    dialogDisabled = !d.isEnabled();
                    pressed = true;
                    way.stop(*progress);
                    stayedShown = progress->isVisible();
                }
            });
            watch.start(5);
            QTest::mouseClick(Child<FlatButton>(d, "grabNow"), Qt::LeftButton);
            QVERIFY2(pressed, way.name);
            QVERIFY2(dialogDisabled, way.name);
            QVERIFY2(stayedShown, way.name);
            QVERIFY2(d.isEnabled(), way.name);
            QVERIFY2(robot.seen.size() == 1, way.name);
            QCOMPARE(robot.seen[0].text, QStringLiteral("Reading aborted by user!"));

            QCOMPARE(ReadBinaryFile(out + "/Track01.WAV"), ExpectedWav(place.disc, 0, 60));
            const std::vector<uint8_t> second = ReadBinaryFile(out + "/Track02.WAV");
            QVERIFY2(second.size() > 44 && second.size() < 44 + 60 * 2352u, way.name);
            QCOMPARE((second.size() - 44) % 2352, size_t(0));
            QCOMPARE(second, ExpectedWav(place.disc, 1, static_cast<uint32_t>((second.size() - 44) / 2352)));
            QVERIFY2(!QFile::exists(QString::fromStdString(out + "/Track03.WAV")), way.name);
        }
    }

    void secureModeIsASettingAndNamesTheTracksWhoseReadsNeverAgreed()
    {
        // Sector 70, in the second track, reads differently every time.
        const std::vector<TestTrack> tracks = {{false, 60}, {false, 60}};
        GrabberPlace place(tracks, "ATAPI | QUILLON | VIRTUAL CD | 1.0 | disc.cue | garbage=70:1000\n");
        GrabberDialog d(place.app);
        int saves = 0;
        d.saveDefaults = [&] { ++saves; };
        QVERIFY(d.Open());
        d.show();
        auto* secure = Child<QCheckBox>(d, "secureMode");
        QCOMPARE(secure->text(), QStringLiteral("&Secure mode"));
        QVERIFY(!secure->isChecked());
        QTest::mouseClick(secure, Qt::LeftButton);
        QCOMPARE(place.app.settings.secureMode, 1);
        QCOMPARE(saves, 1);

        const std::string out = place.dir / "wav";
        BoxRobot robot;
        GrabAllInto(d, out);
        QCOMPARE(ReadBinaryFile(out + "/Track01.WAV"), ExpectedWav(place.disc, 0, 60));
        QCOMPARE(robot.seen.size(), 1);
        QVERIFY2(robot.seen[0].text.endsWith(QStringLiteral(":\nTrack02.WAV")), qPrintable(robot.seen[0].text));
        const QStringList logs = QDir(QString::fromStdString(out)).entryList({QStringLiteral("*.log")});
        QCOMPARE(logs.size(), 1);
        const std::vector<uint8_t> bytes = ReadBinaryFile(out + "/" + logs[0].toStdString());
        const std::string log(bytes.begin(), bytes.end());
        QVERIFY2(log.find("(sectors 70 to 70)\n") != std::string::npos, log.c_str());
        QVERIFY2(log.find("    Test CRC ") != std::string::npos, log.c_str());

        // A new grabber starts as the setting says.
        GrabberDialog again(place.app);
        QVERIFY(Child<QCheckBox>(again, "secureMode")->isChecked());
    }

    // "Read &offset:" holds the correction of the drive's model: a grab reads the disc's own
    // audio from a drive that needs it, and the correction is stored for the model.
    void readOffsetFieldCorrectsTheGrabAndIsKeptForTheModel()
    {
        GrabberPlace place({{false, 40}, {false, 25}}, "ATAPI | QUILLON | VIRTUAL CD | 1.0 | disc.cue | offset=667\n");
        const std::string out = place.dir / "wav";
        QDir().mkpath(QString::fromStdString(out));
        int saves = 0;
        const auto grab = [&](GrabberDialog& d, const QString& typed) {
            d.saveDefaults = [&] { ++saves; };
            d.askFolder = [&](const std::string&) -> std::optional<std::string> { return out; };
            auto* field = Child<QLineEdit>(d, "readOffset");
            field->selectAll();
            Type(field, typed);
            QTest::mouseClick(Child<FlatButton>(d, "grabNow"), Qt::LeftButton);
        };
        GrabberDialog d(place.app);
        QVERIFY(d.Open());
        d.show();
        QCOMPARE(Child<QLineEdit>(d, "readOffset")->text(), QString());
        QCOMPARE(Child<QLineEdit>(d, "readOffset")->accessibleName(), QStringLiteral("Read offset:"));
        QTest::mouseClick(Child<FlatButton>(d, "selectAll"), Qt::LeftButton);
        {
            BoxRobot robot;
            grab(d, QStringLiteral("220501"));
            QCOMPARE(robot.seen.size(), 1);
            QCOMPARE(robot.seen[0].text,
                     QStringLiteral("bad read offset correction \"220501\" (samples, from -220500 to 220500)"));
            QVERIFY(!QFile::exists(QString::fromStdString(out + "/Track01.WAV")));
            QCOMPARE(saves, 0);
        }
        grab(d, QStringLiteral("+667"));
        std::vector<uint8_t> audio;
        for (const char* name : {"/Track01.WAV", "/Track02.WAV"}) {
            const auto bytes = ReadBinaryFile(out + name);
            QVERIFY(bytes.size() > kWavHeaderSize);
            audio.insert(audio.end(), bytes.begin() + kWavHeaderSize, bytes.end());
        }
        std::vector<uint8_t> want = PatternSectors(0, 65);
        std::fill(want.end() - 667 * 4, want.end(), 0);
        QVERIFY(audio == want);
        QCOMPARE(saves, 1);
        QCOMPARE(place.app.settings.driveOffsets.at("DriveOffsets/QUILLON VIRTUAL CD"), 667);
        const std::vector<uint8_t> log = ReadBinaryFile(out + "/disc-04000002.log");
        QVERIFY(std::string(log.begin(), log.end()).find("\nRead offset correction: +667 samples\n") !=
                std::string::npos);

        // The next window shows it for the model; the same correction again stores nothing.
        GrabberDialog again(place.app);
        QVERIFY(again.Open());
        QCOMPARE(Child<QLineEdit>(again, "readOffset")->text(), QStringLiteral("+667"));
        QTest::mouseClick(Child<FlatButton>(again, "selectAll"), Qt::LeftButton);
        grab(again, QStringLiteral("+667"));
        QCOMPARE(saves, 1);
    }
};

QUILLON_WIDGET_TEST_MAIN(GrabberDialogTest)
#include "grabber_dialog_wtest.moc"
