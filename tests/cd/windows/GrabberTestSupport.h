#pragma once

// Shared pieces of the grabber window tests: a folder with a generated disc and a drive
// list over it as the current directory, and a robot that answers message boxes.

#include "TestDisc.h"
#include "app/QuillonApp.h"
#include "cd/DriveQuirks.h"
#include "cd/windows/GrabProgressDialog.h"
#include "formats/WavHeader.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>

namespace quillon::testing {

struct GrabberPlace
{
    TempDir dir;
    ScopedChdir cd{dir.Path()};
    TestDisc disc;
    QuillonApp app{[](const char*) -> const char* { return nullptr; }};

    // `drives` lines use "disc.cue", made of `tracks`.
    GrabberPlace(const std::vector<TestTrack>& tracks, const std::string& drives)
    {
        disc = MakeTestDisc(dir.Path(), "disc", tracks);
        WriteTextFile(dir / "drives", drives);
        ::setenv("QUILLON_VIRTUAL_CD", (dir / "drives").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
        ResetDriveQuirks();
        app.jobs.SetDefaultOutputDir(dir.Path() + "/out/");
    }
    ~GrabberPlace() { ::unsetenv("QUILLON_VIRTUAL_CD"); }
};

// Answers every message box that opens with `answer` (OK when the box has no such
// button) and keeps what each box said.
class BoxRobot
{
public:
    struct Seen
    {
        QString text;
        QMessageBox::Icon icon;
    };

    explicit BoxRobot(QMessageBox::StandardButton answer = QMessageBox::Ok) : answer_(answer)
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
        timer_.start(10);
    }

    QList<Seen> seen;
    // Runs when a box is found, before it is answered.
    std::function<void(QMessageBox*)> onBox;

private:
    void Poll()
    {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (box == nullptr || !box->isVisible() || box->property("answered").toBool())
                continue;
            box->setProperty("answered", true);
            seen.append({box->text(), box->icon()});
            if (onBox)
                onBox(box);
            QAbstractButton* button = box->button(answer_);
            (button ? button : box->button(QMessageBox::Ok))->click();
        }
    }

    QMessageBox::StandardButton answer_;
    QTimer timer_;
};

// The WAV file a grabbed track must give: the header, then the track's sectors of the image.
inline std::vector<uint8_t> ExpectedWav(const TestDisc& disc, int track, uint32_t sectors)
{
    std::vector<uint8_t> data = PatternSectors(disc.starts[track], sectors);
    std::vector<uint8_t> file(kWavHeaderSize);
    BuildWavHeader(file.data(), kWavHeaderSize + data.size(), 2, 44100.0);
    file.insert(file.end(), data.begin(), data.end());
    return file;
}

// The ways a user stops a grab from its progress window; each must do what Cancel does.
struct StopWay
{
    const char* name;
    void (*stop)(GrabProgressDialog& window);
};

inline const std::vector<StopWay>& StopWays()
{
    static const std::vector<StopWay> ways = {
        {"Cancel button", [](GrabProgressDialog& w) { QTest::mouseClick(w.CancelButton(), Qt::LeftButton); }},
        // The key goes where the user's key goes: to the control with the focus.
        {"Escape",
         [](GrabProgressDialog& w) { QTest::keyClick(w.focusWidget() ? w.focusWidget() : &w, Qt::Key_Escape); }},
        {"title bar's close button", [](GrabProgressDialog& w) { w.close(); }},
    };
    return ways;
}

} // namespace quillon::testing
