#pragma once

#include "cli/CliArguments.h"
#include "cli/ExitStatus.h"
#include "cli/StoredSettings.h"

#include <string>

namespace quillon {
class ConversionRun;
}

namespace quillon::cli {

class TerminalWindow;

int RunConversion(const CliArguments& arguments);

// Why `folder` cannot take the outputs ("" when it can): it does not exist, or it is a
// file or something else that is not a folder.
std::string OutputFolderProblem(const std::string& folder);

// The stored defaults with the options given over them, in `chosen`, and why they cannot
// be used ("" when they can). A fault of the stored values names the settings file, since
// no option given could explain it.
std::string ChooseEncodingOptions(const StoredSettings& loaded, const OptionOverrides& given,
                                  DefaultEncodingOptions& chosen);

// Runs the batch with Ctrl-C as Cancel and turns its end into the exit status.
// `skippedGrabs` is read once the run has ended (CD tracks that could not be grabbed).
int RunBatch(ConversionRun& run, TerminalWindow& window, const int& skippedGrabs);

int ShowDefaults();
int SaveDefaults(const CliArguments& arguments);

} // namespace quillon::cli
