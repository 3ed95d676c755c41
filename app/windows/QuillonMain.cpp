// quillon: the desktop program, or with a subcommand the command line.
#include "app/windows/DesktopStart.h"
#include "cli/ExitStatus.h"
#include "cli/StartChoice.h"
#include "platform/StandardDescriptors.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

int main(int argc, char** argv)
{
    using namespace quillon::cli;
    quillon::KeepStandardDescriptorsOpen();
    // A closed pipe shows as a failed write, in the codec pipes as on our own output.
    std::signal(SIGPIPE, SIG_IGN);

    const std::vector<std::string> words(argv + 1, argv + argc);
    const auto exists = [](const std::string& path) {
        std::error_code error;
        return std::filesystem::exists(path, error);
    };
    switch (ChooseStart(
        words, [](const char* name) { return std::getenv(name); }, exists)) {
    case StartKind::CommandLine: return CommandLineMain(argc, argv);
    case StartKind::NoDisplay: std::fprintf(stderr, "%s\n", NoDisplayMessage().c_str()); return kExitUsage;
    case StartKind::Desktop: break;
    }
    return quillon::DesktopMain(argc, argv, words);
}
