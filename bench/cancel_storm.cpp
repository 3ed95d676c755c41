// Cancel storm: conversions over four kinds of stub codec program, each cancelled at a
// random moment, with the run's fixed pauses taken out. Prints hangs, the time from
// Cancel to idle (the run's worker ended and the run object gone), children and zombies
// left, descriptors leaked and files left in the output folder.
//
//   cancel_storm [RUNS [SEED [STUB]]]      defaults: 1000 runs, seed 1, the tests' fake_codec
#include "batch/JobList.h"
#include "formats/WavHeader.h"
#include "run/ConversionRun.h"
#include "run/NullRunWindow.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace quillon;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kKinds[] = {"copy", "never-read", "exit-now", "flood"};
constexpr uint64_t kInputBytes = 2 * 1024 * 1024;
constexpr int kLatestCancelUs = 40000; // covers a whole copy job at pipe speed
constexpr int kHangMs = 10000;
constexpr int kGiveUpMs = 120000;

// Ctrl-C or a time limit (SIGINT, SIGTERM) ends the storm after the current run, with the
// figures of the runs done so far.
volatile std::sig_atomic_t stopRequested = 0;
void RequestStop(int)
{
    stopRequested = 1;
}

using QuietWindow = NullRunWindow;

class NoPauses : public RunClock
{
public:
    void Pause(int) override {}
    int64_t NowSeconds() override
    {
        return std::chrono::duration_cast<std::chrono::seconds>(Clock::now().time_since_epoch()).count();
    }
};

int OpenDescriptors()
{
    int n = 0;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        (void)entry;
        ++n;
    }
    return n - 1; // the iterator's own
}

struct Children
{
    int running = 0;
    int zombies = 0;
};

Children OurChildren()
{
    Children c;
    const pid_t self = getpid();
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line))
            continue;
        // pid (comm) state ppid ...: the name may hold blanks, so read after the last ')'.
        const auto close = line.rfind(')');
        if (close == std::string::npos)
            continue;
        char state = 0;
        int ppid = 0;
        if (std::sscanf(line.c_str() + close + 1, " %c %d", &state, &ppid) != 2 || ppid != self)
            continue;
        if (state == 'Z')
            ++c.zombies;
        else
            ++c.running;
    }
    return c;
}

double Percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t index =
        std::min(values.size() - 1, static_cast<size_t>(p * static_cast<double>(values.size() - 1) + 0.5));
    return values[index];
}

const char* EndName(RunEnd end)
{
    switch (end) {
    case RunEnd::Finished: return "finished";
    case RunEnd::Failed: return "failed";
    case RunEnd::Aborted: return "aborted";
    case RunEnd::Closed: return "closed";
    default: return "not ended";
    }
}

struct Figures
{
    int runs = 0, hangs = 0, zombies = 0, childrenLeft = 0, partialFiles = 0, temporaryFiles = 0;
    int maxFdGrowth = 0, finalFdGrowth = 0;
    std::map<std::string, std::vector<double>> idleMs;
    std::map<std::string, int> ends;
};

void Print(const Figures& f, unsigned seed)
{
    std::vector<double> all;
    for (const auto& [kind, list] : f.idleMs)
        all.insert(all.end(), list.begin(), list.end());
    std::printf("cancel storm: %d runs (seed %u)%s, pauses 0, input %llu bytes\n", f.runs, seed,
                stopRequested ? ", stopped early" : "", static_cast<unsigned long long>(kInputBytes));
    std::printf("  hangs (not idle within %d ms): %d\n", kHangMs, f.hangs);
    std::printf("  Cancel to idle: p50 %.1f ms, p99 %.1f ms, max %.1f ms\n", Percentile(all, 0.5),
                Percentile(all, 0.99), all.empty() ? 0.0 : *std::max_element(all.begin(), all.end()));
    for (const auto& [kind, list] : f.idleMs)
        std::printf("    %-10s %4zu runs: p50 %.1f ms, p99 %.1f ms, max %.1f ms\n", kind.c_str(), list.size(),
                    Percentile(list, 0.5), Percentile(list, 0.99), *std::max_element(list.begin(), list.end()));
    std::printf("  run ends:");
    for (const auto& [name, n] : f.ends)
        std::printf(" %s %d", name.c_str(), n);
    std::printf("\n  zombies seen after idle: %d; codec programs still running after idle: %d\n", f.zombies,
                f.childrenLeft);
    std::printf("  descriptors leaked: at most %d during the storm, %d at the end\n", f.maxFdGrowth, f.finalFdGrowth);
    std::printf("  files left: %d partial outputs, %d temporary files\n", f.partialFiles, f.temporaryFiles);
}

} // namespace

int main(int argc, char** argv)
{
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGINT, RequestStop);
    std::signal(SIGTERM, RequestStop);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 1000;
    const unsigned seed = argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 1u;
    const std::string stub = argc > 3 ? argv[3] : QUILLON_FAKE_CODEC_PATH;
    if (access(stub.c_str(), X_OK) != 0) {
        std::fprintf(stderr, "cancel_storm: the stub codec %s is missing (build fake_codec)\n", stub.c_str());
        return 1;
    }

    char pattern[] = "/tmp/quillon-cancel-storm-XXXXXX";
    const fs::path folder = mkdtemp(pattern);
    const fs::path in = folder / "in";
    const fs::path out = folder / "out";
    fs::create_directories(in);
    fs::create_directories(out);
    {
        std::vector<uint8_t> wav(kInputBytes, 0x11);
        BuildWavHeader(wav.data(), wav.size(), 2, 44100);
        std::ofstream(in / "input.wav", std::ios::binary)
            .write(reinterpret_cast<const char*>(wav.data()), static_cast<std::streamsize>(wav.size()));
    }

    std::mt19937 random(seed);
    std::uniform_int_distribution<int> cancelAfterUs(0, kLatestCancelUs);
    QuietWindow window;
    NoPauses clock;
    Figures figures;
    const int baseFds = OpenDescriptors();

    for (int i = 0; i < runs && !stopRequested; ++i) {
        const std::string kind = kKinds[i % 4];
        setenv("QUILLON_FAKE_CODEC", kind.c_str(), 1);
        JobList jobs;
        jobs.SetDefaultOutputDir(out.string());
        jobs.AddFiles({{"input.wav", SizeText(kInputBytes)}}, in.string(), kActionEncode, DefaultEncodingOptions{});

        auto run =
            std::make_unique<ConversionRun>(jobs, window, clock, TempWavGrab{}, [&](const char*) { return stub; });
        run->Start();
        std::this_thread::sleep_for(std::chrono::microseconds(cancelAfterUs(random)));

        const auto cancelled = Clock::now();
        RunEnd end = RunEnd::NotEnded;
        std::mutex mutex;
        std::condition_variable idle;
        bool done = false;
        std::thread finisher([&] {
            run->Cancel();
            run->Join();
            end = run->End();
            run.reset();
            std::lock_guard lock(mutex);
            done = true;
            idle.notify_all();
        });
        {
            std::unique_lock lock(mutex);
            if (!idle.wait_for(lock, std::chrono::milliseconds(kHangMs), [&] { return done; })) {
                ++figures.hangs;
                if (!idle.wait_for(lock, std::chrono::milliseconds(kGiveUpMs - kHangMs), [&] { return done; })) {
                    std::printf("run %d (%s) did not end within %d ms; giving up\n", i, kind.c_str(), kGiveUpMs);
                    figures.runs = i;
                    Print(figures, seed);
                    std::fflush(stdout);
                    _exit(2);
                }
            }
        }
        finisher.join();
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - cancelled).count();
        figures.idleMs[kind].push_back(ms);
        figures.ends[EndName(end)]++;

        const Children children = OurChildren();
        figures.zombies += children.zombies;
        figures.childrenLeft += children.running;
        figures.maxFdGrowth = std::max(figures.maxFdGrowth, OpenDescriptors() - baseFds);

        // What a finished run leaves is its whole output; anything else is left over.
        const bool copies = kind == "copy" || kind == "flood";
        for (const auto& entry : fs::directory_iterator(out)) {
            const std::string name = entry.path().filename();
            const bool temporary = name.front() == '.' || name.find(".part") != std::string::npos ||
                                   name.find(".tmp") != std::string::npos;
            const bool whole = end != RunEnd::Aborted && copies && entry.is_regular_file() &&
                               entry.file_size() == kInputBytes - kWavHeaderSize;
            if (temporary)
                ++figures.temporaryFiles;
            else if (!whole)
                ++figures.partialFiles;
        }
        fs::remove_all(out);
        fs::create_directories(out);
        figures.runs = i + 1;
    }
    // Children a run left running may still end and be reaped later; none may stay.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const Children last = OurChildren();
    figures.zombies += last.zombies;
    figures.finalFdGrowth = OpenDescriptors() - baseFds;
    Print(figures, seed);
    fs::remove_all(folder);
    const bool good = figures.hangs == 0 && figures.zombies == 0 && figures.finalFdGrowth == 0 &&
                      figures.partialFiles == 0 && figures.temporaryFiles == 0 &&
                      Percentile(
                          [&] {
                              std::vector<double> all;
                              for (const auto& [k, l] : figures.idleMs)
                                  all.insert(all.end(), l.begin(), l.end());
                              return all;
                          }(),
                          0.99) < 2000;
    return good ? 0 : 1;
}
