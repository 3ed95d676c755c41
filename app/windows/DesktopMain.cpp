#include "app/windows/DesktopStart.h"

#include "app/SettingsStore.h"
#include "batch/AddPaths.h"
#include "batch/windows/MLPage1.h"
#include "batch/windows/MLSheet.h"
#include "platform/qt/QtSettingsFile.h"
#include "res/Pictures.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>
#include <cstdlib>

namespace quillon {

bool ShowMLSheet(QuillonApp& app, QWidget* parent, const std::vector<std::string>& paths)
{
    // The grabber is wired in by its own window; until then the button finds no tracks.
    MLSheet sheet(app, TrackPicker{}, parent);
    // The first page empties the list when it opens, so the files come once it has.
    if (!paths.empty())
        QTimer::singleShot(0, &sheet, [&sheet, paths] { sheet.Page1()->AddDroppedPaths(paths); });
    return sheet.exec() == QDialog::Accepted;
}

int DesktopMain(int argc, char** argv, const std::vector<std::string>& files)
{
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
    return StartDesktop(app, settings, files, parts);
}

} // namespace quillon
