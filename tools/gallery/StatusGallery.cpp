// The status window in the middle of a run, for the gallery: a slow stand-in encoder is fed
// a generated WAV file, the picture is taken part-way, and the run is cancelled.
#include "StatusGallery.h"

#include "batch/JobList.h"
#include "formats/WavHeader.h"
#include "run/ConversionRun.h"
#include "run/RunClock.h"
#include "run/windows/StatusDialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <vector>

namespace quillon {

namespace {

class NoPauseClock : public RunClock
{
public:
    void Pause(int) override {}
    int64_t NowSeconds() override { return static_cast<int64_t>(std::time(nullptr)); }
};

void WriteTone(const std::string& path, double seconds)
{
    const auto samples = static_cast<size_t>(seconds * 44100) * 2;
    std::vector<uint8_t> data(kWavHeaderSize + samples * 2);
    for (size_t i = 0; i < samples; ++i) {
        const auto sample = static_cast<int16_t>(6000 * std::sin(static_cast<double>(i / 2) * 0.05));
        data[kWavHeaderSize + 2 * i] = static_cast<uint8_t>(sample & 0xff);
        data[kWavHeaderSize + 2 * i + 1] = static_cast<uint8_t>((sample >> 8) & 0xff);
    }
    BuildWavHeader(data.data(), data.size(), 2, 44100);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

// Prints a line like an encoder's every 64 KiB and takes about 3 s per megabyte.
std::string WriteSlowEncoder(const std::string& folder)
{
    const std::string path = folder + "/slow-encoder.sh";
    std::ofstream(path) << "#!/bin/sh\n"
                           "for last; do :; done\n"
                           "echo 'Encoding with a slow stand-in encoder'\n"
                           "n=0\n"
                           "while :; do\n"
                           "  got=$(dd bs=65536 count=1 iflag=fullblock status=none | tee -a \"$last\" | wc -c)\n"
                           "  [ \"$got\" -eq 0 ] && break\n"
                           "  n=$((n + 1)); echo \"frame block $n written\"\n"
                           "  sleep 0.2\n"
                           "done\n";
    QFile::setPermissions(QString::fromStdString(path), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

} // namespace

bool RenderStatusWindow(const QString& outDir)
{
    const QString work = outDir + "/.gallery-run";
    QDir(work).removeRecursively();
    QDir().mkpath(work + "/Music/Live Recordings 1998-2004");
    const std::string folder = (work + "/Music/Live Recordings 1998-2004/").toStdString();
    WriteTone(folder + "01 - Harbour Lights.wav", 12.0);
    WriteTone(folder + "02 - Night Train.wav", 6.0);
    const std::string encoder = WriteSlowEncoder(work.toStdString());

    JobList jobs;
    jobs.SetDefaultOutputDir(folder);
    DefaultEncodingOptions options;
    options.bitrate = 192;
    jobs.AddFiles({{"01 - Harbour Lights.wav", "2067K"}, {"02 - Night Train.wav", "1033K"}}, folder, 1, options);
    NoPauseClock clock;

    StatusDialog window([](QWidget*) { return true; },
                        [&](RunWindow& runWindow) {
                            return std::make_unique<ConversionRun>(jobs, runWindow, clock, TempWavGrab{},
                                                                   [&](const char*) { return encoder; });
                        });
    bool saved = false;
    QTimer::singleShot(2500, &window, [&] {
        saved = window.grab().save(outDir + "/status-window.png");
        std::printf("%s\n", qPrintable(outDir + "/status-window.png"));
        window.reject();
    });
    // Cancel shows "Process aborted"; answer it.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
                box->button(QMessageBox::Ok)->click();
    });
    answer.start(50);
    window.exec();
    answer.stop();
    QDir(work).removeRecursively();
    return saved;
}

} // namespace quillon
