#include "cli/CdCommands.h"

#include <cstdio>
#include <cstring>

namespace {

void PrintUsage()
{
    std::printf("Usage: quillon [--help] [--version]\n"
                "Converts WAV files to MPEG audio and back, and grabs audio CDs.\n");
    quillon::PrintCdUsage();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && quillon::IsCdCommand(argv[1]))
        return quillon::RunCdCommand(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("quillon %s\n", QUILLON_VERSION);
        return 0;
    }
    PrintUsage();
    return 0;
}
