#include "app/windows/DesktopStart.h"

#include "app/SettingsStore.h"
#include "batch/AddPaths.h"
#include "batch/windows/MLPage1.h"
#include "batch/windows/MLSheet.h"
#include "cd/windows/GrabberDialog.h"
#include "cd/windows/RunGrabWindow.h"
#include "platform/ExitCleanup.h"
#include "platform/qt/QtSettingsFile.h"
#include "res/Pictures.h"

#include <QApplication>
#include <QIcon>
#include <cstdlib>
#include <memory>

namespace quillon {

bool ShowMLSheet(QuillonApp& app, QWidget* parent, const std::vector<std::string>& paths)
{
    MLSheet sheet(app, OpenGrabberDialog, parent);
    // The first page empties the list when it opens (after the splash's second), so the
    // files come once it has: the page change is announced after the page's opening.
    if (!paths.empty()) {
        auto added = std::make_shared<bool>(false);
        QObject::connect(&sheet, &QWizard::currentIdChanged, &sheet, [&sheet, paths, added] {
            if (*added || sheet.currentPage() != sheet.Page1())
                return;
            *added = true;
            sheet.Page1()->AddDroppedPaths(paths);
        });
    }
    return sheet.exec() == QDialog::Accepted;
}

int DesktopMain(int argc, char** argv, const std::vector<std::string>& files)
{
    // A window asked to go by a signal leaves no half-made file of ours and no codec
    // program behind.
    EndWithoutLeftoversOnSignals();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon"));
    QApplication::setWindowIcon(QIcon(QString::fromLatin1(pictures::kAppIconPath)));
    // The desktop entry names the window's program, so that docks group its windows.
    QGuiApplication::setDesktopFileName(QStringLiteral("quillon"));

    const EnvironmentLookup getEnv = [](const char* name) { return std::getenv(name); };
    QuillonApp app(getEnv);
    QtSettingsFile settings(SettingsFilePath(getEnv));

    DesktopParts parts;
    parts.showWizard = ShowMLSheet;
    parts.addFiles = AddPathsToBatch;
    parts.makeGrab = MakeWindowTempWavGrab;
    return StartDesktop(app, settings, files, parts);
}

} // namespace quillon
