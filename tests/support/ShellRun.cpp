#include "tests/support/ShellRun.h"

#include <array>
#include <cstdio>
#include <sys/wait.h>

namespace quillon {

CliRun RunShell(const std::string& command)
{
    CliRun r;
    FILE* p = ::popen(command.c_str(), "r");
    if (p == nullptr)
        return r;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0)
        r.out.append(buf.data(), n);
    const int s = ::pclose(p);
    r.status = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
    return r;
}

CliRun Quillon(const std::string& dir, const std::string& args, const std::string& after, const std::string& limits)
{
    std::string cmd = "cd '" + dir + "' && " + (limits.empty() ? "" : "trap '' XFSZ; " + limits + " ") + "TMP='" + dir +
                      "/tmp' XDG_CONFIG_HOME='" + dir + "/config' QUILLON_VIRTUAL_CD='" + dir + "/drives' " +
                      // A rip asks AccurateRip: where the test starts no server, a port where
                      // nothing listens, never the internet.
                      "QUILLON_ACCURATERIP_SERVER=\"${QUILLON_ACCURATERIP_SERVER:-http://127.0.0.1:9}\" " +
                      QUILLON_BIN_DIR + "/quillon " + args + " 2>&1";
    if (!after.empty())
        cmd = "{ " + cmd + " & p=$!; " + after + "; wait $p; }";
    return RunShell(cmd);
}

} // namespace quillon
