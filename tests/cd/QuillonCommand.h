#pragma once

// Runs the real quillon program in a test folder with its own settings and virtual drives.

#include <array>
#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace quillon {

struct CliRun
{
    int status = -1;
    std::string out; // standard output and error together
};

// A shell command line, its status and everything it printed.
inline CliRun RunShell(const std::string& command)
{
    CliRun r;
    FILE* p = ::popen(command.c_str(), "r");
    std::array<char, 4096> buf;
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0)
        r.out.append(buf.data(), n);
    const int s = ::pclose(p);
    r.status = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
    return r;
}

// `quillon ARGS` in `dir`, with dir/config as its settings folder, dir/tmp as its
// temporary folder and dir/drives as its drive list. `after`, when given, is a shell
// command run once quillon has started (its process number is $p). `limits`, when given,
// is a shell command run before quillon starts (such as "ulimit -f 256;"); a write past
// a file size limit then fails instead of ending the program.
inline CliRun Quillon(const std::string& dir, const std::string& args, const std::string& after = "",
                      const std::string& limits = "")
{
    std::string cmd = "cd '" + dir + "' && " + (limits.empty() ? "" : "trap '' XFSZ; " + limits + " ") + "TMP='" + dir +
                      "/tmp' XDG_CONFIG_HOME='" + dir + "/config' QUILLON_VIRTUAL_CD='" + dir + "/drives' " +
                      QUILLON_BIN_DIR + "/quillon " + args + " 2>&1";
    if (!after.empty())
        cmd = "{ " + cmd + " & p=$!; " + after + "; wait $p; }";
    return RunShell(cmd);
}

} // namespace quillon
