// Settings under kill -9: a saver child stores the defaults through the real settings
// path again and again (value set N, N+1, ..., every value of set N being N) and is
// killed with SIGKILL at a random moment; after each kill the file must read as one whole
// set, no older than the last set known to be complete, and no stale file of ours may
// pile up beside it.
//
//   settings_kill [KILLS [SEED]]           defaults: 1000 kills, seed 1
//   settings_kill save FIRST               the saver (run by the driver)
#include "app/SettingsStore.h"
#include "platform/qt/QtSettingsFile.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace quillon;
namespace fs = std::filesystem;

// Leftovers younger than a minute may belong to a save still running; a save keeps them.
constexpr int kLeftoverAgeSeconds = 61;

const EnvironmentLookup kEnvironment = [](const char* name) { return std::getenv(name); };

DefaultSettings ValueSet(int32_t n)
{
    DefaultSettings s;
    s.defaultOutputDir = "/tmp/value-set-" + std::to_string(n) + "/";
    auto& o = s.options;
    o.layer = o.mode = o.bitrate = o.quality = o.copyright = o.original = o.errorProtection = o.deEmphasis = n;
    s.defaultCd = n;
    return s;
}

int Save(int32_t first)
{
    QtSettingsFile file(SettingsFilePath(kEnvironment));
    for (int32_t n = first;; ++n) {
        if (SettingsStore::SaveDefaults(file, ValueSet(n)) != 0)
            return 1;
        // Tell the driver which set is complete; a pipe write is atomic at this size.
        const std::string done = std::to_string(n) + "\n";
        if (write(1, done.data(), done.size()) < 0)
            return 1;
    }
}

// The set the file holds, -1 when it holds none whole (mixed or unreadable). Read from a
// copy under a new name: QSettings would take a rewrite of the same size within the same
// millisecond for the file it read before.
int32_t StoredSet(const std::string& path, const std::string& scratch)
{
    static int serial = 0;
    const std::string copy = scratch + "/read-" + std::to_string(++serial) + ".conf";
    std::error_code error;
    if (!fs::copy_file(path, copy, error))
        return -1;
    DefaultSettings loaded = ValueSet(-2);
    QtSettingsFile file(copy);
    SettingsStore::LoadDefaults(file, loaded);
    fs::remove(copy);
    const int32_t n = loaded.options.bitrate;
    const DefaultSettings expected = ValueSet(n);
    const auto& a = loaded.options;
    const auto& b = expected.options;
    const bool whole = loaded.defaultOutputDir == expected.defaultOutputDir && loaded.defaultCd == n &&
                       a.layer == b.layer && a.mode == b.mode && a.quality == b.quality && a.copyright == b.copyright &&
                       a.original == b.original && a.errorProtection == b.errorProtection &&
                       a.deEmphasis == b.deEmphasis;
    return whole && n >= 0 ? n : -1;
}

int StaleFiles(const fs::path& folder, const std::string& keep)
{
    int n = 0;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename() != keep)
            ++n;
    return n;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 2 && std::string(argv[1]) == "save")
        return Save(std::atoi(argv[2]));

    const int kills = argc > 1 ? std::atoi(argv[1]) : 1000;
    const unsigned seed = argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 1u;
    char pattern[] = "/tmp/quillon-settings-kill-XXXXXX";
    const std::string root = mkdtemp(pattern);
    const std::string scratch = root + "/scratch";
    fs::create_directories(scratch);
    setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
    const std::string path = SettingsFilePath(kEnvironment);
    const fs::path folder = fs::path(path).parent_path();
    const std::string name = fs::path(path).filename();
    const std::string self = fs::read_symlink("/proc/self/exe");

    {
        QtSettingsFile file(path);
        if (SettingsStore::SaveDefaults(file, ValueSet(0)) != 0) {
            std::fprintf(stderr, "settings_kill: the first save failed\n");
            return 1;
        }
    }
    std::mt19937 random(seed);
    // A save takes a few milliseconds; kills land during and between the saves.
    std::uniform_int_distribution<int> killAfterUs(0, 20000);
    int32_t complete = 0; // the newest set known to be whole on disk
    int torn = 0, older = 0, maxStale = 0, savesSeen = 0;
    std::string staleAlong; // after each quarter of the kills
    for (int k = 0; k < kills; ++k) {
        int pipeFds[2];
        if (pipe(pipeFds) != 0)
            return 1;
        const pid_t pid = fork();
        if (pid == 0) {
            dup2(pipeFds[1], 1);
            close(pipeFds[0]);
            close(pipeFds[1]);
            const std::string first = std::to_string(complete + 1);
            execl(self.c_str(), self.c_str(), "save", first.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(pipeFds[1]);
        // The saver's start-up is no part of a save: the clock starts once its first save
        // is complete, so that the kills land in the saves that follow.
        std::string reported;
        char buffer[4096];
        while (reported.find('\n') == std::string::npos) {
            const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
            if (n <= 0)
                break;
            reported.append(buffer, static_cast<size_t>(n));
        }
        std::this_thread::sleep_for(std::chrono::microseconds(killAfterUs(random)));
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        // The last set the saver reported finished is the oldest the file may hold.
        for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;)
            reported.append(buffer, static_cast<size_t>(n));
        close(pipeFds[0]);
        int32_t lastReported = complete;
        for (size_t at = 0; at < reported.size();) {
            const size_t end = reported.find('\n', at);
            if (end == std::string::npos)
                break;
            lastReported = std::atoi(reported.substr(at, end - at).c_str());
            ++savesSeen;
            at = end + 1;
        }
        const int32_t stored = StoredSet(path, scratch);
        if (stored < 0)
            ++torn;
        else if (stored < lastReported || stored > lastReported + 1)
            ++older;
        complete = std::max(lastReported, stored);
        const int stale = StaleFiles(folder, name);
        maxStale = std::max(maxStale, stale);
        if ((k + 1) % std::max(1, kills / 4) == 0)
            staleAlong += " " + std::to_string(stale);
    }
    const int staleBeforeLastSave = StaleFiles(folder, name);
    // A save leaves alone what may still belong to a running save; after that while, one
    // clean save must remove every leftover of the killed ones.
    std::this_thread::sleep_for(std::chrono::seconds(kLeftoverAgeSeconds));
    {
        QtSettingsFile file(path);
        SettingsStore::SaveDefaults(file, ValueSet(complete + 1));
    }
    const int staleAfterLastSave = StaleFiles(folder, name);
    std::printf("settings under kill -9: %d kills (seed %u), %d saves completed before their kill\n", kills, seed,
                savesSeen);
    std::printf("  file not one whole value set: %d; a set other than the old or the new: %d\n", torn, older);
    std::printf("  stale files beside the settings file: after each quarter of the kills%s (at most %d), %d after the\n"
                "  storm, %d after one clean save %d s later\n",
                staleAlong.c_str(), maxStale, staleBeforeLastSave, staleAfterLastSave, kLeftoverAgeSeconds);
    fs::remove_all(root);
    return torn == 0 && older == 0 && staleAfterLastSave == 0 ? 0 : 1;
}
