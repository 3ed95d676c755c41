#include "platform/ProgramStart.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillon {

int ShellCodeForErrno(int error)
{
    switch (error) {
    case EAGAIN:
    case EMFILE:
    case ENFILE: return 0;
    case ENOENT: return 2;
    case ENOTDIR:
    case ELOOP:
    case ENAMETOOLONG: return 3;
    case EACCES:
    case EPERM: return 5;
    case ENOMEM:
    case E2BIG: return 8;
    case ENOEXEC:
    case ELIBBAD: return 11;
    case ETXTBSY: return 26;
    default: return 1000 + error;
    }
}

static int CheckRunnable(const std::string& path)
{
    struct stat info
    {};
    if (stat(path.c_str(), &info) != 0) {
        return ShellCodeForErrno(errno);
    }
    if (S_ISDIR(info.st_mode) || access(path.c_str(), X_OK) != 0) {
        return 5;
    }
    return kStartedCode;
}

int ResolveProgram(const std::string& name, std::string& path)
{
    if (name.empty()) {
        return 2;
    }
    if (name.find('/') != std::string::npos) {
        path = name;
        return CheckRunnable(name);
    }
    const char* value = std::getenv("PATH");
    std::istringstream folders(value != nullptr ? value : "/usr/local/bin:/usr/bin:/bin");
    std::string folder;
    int code = 2;
    while (std::getline(folders, folder, ':')) {
        std::string candidate = (folder.empty() ? std::string(".") : folder) + "/" + name;
        int result = CheckRunnable(candidate);
        if (result == kStartedCode) {
            path = candidate;
            return result;
        }
        if (result != 2 && result != 3) {
            code = result;
        }
    }
    return code;
}

int StartDetached(const std::vector<std::string>& argv)
{
    if (argv.empty()) {
        return 2;
    }
    std::string path;
    int code = ResolveProgram(argv[0], path);
    if (code != kStartedCode) {
        return code;
    }
    // Everything the children need is prepared here: after fork only calls that are safe
    // in a multi-threaded parent may run.
    std::vector<char*> args;
    for (const std::string& word : argv) {
        args.push_back(const_cast<char*>(word.c_str()));
    }
    args.push_back(nullptr);

    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        return ShellCodeForErrno(errno);
    }
    pid_t middle = fork();
    if (middle < 0) {
        int error = errno;
        close(report[0]);
        close(report[1]);
        return ShellCodeForErrno(error);
    }
    if (middle == 0) {
        // The middle child starts the program and leaves at once, so the program is
        // adopted by init and never becomes our zombie.
        setsid();
        pid_t program = fork();
        if (program == 0) {
            execv(path.c_str(), args.data());
            int error = errno;
            ssize_t ignored = write(report[1], &error, sizeof error);
            (void)ignored;
            _exit(127);
        }
        if (program < 0) {
            int error = errno;
            ssize_t ignored = write(report[1], &error, sizeof error);
            (void)ignored;
        }
        _exit(0);
    }
    close(report[1]);
    int status = 0;
    while (waitpid(middle, &status, 0) < 0 && errno == EINTR) {}
    // The pipe closes on a successful exec, so end of file means started.
    int error = 0;
    ssize_t got;
    do {
        got = read(report[0], &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    close(report[0]);
    return got == static_cast<ssize_t>(sizeof error) ? ShellCodeForErrno(error) : kStartedCode;
}

} // namespace quillon
