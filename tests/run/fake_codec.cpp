// A stand-in codec program for the pipe tests. Its first word picks the behaviour:
//   copy OUT        copies standard input to OUT, prints a line per 64 KiB and a summary
//   exit-now        prints one line and exits with status 3 without reading
//   never-read MS   prints one line, never reads, exits after MS milliseconds
//   long-lines      prints a 250-character line, then "done"
//   stop-byte       prints "before", a 0xFF byte, then "after"
//   lone-cr         prints "a\rb", then "c\r\n", then "d"
//   slow-copy OUT   like copy, but sleeps 1 ms per read so the pipe fills up
//   flood OUT       copies standard input to OUT while printing lines as fast as it can
//   many-lines N    prints N numbered lines as fast as it can (a failed write loses its line)
// Started with codec arguments (the first word begins with "-m", as the run passes them),
// it takes the mode from QUILLON_FAKE_CODEC ("copy", "never-read", "exit-now" or "flood")
// and the output from the last word, so that a run can use it as its encoder; "vanish"
// copies and then removes its output, as when the output is lost before the run is done.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

void Say(const std::string& text)
{
    [[maybe_unused]] ssize_t n = write(1, text.data(), text.size());
}

int Copy(const char* path, bool slow)
{
    FILE* out = std::fopen(path, "wb");
    if (!out) {
        Say("cannot create output\n");
        return 2;
    }
    char buffer[65536];
    long long total = 0;
    for (;;) {
        const ssize_t n = read(0, buffer, sizeof buffer);
        if (n <= 0)
            break;
        std::fwrite(buffer, 1, static_cast<size_t>(n), out);
        total += n;
        if (slow)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (total % 65536 == 0)
            Say("copied " + std::to_string(total) + "\n");
    }
    std::fclose(out);
    Say("total " + std::to_string(total) + "\n");
    return 0;
}

// Reads in a thread of its own so that the printing never waits for the input.
int Flood(const char* path)
{
    std::atomic<bool> ended{false};
    std::thread copier([&] {
        Copy(path, false);
        ended = true;
    });
    const std::string line = "flooding the log with one more line of text\n";
    long long lines = 0;
    while (!ended) {
        Say(line);
        ++lines;
    }
    copier.join();
    Say("lines " + std::to_string(lines) + "\n");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::signal(SIGPIPE, SIG_IGN);
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode.rfind("-m", 0) == 0) {
        const char* chosen = std::getenv("QUILLON_FAKE_CODEC");
        mode = chosen ? chosen : "copy";
        const char* output = argv[argc - 1];
        if (mode == "copy")
            return Copy(output, false);
        if (mode == "flood")
            return Flood(output);
        if (mode == "vanish") {
            const int status = Copy(output, false);
            unlink(output);
            return status;
        }
        if (mode == "never-read") {
            Say("not reading\n");
            std::this_thread::sleep_for(std::chrono::seconds(30));
            return 0;
        }
    }
    if ((mode == "copy" || mode == "slow-copy") && argc > 2)
        return Copy(argv[2], mode == "slow-copy");
    if (mode == "exit-now") {
        Say("refusing at once\n");
        return 3;
    }
    if (mode == "never-read") {
        Say("not reading\n");
        std::this_thread::sleep_for(std::chrono::milliseconds(argc > 2 ? std::atoi(argv[2]) : 1000));
        return 0;
    }
    if (mode == "long-lines") {
        Say(std::string(250, 'x') + "\ndone\n");
        return 0;
    }
    if (mode == "stop-byte") {
        Say("before\n\xff"
            "after\n");
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        return 0;
    }
    if (mode == "flood" && argc > 2)
        return Flood(argv[2]);
    if (mode == "many-lines" && argc > 2) {
        for (int i = 1; i <= std::atoi(argv[2]); ++i)
            Say("line " + std::to_string(i) + " of a codec program that has a lot to say\n");
        return 0;
    }
    if (mode == "lone-cr") {
        Say("a\rb\nc\r\nd\n");
        return 0;
    }
    Say("unknown mode\n");
    return 1;
}
