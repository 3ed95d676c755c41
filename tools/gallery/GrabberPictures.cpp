#include "GrabberPictures.h"

#include "app/QuillonApp.h"
#include "cd/DriveQuirks.h"
#include "cd/GenreList.h"
#include "cd/windows/GrabProgressDialog.h"
#include "cd/windows/GrabberDialog.h"

#include <QDir>
#include <QTableView>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace quillon;

namespace {

// An album of silent audio tracks (a sparse BIN file) and its CUE sheet; the last track
// is a data track, as on an enhanced CD.
void WriteDemoDisc(const QString& dir)
{
    const uint32_t seconds[] = {254, 198, 321, 187, 402, 233, 145, 60};
    std::ofstream cue(QFile::encodeName(dir + "/album.cue").toStdString());
    cue << "FILE \"album.bin\" BINARY\n";
    uint32_t lba = 0;
    for (size_t t = 0; t < std::size(seconds); ++t) {
        char line[128];
        std::snprintf(line, sizeof line, "  TRACK %02zu %s\n    INDEX 01 %02u:%02u:%02u\n", t + 1,
                      t + 1 == std::size(seconds) ? "MODE1/2352" : "AUDIO", lba / 4500, lba / 75 % 60, lba % 75);
        cue << line;
        lba += seconds[t] * 75;
    }
    const std::string bin = QFile::encodeName(dir + "/album.bin").toStdString();
    std::ofstream(bin, std::ios::binary).close();
    std::filesystem::resize_file(bin, uint64_t{lba} * 2352);
    std::ofstream(QFile::encodeName(dir + "/drives").toStdString())
        << "ATAPI | QUILLON | VIRTUAL CD | 1.0 | album.cue\nATAPI | QUILLON | EMPTY TRAY | 1.0 | none\n";
}

// Stores the disc's text as an earlier O&K would have.
void StoreDemoText(QuillonApp& app)
{
    const char* names[] = {"Harbour Lights", "Night Train", "Quiet Crossing", "Salt and Rope", "Lanterns",
                           "The Long Pier",  "Coda"};
    GrabberSession session(app.drives, app.driveCount);
    session.DetectDrives();
    session.LoadDisc(0, 2026);
    for (int i = 0; i < 7; ++i)
        session.RenameTrack(i, names[i]);
    session.artist = "The Quays";
    session.album = "Night Crossing";
    session.year = "1998";
    session.comment = "first pressing";
    session.genre = FindGenre("Folk-Rock");
    session.AssignInfoToAll();
    session.SetTicked(0, true);
    JobList jobs;
    std::string message;
    session.AcceptTracks(jobs, app.settings.options, message);
}

} // namespace

void RenderGrabberWindows(const std::function<void(const QPixmap&, const QString&)>& save)
{
    QTemporaryDir dir;
    WriteDemoDisc(dir.path());
    const QString oldDir = QDir::currentPath();
    QDir::setCurrent(dir.path());
    qputenv("QUILLON_VIRTUAL_CD", QFile::encodeName(dir.path() + "/drives"));
    ResetDriveQuirks();
    {
        QuillonApp app([](const char* name) { return static_cast<const char*>(std::getenv(name)); });
        StoreDemoText(app);
        GrabberDialog dialog(app);
        if (dialog.Open()) {
            auto* tracks = dialog.findChild<QTableView*>(QStringLiteral("tracks"));
            for (int row : {0, 2, 3})
                tracks->model()->setData(tracks->model()->index(row, 0), Qt::Checked, Qt::CheckStateRole);
            tracks->selectRow(2);
            dialog.show();
            save(dialog.grab(), QStringLiteral("grabber-dialog.png"));

            GrabProgressDialog progress(&dialog);
            progress.Create();
            progress.SetFileText("/home/listener/Music/Night Crossing/Quiet Crossing.WAV");
            progress.SetGrabbedText("41 MBytes, 18360 Sectors.");
            progress.SetSpeedText(" 7.4 X");
            progress.SetTrackRange(0, 24075 / 4);
            for (int i = 0; i < 24075 / 4 * 2 / 5; ++i)
                progress.StepTrackBar();
            progress.SetTotalRange(0, (19050 + 24075 + 14025) / 4);
            progress.SetTotalStep(1);
            progress.SetTotalPos(18360 / 4);
            progress.adjustSize();
            save(progress.grab(), QStringLiteral("grab-progress.png"));
            progress.Destroy();
        }
    }
    qunsetenv("QUILLON_VIRTUAL_CD");
    QDir::setCurrent(oldDir);
}
