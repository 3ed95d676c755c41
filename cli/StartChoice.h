#pragma once

#include <functional>
#include <string>
#include <vector>

namespace quillon::cli {

enum class StartKind {
    CommandLine, // a subcommand, an option or a word that is neither
    Desktop,     // no words, or files to put on the first batch
    NoDisplay,   // the desktop program was asked for but there is no display to open
};

// Decides what `quillon WORDS...` starts. Subcommands and options win; otherwise a first
// word that looks like a file (it has a '/' or a '.', or it names something that exists)
// makes every word a file for the desktop program's first batch. Anything else goes to
// the command line, which reports an unknown command.
StartKind ChooseStart(const std::vector<std::string>& words, const std::function<const char*(const char*)>& getEnv,
                      const std::function<bool(const std::string&)>& exists);

// The one line printed instead of starting the window when there is no display.
std::string NoDisplayMessage();

// The command-line program: subcommands, --help, --version.
int CommandLineMain(int argc, char** argv);

} // namespace quillon::cli
