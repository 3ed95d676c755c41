// The command line end to end: build/bin/quillon with its own settings folder and media
// made here.

#include "tests/run/RunTestSupport.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace quillon::test {
namespace {

struct CliResult
{
    int status = -1;
    std::string out;
    std::string err;
};

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class CliTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (access(Quillon().c_str(), X_OK) != 0)
            FAIL() << Quillon() << " is missing; build the quillon target first";
        fs::create_directories(folder / "out");
    }

    static std::string Quillon() { return std::string(QUILLON_BIN_DIR) + "/quillon"; }

    // Runs quillon in the test folder with its own configuration folder and no temporary
    // folder variables; `interruptAfterMs` >= 0 sends SIGINT after that long.
    CliResult Run(std::vector<std::string> args, int interruptAfterMs = -1)
    {
        std::vector<std::string> env = {"XDG_CONFIG_HOME=" + (folder / "config"), "HOME=" + folder.Path(),
                                        "PATH=/usr/bin:/bin"};
        if (!tmp.empty())
            env.push_back("TMP=" + tmp);
        args.insert(args.begin(), Quillon());
        std::vector<char*> argv, envp;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        for (auto& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        const std::string out = folder / "stdout.txt", err = folder / "stderr.txt";
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addchdir_np(&actions, folder.Path().c_str());
        pid_t pid = -1;
        CliResult result;
        if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
            ADD_FAILURE() << "cannot start " << argv[0];
            return result;
        }
        posix_spawn_file_actions_destroy(&actions);
        if (interruptAfterMs >= 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(interruptAfterMs));
            kill(pid, SIGINT);
        }
        int raw = 0;
        waitpid(pid, &raw, 0);
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        result.out = ReadAll(out);
        result.err = ReadAll(err);
        return result;
    }

    TempFolder folder;
    std::string tmp;
};

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

TEST_F(CliTest, HelpVersionAndUsageErrors)
{
    struct Row
    {
        std::vector<std::string> args;
        int status;
        const char* expected;
        bool onStderr;
    };
    const Row rows[] = {
        {{}, 2, "no display to open the window on", true}, // the window, but no display
        {{"song.wav"}, 2, "for the command line see 'quillon --help'", true},
        {{"--help"}, 0, "--emphasis E", false},
        {{"--version"}, 0, "quillon 2.51.0", false},
        {{"frobnicate"}, 2, "unknown command 'frobnicate'", true},
        {{"encode"}, 2, "no input files given", true},
        {{"encode", "--layer", "4", "a.wav"}, 2, "invalid value '4' for option '--layer'", true},
        {{"encode", "--bitrate"}, 2, "option '--bitrate' needs a value", true},
        {{"encode", "--emphasis", "loud", "a.wav"}, 2, "invalid value 'loud'", true},
        {{"encode", "--wobble", "a.wav"}, 2, "unknown option '--wobble'", true},
        {{"encode", "-o", "out", "--layer", "1", "--bitrate", "40", "a.wav"}, 2, "Layer 1 has no bitrate of 40", true},
        {{"defaults", "--layer", "2"}, 2, "only with 'quillon defaults --save'", true},
        {{"encode", "--jobs", "0", "a.wav"}, 2, "invalid value '0' for option '--jobs'", true},
        {{"encode", "--jobs=two", "a.wav"}, 2, "invalid value 'two' for option '--jobs'", true},
        {{"defaults", "--save", "--jobs", "2"}, 2, "--jobs applies to encode, decode and rip only", true},
    };
    for (const auto& row : rows) {
        const CliResult r = Run(row.args);
        std::string words;
        for (const auto& a : row.args)
            words += " " + a;
        EXPECT_EQ(r.status, row.status) << "quillon" << words;
        EXPECT_TRUE(Has(row.onStderr ? r.err : r.out, row.expected))
            << "quillon" << words << "\nout: " << r.out << "\nerr: " << r.err;
        EXPECT_FALSE(Has(r.out, "Quillon- (File")) << "quillon" << words << ": no job may start";
    }
}

TEST_F(CliTest, EverySubcommandPrintsItsOwnUsageOnHelp)
{
    // Each usage names what only that subcommand takes; the help words may follow others.
    struct Row
    {
        std::vector<std::string> words;
        const char* own;
    };
    const Row rows[] = {
        {{"encode", "--help"}, "--emphasis E"},
        {{"decode", "-o", "out", "--help"}, "d3.dll"},
        {{"defaults", "--save", "-h"}, "--drive N"},
        {{"drives", "--help"}, "sectors per read"},
        {{"toc", "--drive", "0", "--help"}, "(name, number, length, size, type)"},
        {{"grab", "--tracks", "1", "--help"}, "--tracks LIST"},
        {{"rip", "--artist", "X", "--help"}, "--genre NAME"},
        {{"help", "--help"}, "[SUBCOMMAND]"},
    };
    const CliResult all = Run({"--help"});
    for (const auto& row : rows) {
        const std::string& name = row.words.front();
        const CliResult asked = Run(row.words);
        const CliResult viaHelp = Run({"help", name});
        EXPECT_EQ(asked.status, 0) << name << ": " << asked.err;
        EXPECT_EQ(asked.out.rfind("Usage: quillon " + name, 0), 0u) << name << ":\n" << asked.out;
        EXPECT_TRUE(Has(asked.out, row.own)) << name << ":\n" << asked.out;
        EXPECT_EQ(asked.err, "") << name;
        EXPECT_EQ(viaHelp.status, 0) << "help " << name;
        EXPECT_EQ(viaHelp.out, asked.out) << "help " << name << " prints what " << name << " --help prints";
        EXPECT_TRUE(Has(all.out, "  quillon " + name + " ")) << "quillon --help lists " << name;
    }
    // After "--" the word is a file name again, and help knows only subcommands.
    const CliResult file = Run({"encode", "-o", "out", "--", "--help"});
    EXPECT_NE(file.status, 0) << "encode -- --help names a file";
    EXPECT_FALSE(Has(file.out, "Usage:")) << file.out;
    const CliResult unknown = Run({"help", "frobnicate"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_TRUE(Has(unknown.err, "unknown command 'frobnicate'")) << unknown.err;
}

TEST_F(CliTest, RefusesWithoutAnOutputFolder)
{
    WritePcmWav(folder / "a.wav", 0.2, 2);
    const CliResult r = Run({"encode", "a.wav"});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(Has(r.err, "no output folder")) << r.err;
    EXPECT_FALSE(Has(r.out, "Quillon- (File"));
    EXPECT_FALSE(fs::exists(folder / "a.mp3"));

    const CliResult d = Run({"defaults"});
    EXPECT_TRUE(Has(d.out, "Output folder: NOT SET")) << d.out;
}

TEST_F(CliTest, StoredDefaultsAreUsedAndOptionsOverrideThem)
{
    if (!RealCodecsPresent())
        return;
    tmp = folder / "scratch"; // the initial output folder comes from TMP
    const CliResult initial = Run({"defaults"});
    EXPECT_TRUE(Has(initial.out, "Output folder: " + tmp + "/")) << initial.out;
    EXPECT_TRUE(Has(initial.out, "Layer 3, Bitrate 128, Stereo ,HQ ,NoCopr ,NotOrig ,NoProt ,None")) << initial.out;

    const CliResult save = Run({"defaults", "--save", "-o", folder / "out", "--layer", "2", "--bitrate", "192",
                                "--mode", "joint", "--fast", "--copyright", "--crc", "--emphasis", "ccitt"});
    ASSERT_EQ(save.status, 0) << save.err;
    EXPECT_TRUE(fs::exists(folder / "config/Norvane/Quillon/2.51.conf"));
    const CliResult shown = Run({"defaults"});
    EXPECT_TRUE(Has(shown.out, "Layer 2, Bitrate 192, Joint ,Fast ,Copr ,NotOrig ,ErrProt ,CITT")) << shown.out;
    EXPECT_TRUE(Has(shown.out, "Output folder: " + (folder / "out") + "/")) << shown.out;

    WritePcmWav(folder / "a.wav", 0.5, 2);
    const CliResult encoded = Run({"encode", "a.wav"});
    ASSERT_EQ(encoded.status, 0) << encoded.out << encoded.err;
    EXPECT_TRUE(Has(encoded.out, "Quillon- (File 1 of 1)"));
    EXPECT_TRUE(Has(encoded.out, "Processing Finished."));
    const std::string mp2 = ReadAll(folder / "out/a.mp2");
    ASSERT_GT(mp2.size(), 4u);
    const auto header = [&](size_t i) { return static_cast<uint8_t>(mp2[i]); };
    EXPECT_EQ(header(0), 0xFF);
    EXPECT_EQ(header(1) & 0x06, 0x04) << "Layer II";
    EXPECT_EQ(header(1) & 0x01, 0x00) << "CRC protection";
    EXPECT_EQ(header(2) >> 4, 0xA) << "192 kbit/s";
    EXPECT_TRUE(Has(encoded.out, "192 kbit/s, joint stereo, fast")) << "the encoder's own line: " << encoded.out;
    EXPECT_EQ(header(3) & 0x08, 0x08) << "copyright";
    EXPECT_EQ(header(3) & 0x03, 3) << "CCITT J.17 emphasis";

    // Options on the command line win over the stored ones; -o over the stored folder.
    fs::create_directories(folder / "elsewhere");
    const CliResult overridden = Run({"encode", "--layer=3", "--bitrate", "64", "--mode", "stereo", "--hq",
                                      "--no-copyright", "--no-crc", "--emphasis", "none", "-o", "elsewhere", "a.wav"});
    ASSERT_EQ(overridden.status, 0) << overridden.err;
    const std::string mp3 = ReadAll(folder / "elsewhere/a.mp3");
    ASSERT_GT(mp3.size(), 4u);
    EXPECT_EQ(static_cast<uint8_t>(mp3[1]) & 0x06, 0x02) << "Layer III";
}

TEST_F(CliTest, EncodeThenDecode)
{
    if (!RealCodecsPresent())
        return;
    WritePcmWav(folder / "tone.wav", 1.0, 2);
    const CliResult encoded = Run({"encode", "-o", "out", folder / "tone.wav"});
    ASSERT_EQ(encoded.status, 0) << encoded.err;
    fs::create_directories(folder / "back");
    const CliResult decoded = Run({"decode", "-o", "back", "out/tone.mp3"});
    ASSERT_EQ(decoded.status, 0) << decoded.err;
    EXPECT_TRUE(Has(decoded.out, "Processing Finished.\n"));
    const std::string wav = ReadAll(folder / "back/tone.wav");
    ASSERT_GT(wav.size(), 44u);
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_GT(wav.size(), 44100u * 4 * 9 / 10);
}

TEST_F(CliTest, FailuresEndWithTheirTextAndANonZeroStatus)
{
    if (!RealCodecsPresent())
        return;
    WritePcmWav(folder / "mono.wav", 0.3, 1);
    WritePcmWav(folder / "ok.wav", 0.3, 2);
    struct Row
    {
        std::vector<std::string> args;
        const char* text;
        bool onStderr;
    };
    const Row rows[] = {
        // One job at a time: a failed job ends the run before the next one starts.
        {{"encode", "--jobs", "1", "-o", "out", "missing.wav", "ok.wav"}, "Error: Cannot open the input file", true},
        {{"encode", "--jobs", "1", "-o", "out", "mono.wav", "ok.wav"},
         "A Mono WAVE file cannot be encoded into a Stereo MPEG file.",
         true},
        // The codec refuses Layer II mono above 192 kbit/s: the run finishes, the status tells.
        {{"encode", "-o", "out", "--layer", "2", "--mode", "mono", "--bitrate", "224", "mono.wav"},
         "l3.dll ended with exit status",
         false},
        // ... and the run's final message names the failure instead of "Processing Finished."
        {{"encode", "-o", "out", "--layer", "2", "--mode", "mono", "--bitrate", "224", "mono.wav"},
         "Error: l3.dll ended with exit status 2.",
         true},
        {{"encode", "-o", "no-such-folder", "ok.wav"}, "does not exist", true},
        {{"decode", "-o", ".", "ok.wav"}, "would be overwritten by its own output", true},
    };
    for (const auto& row : rows) {
        fs::remove(folder / "out/ok.mp3");
        const CliResult r = Run(row.args);
        EXPECT_EQ(r.status, 1 + (row.text == std::string("would be overwritten by its own output"))) << row.text << "\n"
                                                                                                     << r.out << r.err;
        EXPECT_TRUE(Has(row.onStderr ? r.err : r.out, row.text))
            << row.text << "\nout: " << r.out << "\nerr: " << r.err;
        EXPECT_FALSE(fs::exists(folder / "out/ok.mp3")) << row.text << ": no later job runs";
    }
    EXPECT_GT(FileSize(folder / "ok.wav"), 44u) << "the input survives";
}

TEST_F(CliTest, RefusesBatchesThatWouldLoseOrHangBeforeAnyJob)
{
    fs::create_directories(folder / "d1");
    fs::create_directories(folder / "d2");
    WritePcmWav(folder / "d1/a.wav", 0.2, 2);
    WritePcmWav(folder / "d2/a.wav", 0.2, 2);
    ASSERT_EQ(mkfifo((folder / "pipe.wav").c_str(), 0600), 0);
    // Should quillon open the FIFO, a writer unblocks it so that the test ends and fails.
    std::atomic<bool> done{false};
    std::thread rescue([&] {
        for (int i = 0; i < 100 && !done; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const int fd = open((folder / "pipe.wav").c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0)
            close(fd);
    });
    struct Row
    {
        std::vector<std::string> args;
        const char* text;
    };
    const Row rows[] = {
        {{"encode", "-o", "out", "d1/a.wav", "d2/a.wav"},
         "Two or more files of the batch would be written as out/a.mp3"},
        {{"encode", "-o", "out", "pipe.wav"}, "pipe.wav is not a regular file"},
        {{"encode", "-o", "out", "d1"}, "d1 names a folder, not a file"},
    };
    for (const auto& row : rows) {
        const CliResult r = Run(row.args);
        EXPECT_EQ(r.status, 2) << row.text << "\n" << r.out << r.err;
        EXPECT_TRUE(Has(r.err, row.text)) << row.text << "\nerr: " << r.err;
        EXPECT_FALSE(Has(r.out, "Quillon- (File")) << row.text << ": no job may start";
    }
    done = true;
    rescue.join();
    EXPECT_FALSE(fs::exists(folder / "out/a.mp3"));
}

TEST_F(CliTest, ControlCharactersInNamesArePrintedEscaped)
{
    if (!RealCodecsPresent())
        return;
    WritePcmWav(folder / "x\x1b[2Jy\a.wav", 0.2, 2);
    const CliResult r = Run({"encode", "-o", "out", "x\x1b[2Jy\a.wav"});
    EXPECT_TRUE(Has(r.out, "x\\x1b[2Jy\\x07.wav")) << r.out;
    EXPECT_EQ((r.out + r.err).find_first_of("\x1b\a"), std::string::npos)
        << "raw control characters reached the terminal";
}

TEST_F(CliTest, CtrlCCancelsTheBatch)
{
    if (!RealCodecsPresent())
        return;
    WritePcmWav(folder / "first.wav", 60.0, 2);
    WritePcmWav(folder / "second.wav", 0.3, 2);
    // No pause before the feed: the first file is being encoded when Ctrl-C comes.
    const CliResult r = Run({"encode", "--jobs", "1", "-o", "out", "first.wav", "second.wav"}, 700);
    EXPECT_EQ(r.status, 130) << r.out << r.err;
    EXPECT_TRUE(Has(r.err, "Process aborted")) << r.err;
    EXPECT_FALSE(Has(r.out, "Processing Finished."));
    EXPECT_FALSE(Has(r.out, "File 2 of 2"));
    EXPECT_FALSE(fs::exists(folder / "out/second.mp3"));
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

size_t Count(const std::string& text, const std::string& part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

// Processes whose command line names `path` (a codec program writing into the test folder).
std::vector<std::string> ProcessesNaming(const std::string& path)
{
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::string cmdline = ReadAll(entry.path() / "cmdline");
        std::replace(cmdline.begin(), cmdline.end(), '\0', ' ');
        if (Has(cmdline, path))
            found.push_back(name + ": " + cmdline);
    }
    return found;
}

TEST_F(CliTest, SeveralJobsStopAtTheFirstFailure)
{
    if (!RealCodecsPresent())
        return;
    WritePcmWav(folder / "long.wav", 10.0, 2);
    WritePcmWav(folder / "mono.wav", 0.3, 1);
    for (const char* name : {"c.wav", "d.wav", "e.wav"})
        WritePcmWav(folder / name, 0.3, 2);
    // The second job fails while the first is still encoding: the first finishes, no
    // later job starts.
    struct Row
    {
        const char* failing;
        const char* text;
    };
    const Row rows[] = {
        {"missing.wav", "[2] Error: Cannot open the input file ./missing.wav: No such file or directory"},
        {"mono.wav", "[2] A Mono WAVE file cannot be encoded into a Stereo MPEG file."},
    };
    for (const auto& row : rows) {
        fs::remove_all(folder / "out");
        fs::create_directories(folder / "out");
        const CliResult r =
            Run({"encode", "--jobs", "2", "-o", "out", "long.wav", row.failing, "c.wav", "d.wav", "e.wav"});
        EXPECT_EQ(r.status, 1) << row.text << "\n" << r.out << r.err;
        EXPECT_EQ(Lines(r.err), std::vector<std::string>{row.text}) << r.err;
        EXPECT_FALSE(Has(r.out, "Processing Finished."));
        EXPECT_TRUE(Has(r.out, "[2] Quillon- (File 2 of 5)")) << r.out;
        for (int later = 3; later <= 5; ++later)
            EXPECT_FALSE(Has(r.out, "File " + std::to_string(later) + " of 5"))
                << row.text << ": job " << later << " started\n"
                << r.out;
        EXPECT_GT(FileSize(folder / "out/long.mp3"), 0u) << row.text << ": the running job finishes";
        std::vector<std::string> written;
        for (const auto& entry : fs::directory_iterator(folder / "out"))
            written.push_back(entry.path().filename());
        EXPECT_EQ(written, std::vector<std::string>{"long.mp3"}) << row.text;
    }
}

TEST_F(CliTest, CtrlCCancelsEveryRunningJob)
{
    if (!RealCodecsPresent())
        return;
    for (const char* name : {"a.wav", "b.wav", "c.wav"})
        WritePcmWav(folder / name, 90.0, 2);
    // The output folder by its full path: it then appears on the codec programs' command lines.
    const CliResult r = Run({"encode", "--jobs", "2", "-o", folder / "out", "a.wav", "b.wav", "c.wav"}, 700);
    EXPECT_EQ(r.status, 130) << r.out << r.err;
    EXPECT_EQ(Count(r.err, "Process aborted"), 1u) << r.err;
    EXPECT_TRUE(Has(r.out, "[1] Quillon- (File 1 of 3)") && Has(r.out, "[2] Quillon- (File 2 of 3)")) << r.out;
    EXPECT_FALSE(Has(r.out, "File 3 of 3")) << r.out;
    EXPECT_FALSE(Has(r.out, "Processing Finished."));
    EXPECT_TRUE(fs::is_empty(folder / "out")) << "no output and no half-written part is left";
    EXPECT_EQ(ProcessesNaming(folder / "out"), std::vector<std::string>{}) << "a codec program outlived quillon";
}

TEST_F(CliTest, EachJobsLinesComeInOrderAndComplete)
{
    if (!RealCodecsPresent())
        return;
    const int files = 5;
    std::vector<std::string> args = {"encode", "--jobs", "3", "-o", "out"};
    for (int i = 1; i <= files; ++i) {
        args.push_back("in" + std::to_string(i) + ".wav");
        WritePcmWav(folder / args.back(), 0.5 + 0.2 * i, 2);
    }
    const CliResult r = Run(args);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const auto lines = Lines(r.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "Processing Finished.");
    for (int n = 1; n <= files; ++n) {
        const std::string prefix = "[" + std::to_string(n) + "] ";
        std::vector<std::string> own;
        for (const auto& line : lines) {
            if (line.rfind(prefix, 0) == 0)
                own.push_back(line.substr(prefix.size()));
        }
        const std::string name = "in" + std::to_string(n);
        ASSERT_GE(own.size(), 4u) << "job " << n << ":\n" << r.out;
        EXPECT_EQ(own[0], "Quillon- (File " + std::to_string(n) + " of " + std::to_string(files) + ")");
        EXPECT_EQ(own[1], "  ./" + name + ".wav -> out/" + name + ".mp3");
        EXPECT_EQ(own[2].rfind("Encoding " + name + ".wav to ", 0), 0u) << own[2];
        // The encoder's lines, up to its last one, carry the job's number too.
        EXPECT_EQ(Count(r.out, prefix + "MPEG-1 Layer III, 44100 Hz, 128 kbit/s"), 1u) << r.out;
        EXPECT_EQ(own.back().rfind("Done: ", 0), 0u) << own.back();
        EXPECT_GT(FileSize(folder / ("out/in" + std::to_string(n) + ".mp3")), 0u);
    }
    for (const auto& line : lines)
        EXPECT_TRUE(line[0] == '[' || line.rfind("  ", 0) == 0 || line == "Processing Finished.") << line;
}

} // namespace
} // namespace quillon::test
