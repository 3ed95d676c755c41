// The command line: converts files with the same run the window uses, or works with
// audio CDs. The program's main decides whether it runs or the window opens.

#include "cli/CdCommands.h"
#include "cli/CdRip.h"
#include "cli/CliArguments.h"
#include "cli/Commands.h"
#include "cli/StartChoice.h"
#include "cli/UsageTexts.h"

#include <csignal>
#include <cstdio>

namespace {

// `quillon SUBCOMMAND --help` and `quillon help SUBCOMMAND`: the exit status once the
// usage (or why there is none) is printed, -1 when the words ask for no usage.
int AnswerHelp(const std::vector<std::string>& words)
{
    using namespace quillon::cli;
    if (words.empty())
        return -1;
    std::optional<std::string> usage = SubcommandUsage(words[0]);
    if (usage && AsksForHelp({words.begin() + 1, words.end()})) {
        std::fputs(usage->c_str(), stdout);
        return kExitOk;
    }
    if (words[0] != "help" || words.size() == 1)
        return -1;
    usage = SubcommandUsage(words[1]);
    if (!usage || words.size() > 2) {
        const std::string why = usage ? "help takes one subcommand" : "unknown command '" + words[1] + "'";
        std::fprintf(stderr, "quillon: %s\nTry 'quillon --help'.\n", why.c_str());
        return kExitUsage;
    }
    std::fputs(usage->c_str(), stdout);
    return kExitOk;
}

} // namespace

int quillon::cli::CommandLineMain(int argc, char** argv)
{
    // A closed pipe shows as a failed write, in the codec pipes as on our own output.
    std::signal(SIGPIPE, SIG_IGN);

    const std::vector<std::string> words(argv + 1, argv + argc);
    if (const int status = AnswerHelp(words); status >= 0)
        return status;
    if (argc > 1 && TakesCdOptionsOnly(argv[1]))
        return RunCdCommand(argc, argv);

    const CliArguments arguments = ParseArguments(words);
    // rip names itself in its complaints, as the other CD commands do.
    if (arguments.command == Command::Rip)
        return RunRip(arguments);
    if (!arguments.error.empty()) {
        std::fprintf(stderr, "quillon: %s\n%s", arguments.error.c_str(), "Try 'quillon --help'.\n");
        return kExitUsage;
    }
    switch (arguments.command) {
    case Command::Version: std::printf("quillon %s\n", QUILLON_VERSION); return kExitOk;
    case Command::Usage:
    case Command::Help: std::fputs(UsageText().c_str(), stdout); return kExitOk;
    case Command::Encode:
    case Command::Decode: return RunConversion(arguments);
    case Command::ShowDefaults: return ShowDefaults();
    case Command::SaveDefaults: return SaveDefaults(arguments);
    case Command::Rip: return RunRip(arguments);
    }
    return kExitUsage;
}
