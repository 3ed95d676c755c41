#pragma once

// Shared pieces of the grabber window tests: a folder with a generated disc and a drive
// list over it as the current directory, and the ways to stop a grab.

#include "TestDisc.h"
#include "app/QuillonApp.h"
#include "cd/DriveQuirks.h"
#include "cd/windows/FlatButton.h"
#include "cd/windows/GrabProgressDialog.h"
#include "cd/windows/GrabberDialog.h"
#include "formats/WavHeader.h"
#include "tests/support/BoxRobot.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTest>
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
        // The tests that look discs up turn it on again with their own server.
        app.settings.lookup.autoLookup = 0;
    }
    ~GrabberPlace() { ::unsetenv("QUILLON_VIRTUAL_CD"); }
};

using testing_support::BoxRobot;

// The WAV file a grabbed track must give: the header, then the track's sectors of the image.
inline std::vector<uint8_t> ExpectedWav(const TestDisc& disc, int track, uint32_t sectors)
{
    std::vector<uint8_t> data = PatternSectors(disc.starts[track], sectors);
    std::vector<uint8_t> file(kWavHeaderSize);
    BuildWavHeader(file.data(), kWavHeaderSize + data.size(), 2, 44100.0);
    file.insert(file.end(), data.begin(), data.end());
    return file;
}

// Ticks every track and presses Grab Now!, the folder it asks for answered with `out`
// (made first). A box the grab shows needs a BoxRobot made before.
inline void GrabAllInto(GrabberDialog& d, const std::string& out)
{
    QDir().mkpath(QString::fromStdString(out));
    d.askFolder = [out](const std::string&) -> std::optional<std::string> { return out; };
    QTest::mouseClick(d.findChild<FlatButton*>(QStringLiteral("selectAll")), Qt::LeftButton);
    QTest::mouseClick(d.findChild<FlatButton*>(QStringLiteral("grabNow")), Qt::LeftButton);
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
