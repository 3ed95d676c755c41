// The command line: converts files with the same run the window uses, or works with
// audio CDs. The program's main decides whether it runs or the window opens.

#include "cli/CdCommands.h"
#include "cli/CliArguments.h"
#include "cli/Commands.h"
#include "cli/StartChoice.h"

#include <csignal>
#include <cstdio>

int quillon::cli::CommandLineMain(int argc, char** argv)
{
    // A closed pipe shows as a failed write, in the codec pipes as on our own output.
    std::signal(SIGPIPE, SIG_IGN);

    if (argc > 1 && quillon::IsCdCommand(argv[1]))
        return quillon::RunCdCommand(argc, argv);

    const CliArguments arguments = ParseArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (!arguments.error.empty()) {
        std::fprintf(stderr, "quillon: %s\n%s", arguments.error.c_str(), "Try 'quillon --help'.\n");
        return kExitUsage;
    }
    switch (arguments.command) {
    case Command::Version:
        std::printf("quillon %s\n", QUILLON_VERSION);
        return kExitOk;
    case Command::Usage:
    case Command::Help:
        std::fputs(UsageText().c_str(), stdout);
        std::printf("\nAudio CD commands:\n");
        quillon::PrintCdUsage();
        std::printf("\nWithout a subcommand quillon opens its window; quillon FILE... opens it with the\n"
                    "WAV and MPEG audio files on the batch.\n");
        return kExitOk;
    case Command::Encode:
    case Command::Decode:
        return RunConversion(arguments);
    case Command::ShowDefaults:
        return ShowDefaults();
    case Command::SaveDefaults:
        return SaveDefaults(arguments);
    }
    return kExitUsage;
}
