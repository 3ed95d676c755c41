#include "app/windows/DesktopStart.h"

#include "app/StartupRules.h"
#include "cd/GenreList.h"
#include "cli/ExitStatus.h"
#include "platform/DllVersion.h"
#include "res/Pictures.h"
#include "run/RunClock.h"
#include "run/windows/StatusDialog.h"

#include <QMessageBox>
#include <QPixmap>
#include <cstdio>
#include <memory>
#include <utility>

namespace quillon {

namespace {

// The pictures every wizard page and status window draws, loaded once so that they
// come from the pixmap cache afterwards.
void LoadSharedPictures()
{
    for (const int id : {pictures::kTile64, pictures::kTile128, pictures::kTile100, pictures::kTile239x146})
        QPixmap(QString::fromLatin1(pictures::PicturePath(id)));
}

} // namespace

int StartDesktop(QuillonApp& app, SettingsBackend& settings, const std::vector<std::string>& files,
                 const DesktopParts& parts)
{
    app.genres = BuildGenreList();

    std::uint32_t major = 0, minor = 0, build = 0;
    QueryDllVersion(kWidgetsLibraryName, major, minor, build);
    if (!WidgetsVersionSufficient(major, minor)) {
        QMessageBox::critical(nullptr, QStringLiteral("Quillon"), QString::fromLatin1(kString126));
        return cli::kExitFailed;
    }

    LoadSharedPictures();
    app.LoadDefaults(settings);
    if (const std::string problem = settings.Problem(); !problem.empty())
        std::fprintf(stderr, "quillon: the settings file is not read: %s\n", problem.c_str());

    std::vector<std::string> firstBatch;
    if (parts.addFiles) {
        JobList trial = app.jobs;
        for (const std::string& path : files) {
            const auto refused = parts.addFiles(trial, {path}, app.settings.options);
            if (refused.empty())
                firstBatch.push_back(path);
            for (const std::string& line : refused)
                std::fprintf(stderr, "quillon: %s\n", line.c_str());
        }
    }

    SystemRunClock systemClock;
    RunClock& clock = parts.clock ? *parts.clock : systemClock;
    int result = 0;
    do {
        StatusDialog window(
            [&](QWidget* parent) {
                const std::vector<std::string> paths = std::exchange(firstBatch, {});
                return parts.showWizard && parts.showWizard(app, parent, paths);
            },
            [&](RunWindow& runWindow) {
                TempWavGrab grab = parts.grab;
                if (!grab && parts.makeGrab)
                    grab = parts.makeGrab(app, &window); // the grab's windows sit over this one
                return std::make_unique<ConversionRun>(app.jobs, runWindow, clock, std::move(grab), parts.locator);
            });
        if (parts.onStatusWindow)
            parts.onStatusWindow(window);
        result = window.exec();
    } while (result == kRunResultAgain);
    return cli::kExitOk;
}

} // namespace quillon
