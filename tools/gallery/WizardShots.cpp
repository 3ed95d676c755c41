// The wizard's pictures for the gallery: page 1 with a few jobs, the file encoding
// options dialog and the finish page.
#include "app/QuillonApp.h"
#include "batch/windows/FileOptionsDialog.h"
#include "batch/windows/MLPage1.h"
#include "batch/windows/MLSheet.h"
#include "formats/WavHeader.h"
#include "ui/FolderTree.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QPixmap>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace quillon;

namespace {

void WriteWav(const std::string& path, size_t bytes)
{
    uint8_t header[kWavHeaderSize];
    BuildWavHeader(header, kWavHeaderSize + bytes, 2, 44100);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(header), kWavHeaderSize);
    out.close();
    std::filesystem::resize_file(path, kWavHeaderSize + bytes);
}

bool Save(const QPixmap& picture, const QString& path)
{
    if (!picture.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

void Settle(int ms)
{
    QEventLoop wait;
    QTimer::singleShot(ms, &wait, &QEventLoop::quit);
    wait.exec();
}

} // namespace

// Writes wizard-page1.png, options-dialog.png and wizard-finish.png into `outDir`;
// returns the number of pictures that could not be written.
int RenderWizard(const QString& outDir)
{
    const QString base = outDir + "/.wizard-folder";
    QDir(base).removeRecursively();
    QDir().mkpath(base + "/Music/Quiet Nights");
    const std::string music = QFile::encodeName(base + "/Music/Quiet Nights/").toStdString();
    const char* names[] = {"01 - Opening.wav", "02 - Harbour Lights.wav", "03 - Night Train.wav"};
    const size_t sizes[] = {41'263'104, 38'102'400, 52'920'000};
    std::vector<std::string> paths;
    for (int i = 0; i < 3; ++i) {
        WriteWav(music + names[i], sizes[i]);
        paths.push_back(music + names[i]);
    }
    std::ofstream(music + "04 - Live.mp3") << std::string(4096, '\0');
    paths.push_back(music + "04 - Live.mp3");

    QuillonApp app([](const char* name) { return std::getenv(name); });
    app.splashPending = false;
    app.jobs.SetDefaultOutputDirText("/home/listener/Encoded/");
    MLSheet sheet(app, {});
    const std::string root = QFile::encodeName(base + "/").toStdString();
    FolderTree* tree = sheet.Page1()->Tree();
    tree->SetDriveSource([root] { return std::vector<DriveInfo>{{root, "MUSIC", DriveType::Fixed, ""}}; });
    sheet.show();
    QTreeWidgetItem* drive = tree->TopNode()->child(0);
    tree->expandItem(drive);
    QTreeWidgetItem* folder = FolderTree::ChildNamed(drive, "Music");
    tree->expandItem(folder);
    tree->setCurrentItem(FolderTree::ChildNamed(folder, "Quiet Nights"));
    sheet.Page1()->AddDroppedPaths(paths);
    Settle(300);

    int failures = 0;
    failures += !Save(sheet.grab(), outDir + "/wizard-page1.png");

    EncodingOptions options;
    options.layer = 2;
    options.bitrate = 192;
    options.mode = 2;
    options.original = 1;
    FileOptionsDialog dialog(options, &sheet);
    dialog.show();
    Settle(100);
    failures += !Save(dialog.grab(), outDir + "/options-dialog.png");
    dialog.close();

    sheet.next();
    Settle(100);
    failures += !Save(sheet.grab(), outDir + "/wizard-finish.png");
    sheet.close();
    QDir(base).removeRecursively();
    return failures;
}
