#pragma once

#include <string>

namespace quillon {

// What a shell command line printed on its standard output and error, and its exit status
// (-1 when a signal ended it).
struct CliRun
{
    int status = -1;
    std::string out;
};

CliRun RunShell(const std::string& command);

// `quillon ARGS` in `dir`, with dir/config as its settings folder, dir/tmp as its
// temporary folder and dir/drives as its drive list; its AccurateRip look-up goes to
// QUILLON_ACCURATERIP_SERVER when the test names one, else to a port where nothing
// listens. `after`, when given, is a shell command run once quillon has started (its
// process number is $p). `limits`, when given, is a shell command run before quillon
// starts (such as "ulimit -f 256;"); a write past a file size limit then fails instead of
// ending the program.
CliRun Quillon(const std::string& dir, const std::string& args, const std::string& after = "",
               const std::string& limits = "");

} // namespace quillon
