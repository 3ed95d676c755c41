// The grabber's "&Lookup" against tests/cli/lookup_server.py on 127.0.0.1 answering with
// the recorded answers of tests/cli/lookup-answers/ (their sources are in its README) and
// with the failures a network gives, over virtual drives holding those discs' TOCs.

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include "GrabberTestSupport.h"
#include "cd/windows/FlatButton.h"
#include "cd/windows/GrabberDialog.h"
#include "cd/windows/ReleaseChooser.h"
#include "tests/support/LookupServer.h"
#include "tests/support/WidgetTestMain.h"

using namespace quillon;
using namespace quillon::testing;
using testing_support::LookupServer;
using testing_support::WriteTocImage;

namespace {

const std::string kWywh = "6NksHllhjO74WpVDabBDhj3P0qk-";
const std::string kAerial = "IeldkVfIh1wep_M8CMuDvA0nQ7Q-";
const std::string kSingle = "JgMQ4YZYgzK5YrzebAo5QHKqg98-"; // libdiscid's id of the single's TOC
const std::string kWywhRelease = "f17a0f30-8eb1-4322-b54e-fb71edb78d7c";

// Drive 0: Wish You Were Here's Immersion disc 2; drive 1: Aerial's disc 2; drive 2: a disc
// of four short tracks (the fuzzy answer's single), all without stored text.
struct LookupPlace
{
    GrabberPlace place{{{false, 75}},
                       "ATAPI | QUILLON | VIRTUAL CD | 1.0 | wywh.cue\n"
                       "ATAPI | QUILLON | VIRTUAL CD | 1.0 | aerial.cue\n"
                       "ATAPI | QUILLON | VIRTUAL CD | 1.0 | single.cue\n"};
    LookupServer server{place.dir / "server"};

    LookupPlace()
    {
        WriteTocImage(place.dir.Path(), "wywh", {150, 91851, 148493, 230435, 240674, 273050}, 301068);
        WriteTocImage(place.dir.Path(), "aerial", {150, 6614, 32287, 54041, 61236, 88129, 92729, 115276, 153877},
                      189343);
        WriteTocImage(place.dir.Path(), "single", {150, 450, 750, 1050}, 1350);
        ::setenv("QUILLON_LOOKUP_TIMEOUT", "2", 1);
    }
    ~LookupPlace() { ::unsetenv("QUILLON_LOOKUP_TIMEOUT"); }
};

template <typename T>
T* Child(QWidget& dialog, const char* name)
{
    T* child = dialog.findChild<T*>(QString::fromLatin1(name));
    if (child == nullptr)
        qFatal("no control %s", name);
    return child;
}

QString Cell(GrabberDialog& d, int row, TrackColumn column)
{
    const QAbstractItemModel* model = Child<QTableView>(d, "tracks")->model();
    return model->index(row, static_cast<int>(column)).data().toString();
}

QStringList Column(GrabberDialog& d, TrackColumn column)
{
    QStringList texts;
    for (int row = 0; row < Child<QTableView>(d, "tracks")->model()->rowCount(); ++row)
        texts << Cell(d, row, column);
    return texts;
}

QString Field(GrabberDialog& d, const char* name)
{
    return Child<QLineEdit>(d, name)->text();
}

QString Status(GrabberDialog& d)
{
    return Child<QLabel>(d, "lookupStatus")->text();
}

// Chooses row `row` of the release chooser when it shows, from the keyboard, and keeps
// the lines it offered.
struct ChooserRobot
{
    int row;
    QStringList lines;
    QString listName;
    QTimer timer;

    explicit ChooserRobot(int chosen) : row(chosen)
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            auto* chooser = qobject_cast<ReleaseChooser*>(QApplication::activeModalWidget());
            if (chooser == nullptr || !chooser->isVisible() || !lines.isEmpty())
                return;
            auto* list = Child<QListWidget>(*chooser, "releases");
            for (int i = 0; i < list->count(); ++i)
                lines << list->item(i)->text();
            listName = list->accessibleName();
            for (int i = 0; i < row; ++i)
                QTest::keyClick(list, Qt::Key_Down);
            QTest::mouseClick(Child<QPushButton>(*chooser, "ok"), Qt::LeftButton);
        });
        timer.start(20);
    }
};

void WaitForLookup(GrabberDialog& d, QSignalSpy& finished)
{
    if (finished.isEmpty())
        QVERIFY(finished.wait(15000));
    QCOMPARE(Child<QPushButton>(d, "lookup")->text(), QStringLiteral("&Lookup"));
    finished.clear();
}

} // namespace

class GrabberLookupTest : public QObject
{
    Q_OBJECT

private slots:
    void lookupFillsTheChosenReleaseItsMediumAndItsCover()
    {
        LookupPlace l;
        QVERIFY(l.server.Started());
        BoxRobot robot; // a box would be a failure; it must not hang the test
        const std::string cover = l.server.AnswerFolder() + "/" + kWywhRelease + ".jpg";
        QImage picture(16, 16, QImage::Format_RGB32);
        picture.fill(Qt::darkBlue);
        QVERIFY(picture.save(QString::fromStdString(cover), "PNG"));
        {
            GrabberDialog d(l.place.app);
            QVERIFY(d.Open());
            QSignalSpy finished(&d, &GrabberDialog::LookupFinished);
            d.show();
            d.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&d));
            l.server.Plan(kWywh + " answer wish-you-were-here.json\n");
            QCOMPARE(Status(d), QStringLiteral("not looked up"));

            // From the keyboard; the button turns into Cancel while the look-up runs.
            auto* lookup = Child<QPushButton>(d, "lookup");
            QVERIFY(lookup->focusPolicy() & Qt::TabFocus);
            lookup->setFocus();
            QTest::keyClick(lookup, Qt::Key_Space);
            QCOMPARE(lookup->text(), QStringLiteral("Cancel &look-up"));
            QCOMPARE(lookup->accessibleName(), QStringLiteral("Cancel look-up"));
            QCOMPARE(Status(d), QStringLiteral("Looking the disc up in MusicBrainz..."));
            WaitForLookup(d, finished);
            QCOMPARE(lookup->accessibleName(), QStringLiteral("Lookup"));

            // The release lists no tracks for the disc: the names stay, the rest is its.
            QCOMPARE(Column(d, TrackColumn::Name),
                     QStringList({"Track01", "Track02", "Track03", "Track04", "Track05", "Track06"}));
            QCOMPARE(Column(d, TrackColumn::Artist), QStringList(6, QStringLiteral("Pink Floyd")));
            QCOMPARE(Field(d, "artist"), QStringLiteral("Pink Floyd"));
            QCOMPARE(Field(d, "album"), QStringLiteral("Wish You Were Here"));
            QCOMPARE(Field(d, "year"), QStringLiteral("2011"));
            QCOMPARE(Status(d), QStringLiteral("Filled in from MusicBrainz: Pink Floyd \u2013 Wish You Were Here "
                                               "(2011, XE, EMI, CD 2/5, 6 tracks)"));
            auto* shown = Child<QLabel>(d, "coverPicture");
            QCOMPARE(shown->accessibleName(), QStringLiteral("Cover picture: front cover from the Cover Art Archive"));
            QVERIFY(!shown->pixmap().isNull());
            const std::string requests = l.server.Requests();
            QVERIFY2(requests.find("/release/" + kWywhRelease + "/front-500?\tQuillon/2.51") != std::string::npos,
                     requests.c_str());

            // Nothing is on disk before O&K; then the jobs carry the texts and the cover.
            char stem[32];
            std::snprintf(stem, sizeof stem, "cddata/%08x", l.place.app.drives[0].discId);
            QVERIFY(!QFile::exists(QString::fromStdString(l.place.dir / (std::string(stem) + ".txt"))));
            auto* tracks = Child<QTableView>(d, "tracks");
            tracks->setCurrentIndex(tracks->model()->index(1, 0));
            QTest::keyClick(tracks, Qt::Key_Space);
            QTest::mouseClick(Child<FlatButton>(d, "ok"), Qt::LeftButton);
            QCOMPARE(d.result(), int(QDialog::Accepted));
            QCOMPARE(l.place.app.jobs.Count(), 1);
            const TrackTags& tags = *l.place.app.jobs.Job(0).tags;
            QCOMPARE(tags.title, std::string("Track02"));
            QCOMPARE(tags.artist, std::string("Pink Floyd"));
            QCOMPARE(tags.album, std::string("Wish You Were Here"));
            QCOMPARE(tags.year, std::string("2011"));
            QVERIFY(tags.picture.bytes && *tags.picture.bytes == ReadBinaryFile(cover));
            QVERIFY(QFile::exists(QString::fromStdString(l.place.dir / (std::string(stem) + ".txt"))));
        }

        GrabberDialog d(l.place.app);
        QVERIFY(d.Open());
        QSignalSpy finished(&d, &GrabberDialog::LookupFinished);
        d.show();
        d.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&d));

        // Two releases by the TOC: the chooser offers both, the second is taken with its
        // second medium (the one of the disc id). Alt+L starts it wherever the focus is.
        l.server.Plan(kAerial + " toc aerial-toc.json\n");
        Child<QComboBox>(d, "drives")->setCurrentIndex(1);
        Child<QTableView>(d, "tracks")->setFocus();
        {
            ChooserRobot chooser(1);
            QTest::keyClick(&d, Qt::Key_L, Qt::AltModifier);
            WaitForLookup(d, finished);
            QCOMPARE(chooser.lines, QStringList({"[unknown artist] \u2013 Aerial (2008, Format 2/2, 9 tracks)",
                                                 "[unknown artist] \u2013 Aerial (2007, Format 2/2, 9 tracks)"}));
            QCOMPARE(chooser.listName, QStringLiteral("Several releases match this disc. Choose the release:"));
        }
        QCOMPARE(Field(d, "album"), QStringLiteral("Aerial"));
        QCOMPARE(Field(d, "year"), QStringLiteral("2007"));
        QCOMPARE(Field(d, "artist"), QStringLiteral("Unknown")); // the answer names no artist
        QCOMPARE(Column(d, TrackColumn::Artist), QStringList(9, QString()));
        QCOMPARE(Cell(d, 8, TrackColumn::Name), QStringLiteral("Track09"));
        QCOMPARE(Child<QLabel>(d, "coverPicture")->accessibleName(), QStringLiteral("Cover picture: none"));
        QVERIFY(l.server.Requests().find("front-500") == std::string::npos); // the answer says it has none

        // Loading a disc without stored text looks it up by itself when the setting says so:
        // the CD medium's Japanese titles, not the DVD's.
        l.place.app.settings.lookup.autoLookup = 1;
        l.server.Plan(kSingle + " toc careless-toc.json\n");
        Child<QComboBox>(d, "drives")->setCurrentIndex(2);
        WaitForLookup(d, finished);
        QCOMPARE(Column(d, TrackColumn::Name), QStringList({"\u30b1\u30a2\u30ec\u30b9", "Bye-Bye Butterfly", "Starry",
                                                            "\u30b1\u30a2\u30ec\u30b9 -Instrumental-"}));
        QCOMPARE(Field(d, "album"), QStringLiteral("\u30b1\u30a2\u30ec\u30b9"));
        QCOMPARE(Field(d, "year"), QStringLiteral("2021"));
        QCOMPARE(Status(d),
                 QStringLiteral("Filled in from MusicBrainz: [unknown artist] \u2013 \u30b1\u30a2\u30ec\u30b9 "
                                "(2021, JP, CD 1/2, 4 tracks)"));
        QCOMPARE(robot.seen.size(), 0);
    }

    // Grab Now! asks AccurateRip once every track is read: a record of the disc whose sums
    // are none of this rip's makes both tracks "Not accurate", named in a message and in
    // the log; the files stay.
    void grabNowChecksTheTracksAgainstAccurateRip()
    {
        GrabberPlace place({{false, 40}, {false, 25}}, "ATAPI | QUILLON | VIRTUAL CD | 1.0 | disc.cue\n");
        LookupServer server(place.dir / "server");
        QVERIFY(server.Started());
        // Ids of a disc of 40 and 25 sectors from sector 0 (RipAccuracy works them out).
        std::string record(1, '\x02');
        auto put = [&record](uint32_t v) {
            for (int shift = 0; shift < 32; shift += 8)
                record += static_cast<char>(v >> shift & 0xFF);
        };
        for (const uint32_t id : {0x69u, 0x114u, 0x04000002u})
            put(id);
        for (int track = 0; track < 2; ++track) {
            record += '\x05';
            put(0xDEADBEEF);
            put(0);
        }
        WriteTextFile(server.AnswerFolder() + "/record.bin", record);
        server.Plan("dBAR-002-00000069-00000114-04000002.bin answer record.bin\n");

        GrabberDialog d(place.app);
        QVERIFY(d.Open());
        d.show();
        const std::string out = place.dir / "wav";
        BoxRobot robot;
        GrabAllInto(d, out);
        QCOMPARE(robot.seen.size(), 1);
        QVERIFY2(robot.seen[0].text.endsWith(QStringLiteral("in the log:\nTrack01.WAV\nTrack02.WAV")),
                 qPrintable(robot.seen[0].text));
        QVERIFY(QFile::exists(QString::fromStdString(out + "/Track01.WAV")));
        const std::vector<uint8_t> bytes = ReadBinaryFile(out + "/disc-04000002.log");
        const std::string log(bytes.begin(), bytes.end());
        QVERIFY2(log.find("\n    Not accurate\n") != std::string::npos, log.c_str());
        QVERIFY2(server.Requests().find("/accuraterip/9/6/0/dBAR-002-00000069-00000114-04000002.bin?\tQuillon/") !=
                     std::string::npos,
                 "no request for the disc's record");
    }

    void failuresTellTheirClearTextAndStopNothing()
    {
        LookupPlace l;
        QVERIFY(l.server.Started());
        BoxRobot robot;
        Failures(l, robot);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(robot.seen.size(), 0);

        // Closing the dialog while a look-up waits for its answer ends it in a moment.
        l.server.Plan(kWywh + " slow wish-you-were-here.json\n");
        auto* closing = new GrabberDialog(l.place.app);
        QVERIFY(closing->Open());
        QTest::mouseClick(Child<QPushButton>(*closing, "lookup"), Qt::LeftButton);
        QTest::qWait(200);
        QElapsedTimer clock;
        clock.start();
        closing->reject();
        delete closing;
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    }

private:
    // Each failure a network gives, told by the box and the status line; then a look-up of
    // its own, and one cancelled.
    void Failures(LookupPlace& l, BoxRobot& robot)
    {
        GrabberDialog d(l.place.app);
        QVERIFY(d.Open());
        QSignalSpy finished(&d, &GrabberDialog::LookupFinished);
        d.show();
        Child<QComboBox>(d, "drives")->setCurrentIndex(2);
        const std::string& id = kSingle;
        struct Row
        {
            const char* plan;
            QString message; // the whole text, or its start for a time-out
        };
        const Row rows[] = {
            {"missing", "This disc is not in MusicBrainz."},
            {"down", "Could not reach MusicBrainz: the server answered with status 503"},
            {"garbage", "The answer of MusicBrainz cannot be read: it is not a JSON object"},
            {"close", "Could not reach MusicBrainz: Empty reply from server"},
            {"slow careless-toc.json", "Could not reach MusicBrainz: Operation timed out after 2"},
        };
        const QStringList names = {"Track01", "Track02", "Track03", "Track04"};
        for (const Row& row : rows) {
            l.server.Plan(id + " " + row.plan + "\n");
            robot.seen.clear();
            QTest::mouseClick(Child<QPushButton>(d, "lookup"), Qt::LeftButton);
            WaitForLookup(d, finished);
            QVERIFY2(robot.seen.size() == 1, row.plan);
            QVERIFY2(robot.seen[0].text.startsWith(row.message), qPrintable(robot.seen[0].text));
            QCOMPARE(Status(d), robot.seen[0].text);
            QCOMPARE(Column(d, TrackColumn::Name), names);
            QCOMPARE(Field(d, "album"), QStringLiteral("Unknown"));
            QVERIFY(d.isVisible());
        }

        // A look-up of its own (a disc without stored text) only tells the status line.
        robot.seen.clear();
        l.place.app.settings.lookup.autoLookup = 1;
        l.server.Plan(kAerial + " missing\n");
        Child<QComboBox>(d, "drives")->setCurrentIndex(1);
        WaitForLookup(d, finished);
        QCOMPARE(Status(d), QStringLiteral("This disc is not in MusicBrainz."));
        QCOMPARE(robot.seen.size(), 0);

        // Cancelled by the button: told at once; what the worker brings back later is dropped.
        l.place.app.settings.lookup.autoLookup = 0;
        l.server.Plan(kAerial + " slow aerial-discid.json\n");
        auto* lookup = Child<QPushButton>(d, "lookup");
        QTest::mouseClick(lookup, Qt::LeftButton);
        QTest::qWait(200);
        QTest::mouseClick(lookup, Qt::LeftButton);
        QCOMPARE(Status(d), QStringLiteral("The look-up was cancelled."));
        QCOMPARE(lookup->text(), QStringLiteral("&Lookup"));
        QTest::qWait(800);
        QCOMPARE(Cell(d, 0, TrackColumn::Name), QStringLiteral("Track01"));
        QCOMPARE(Field(d, "album"), QStringLiteral("Unknown"));
        QCOMPARE(robot.seen.size(), 0);
    }
};

QUILLON_WIDGET_TEST_MAIN(GrabberLookupTest)
#include "grabber_lookup_wtest.moc"
