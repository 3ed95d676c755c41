#pragma once

#include "app/QuillonApp.h"
#include "run/ConversionRun.h"

#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace quillon {

class RunClock;
class StatusDialog;

// The pieces the desktop start-up is made of; the program gives the real ones, the tests
// their own codec programs, clock and wizard.
struct DesktopParts
{
    // Shows the wizard modally over `parent`, with `paths` put on its job list once its
    // first page has opened; true when it was finished.
    std::function<bool(QuillonApp& app, QWidget* parent, const std::vector<std::string>& paths)> showWizard;
    // Puts files named by path on a batch; one line per refused file (AddPathsToBatch).
    // Start-up tries the command line's files on a copy of the batch first, so that a
    // refused file is told on standard error and the wizard gets only the others.
    std::function<std::vector<std::string>(JobList& jobs, const std::vector<std::string>& paths,
                                           const DefaultEncodingOptions& defaults)>
        addFiles;
    RunClock* clock = nullptr; // none: the real pauses
    CodecLocator locator;      // none: the codec programs beside quillon
    TempWavGrab grab;          // none: made by makeGrab, or CD jobs are skipped
    // The CD-direct grab of a run, with its progress window over the status window.
    std::function<TempWavGrab(QuillonApp& app, QWidget* statusWindow)> makeGrab;
    // Told of each status window before it opens (the tests watch the loop with it).
    std::function<void(StatusDialog& window)> onStatusWindow;
};

// Start-up after the application object exists: the genre list, the check of the Qt
// Widgets library, the shared pictures, the stored defaults and the files given; then a
// status window after the other while one closes asking for the wizard again. Needs a
// QApplication. Returns the exit status: 0 when the user ended the program, 1 when the
// library is too old.
int StartDesktop(QuillonApp& app, SettingsBackend& settings, const std::vector<std::string>& files,
                 const DesktopParts& parts);

// The real wizard (MLSheet) with the CD grabber behind "Select audio tracks".
bool ShowMLSheet(QuillonApp& app, QWidget* parent, const std::vector<std::string>& paths);

// The whole desktop program: the QApplication, the application object, the settings file,
// the real wizard, and StartDesktop.
int DesktopMain(int argc, char** argv, const std::vector<std::string>& files);

} // namespace quillon
