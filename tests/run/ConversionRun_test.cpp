#include "RunTestSupport.h"

#include <algorithm>
#include <atomic>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>

namespace quillon::test {
namespace {

constexpr const char* kFinished = "Processing Finished.";

struct RunFixture : ::testing::Test
{
    TempFolder folder;
    JobList jobs;
    TestWindow window;
    FastClock clock;
    TempWavGrab grab;
    CodecLocator locator = [](const char* name) { return CodecInBin(name); };

    void SetUp() override { ASSERT_TRUE(jobs.SetDefaultOutputDir(folder.Path())); }

    // A job for `name` in the test folder, with a size as the page would show it.
    FileJob& Add(const std::string& name, int action, int layer = 3, int mode = 1, int bitrate = 128)
    {
        DefaultEncodingOptions options;
        options.layer = layer;
        options.mode = mode;
        options.bitrate = bitrate;
        EXPECT_TRUE(jobs.AddFiles({{name, SizeText(FileSize(folder / name))}}, folder.Path(), action, options));
        return jobs.Job(jobs.Count() - 1);
    }

    void RunAll()
    {
        ConversionRun run(jobs, window, clock, grab, locator);
        run.Start();
        run.Join();
        end = run.End();
        doneKiB = run.DoneKiB();
    }

    RunEnd end = RunEnd::NotEnded;
    int64_t doneKiB = 0;
};

TEST_F(RunFixture, EmptyListFinishesAtOnce)
{
    RunAll();
    EXPECT_EQ(window.Get(window.messages), std::vector<std::string>{kFinished});
    EXPECT_EQ(window.Get(window.ends), std::vector<RunEnd>{RunEnd::Finished}) << "shown as the good end";
    EXPECT_EQ(window.Get(window.closes), std::vector<int>{kRunResultAgain});
    EXPECT_EQ(end, RunEnd::Finished);
    EXPECT_TRUE(clock.Pauses().empty());
}

TEST_F(RunFixture, EncodesAndDecodesWithTheCodecPrograms)
{
    if (!RealCodecsPresent())
        return;
    WritePcmWav(folder / "tone.wav", 6.0, 2); // 1,058,444 bytes: the /1000 bar
    WritePcmWav(folder / "short.wav", 1.0, 1);
    ASSERT_EQ(std::system(("lame --quiet -b 96 " + (folder / "short.wav") + " " + (folder / "clip.mp3")).c_str()), 0);
    Add("tone.wav", kActionEncode);
    Add("clip.mp3", kActionDecode);

    RunAll();

    EXPECT_EQ(window.Get(window.messages), std::vector<std::string>{kFinished});
    EXPECT_EQ(window.Get(window.closes), std::vector<int>{kRunResultAgain});
    EXPECT_EQ(window.Get(window.titles),
              (std::vector<std::string>{"Quillon- (File 1 of 2)", "Quillon- (File 2 of 2)"}));
    EXPECT_EQ(window.Get(window.bitrateTexts), (std::vector<std::string>{"128 kbps", "N/A"}));
    EXPECT_EQ(clock.Pauses(), (std::vector<int>{1500, 500, 1500, 500}));
    const auto ranges = window.Get(window.currentRanges);
    ASSERT_EQ(ranges.size(), 4u);
    EXPECT_EQ(ranges[0], static_cast<int64_t>(FileSize(folder / "tone.wav") / 1000));
    EXPECT_EQ(ranges[1], 100);
    EXPECT_EQ(ranges[2], static_cast<int64_t>(FileSize(folder / "clip.mp3") / 10));
    EXPECT_EQ(window.Get(window.overallRanges), std::vector<int64_t>{jobs.BatchKiB()});
    EXPECT_EQ(window.Get(window.overallPositions), std::vector<int64_t>{jobs.BatchKiB()});
    EXPECT_EQ(doneKiB, jobs.BatchKiB());

    // The files are complete when the run says so; mpg123 reads the whole stream.
    EXPECT_GT(FileSize(folder / "tone.mp3"), 6 * 128000 / 8 * 9 / 10);
    EXPECT_EQ(std::system(("mpg123 -q -t " + (folder / "tone.mp3") + " 2>/dev/null").c_str()), 0);
    std::ifstream decoded(folder / "clip.wav", std::ios::binary);
    char riff[4] = {};
    decoded.read(riff, 4);
    EXPECT_EQ(std::string(riff, 4), "RIFF");
    EXPECT_GT(FileSize(folder / "clip.wav"), 44100u * 2 * 9 / 10);

    bool sawEncodeFigures = false;
    for (const auto& f : window.Get(window.figureList))
        sawEncodeFigures |=
            f.bitrateText == "128 kbps" && f.totalFrames == static_cast<int64_t>(FileSize(folder / "tone.wav") / 4608);
    EXPECT_TRUE(sawEncodeFigures);
    EXPECT_FALSE(window.LogHas("ended with exit status"));
}

// Every failure that ends the run: the message, how the window closes, and that the
// job after it is not converted.
TEST_F(RunFixture, FailureTable)
{
    if (!RealCodecsPresent())
        return;
    struct Row
    {
        const char* what;
        std::function<void(const std::string& path)> make;
        int mode;
        bool missingCodec;
        std::string message;
        std::vector<int> closes;
    };
    const auto riffNotWave = [](const std::string& p) {
        WritePcmWav(p, 0.1, 2);
        std::fstream f(p, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(8);
        f.write("XAVE", 4);
    };
    const Row rows[] = {
        {"missing input",
         [](const std::string&) {},
         1,
         false,
         "Error: Cannot open the input file " + folder / "bad.wav" + ": No such file or directory",
         {}},
        {"text file",
         [](const std::string& p) { WriteText(p, "just some text, longer than a header would be......"); },
         1,
         false,
         "Error: Input file is not a WAV",
         {kRunResultAgain}},
        {"empty file",
         [](const std::string& p) { WriteText(p, ""); },
         1,
         false,
         "Error: Input file is not a WAV",
         {kRunResultAgain}},
        {"RIFF but not WAVE", riffNotWave, 1, false, "Error: Input file is not a WAV", {kRunResultAgain}},
        {"stereo file, mono stream",
         [](const std::string& p) { WritePcmWav(p, 0.1, 2); },
         0,
         false,
         "A Stereo WAVE file cannot be encoded into a Mono MPEG file.",
         {kRunResultAgain}},
        {"mono file, stereo stream",
         [](const std::string& p) { WritePcmWav(p, 0.1, 1); },
         1,
         false,
         "A Mono WAVE file cannot be encoded into a Stereo MPEG file.",
         {kRunResultAgain}},
        {"a format no reader knows",
         [](const std::string& p) {
             WritePcmWav(p, 0.1, 2);
             std::fstream f(p, std::ios::in | std::ios::out | std::ios::binary);
             f.seekp(20);
             f.write("\x34\x12", 2);
         },
         1,
         false,
         "Error: Input file is not a 16-bit WAV File.",
         {kRunResultAgain}},
        {"codec program missing",
         [](const std::string& p) { WritePcmWav(p, 0.1, 2); },
         1,
         true,
         "Cannot execute compressor",
         {kRunResultAgain}},
    };
    for (const auto& row : rows) {
        JobList list;
        ASSERT_TRUE(list.SetDefaultOutputDir(folder.Path()));
        const std::string bad = folder / "bad.wav";
        fs::remove(bad);
        row.make(bad);
        WritePcmWav(folder / "next.wav", 0.5, 2);
        fs::remove(folder / "next.mp3");
        DefaultEncodingOptions options;
        options.mode = row.mode;
        ASSERT_TRUE(list.AddFiles({{"bad.wav", "1K"}}, folder.Path(), kActionEncode, options));
        options.mode = 1;
        ASSERT_TRUE(list.AddFiles({{"next.wav", "2K"}}, folder.Path(), kActionEncode, options));

        TestWindow w;
        FastClock c;
        CodecLocator where = [&](const char* name) {
            return row.missingCodec ? folder / "no-such-codec" : CodecInBin(name);
        };
        ConversionRun run(list, w, c, {}, where);
        run.Start();
        run.Join();

        EXPECT_EQ(w.Get(w.messages), std::vector<std::string>{row.message}) << row.what;
        EXPECT_EQ(w.Get(w.closes), row.closes) << row.what;
        // A message that ends the run is its failure; one that leaves the window open is a warning.
        EXPECT_EQ(w.Get(w.ends), row.closes.empty() ? std::vector<RunEnd>{} : std::vector<RunEnd>{RunEnd::Failed})
            << row.what;
        EXPECT_EQ(run.End(), RunEnd::Failed) << row.what;
        EXPECT_EQ(w.Get(w.titles).size(), 1u) << row.what << ": the run goes no further";
        EXPECT_FALSE(fs::exists(folder / "next.mp3")) << row.what;
        EXPECT_EQ(run.DoneKiB(), 1) << row.what << ": the failed job counts as processed";
        if (row.closes.empty()) {
            run.Cancel(); // the window stayed open; Cancel now ends the application
            EXPECT_EQ(w.Get(w.closes), std::vector<int>{kRunResultQuit}) << row.what;
        }
    }
}

TEST_F(RunFixture, CodecThatEndsAtOnceIsNamedByTheFinalMessage)
{
    if (!RealCodecsPresent())
        return;
    WritePcmWav(folder / "refused.wav", 3.0, 2);
    WritePcmWav(folder / "fine.wav", 0.5, 2);
    Add("refused.wav", kActionEncode, 3, 1, 999); // l3.dll refuses the bitrate and ends
    Add("fine.wav", kActionEncode);

    RunAll();

    EXPECT_EQ(window.Get(window.messages), std::vector<std::string>{"Error: l3.dll ended with exit status 2."});
    EXPECT_TRUE(window.LogHas("999 kbit/s")) << "the codec's own line reaches the log";
    EXPECT_TRUE(window.LogHas("l3.dll ended with exit status 2"));
    EXPECT_FALSE(fs::exists(folder / "refused.mp3"));
    EXPECT_GT(FileSize(folder / "fine.mp3"), 0u) << "the later jobs are still converted";
    EXPECT_EQ(end, RunEnd::Failed);
}

TEST_F(RunFixture, ThirdOfFiveFailsItsCheck)
{
    if (!RealCodecsPresent())
        return;
    for (int i = 1; i <= 5; ++i) {
        const std::string name = "j" + std::to_string(i) + ".wav";
        WritePcmWav(folder / name, 0.3, i == 3 ? 1 : 2);
        Add(name, kActionEncode);
    }
    RunAll();
    EXPECT_EQ(window.Get(window.messages),
              std::vector<std::string>{"A Mono WAVE file cannot be encoded into a Stereo MPEG file."});
    EXPECT_EQ(window.Get(window.titles).size(), 3u);
    EXPECT_FALSE(fs::exists(folder / "j4.mp3"));
    EXPECT_FALSE(fs::exists(folder / "j5.mp3"));
    int64_t firstThree = 0;
    for (int i = 0; i < 3; ++i)
        firstThree += jobs.Job(i).sizeKiB;
    EXPECT_EQ(doneKiB, firstThree);
}

TEST_F(RunFixture, CancelWhileFeedingAbortsTheBatch)
{
    if (!RealCodecsPresent())
        return;
    WritePcmWav(folder / "long.wav", 30.0, 2);
    WritePcmWav(folder / "later.wav", 0.5, 2);
    Add("long.wav", kActionEncode);
    Add("later.wav", kActionEncode);

    // The worker holds at its first refresh, in the middle of the feed, until Cancel is done.
    std::mutex m;
    std::condition_variable cv;
    bool feeding = false, cancelled = false;
    std::atomic<bool> first{true};
    window.onFigures = [&] {
        if (!first.exchange(false))
            return;
        std::unique_lock lock(m);
        feeding = true;
        cv.notify_all();
        cv.wait_for(lock, std::chrono::seconds(20), [&] { return cancelled; });
    };
    ConversionRun run(jobs, window, clock, {}, locator);
    run.Start();
    {
        std::unique_lock lock(m);
        ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(20), [&] { return feeding; }));
    }
    run.Cancel();
    {
        std::lock_guard lock(m);
        cancelled = true;
        cv.notify_all();
    }
    run.Join();

    EXPECT_EQ(window.Get(window.messages), std::vector<std::string>{"Process aborted"});
    EXPECT_EQ(window.Get(window.ends), std::vector<RunEnd>{RunEnd::Aborted});
    EXPECT_EQ(window.Get(window.closes), std::vector<int>{kRunResultAgain});
    EXPECT_EQ(run.End(), RunEnd::Aborted);
    EXPECT_EQ(window.Get(window.titles).size(), 1u);
    EXPECT_FALSE(fs::exists(folder / "later.mp3"));
}

// Cancel may come while a job is set up, before its codec program exists. The program
// started just after must not hold the run until it ends by itself (it would sleep 30 s).
TEST_F(RunFixture, CancelBeforeTheCodecStartsDoesNotWaitForIt)
{
    WritePcmWav(folder / "a.wav", 2.0, 2);
    Add("a.wav", kActionEncode);
    setenv("QUILLON_FAKE_CODEC", "never-read", 1);
    ConversionRun* running = nullptr;
    locator = [&](const char*) {
        running->Cancel();
        return std::string(QUILLON_TEST_BIN_DIR) + "/fake_codec";
    };
    ConversionRun run(jobs, window, clock, grab, locator);
    running = &run;
    const auto start = std::chrono::steady_clock::now();
    run.Start();
    run.Join();
    unsetenv("QUILLON_FAKE_CODEC");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(window.Get(window.closes), std::vector<int>{kRunResultQuit});
    EXPECT_FALSE(fs::exists(folder / "a.mp3"));
    errno = 0;
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST_F(RunFixture, CancelBetweenJobsClosesTheWindow)
{
    if (!RealCodecsPresent())
        return;
    WritePcmWav(folder / "a.wav", 0.5, 2);
    WritePcmWav(folder / "b.wav", 0.5, 2);
    Add("a.wav", kActionEncode);
    Add("b.wav", kActionEncode);
    ConversionRun run(jobs, window, clock, {}, locator);
    clock.onPause = [&](int ms, int index) {
        if (ms == ConversionRun::kJobEndPauseMs && index == 1) {
            std::thread canceller([&] { run.Cancel(); }); // the window's thread
            canceller.join();
        }
    };
    run.Start();
    run.Join();
    EXPECT_TRUE(window.Get(window.messages).empty());
    EXPECT_EQ(window.Get(window.closes), std::vector<int>{kRunResultQuit});
    EXPECT_EQ(run.End(), RunEnd::Closed);
    EXPECT_EQ(window.Get(window.titles).size(), 1u);
    EXPECT_FALSE(fs::exists(folder / "b.mp3"));
}

// A stand-in encoder that finishes its file late and reports a failure status.
std::string SlowFinishingCodec(const TempFolder& folder)
{
    const std::string path = folder / "slow-l3.sh";
    WriteText(path,
              "#!/bin/sh\n"
              "for last; do :; done\n"
              "cat > \"$last\"\n"
              "sleep 1\n"
              "printf END >> \"$last\"\n",
              fs::perms::owner_all);
    return path;
}

TEST_F(RunFixture, FinishedOnlyAfterEveryCodecProgramHasEnded)
{
    WritePcmWav(folder / "a.wav", 0.2, 2);
    WritePcmWav(folder / "b.wav", 0.2, 2);
    Add("a.wav", kActionEncode);
    Add("b.wav", kActionEncode);
    const std::string codec = SlowFinishingCodec(folder);
    locator = [&](const char*) { return codec; };
    std::vector<std::string> tailsAtMessage;
    window.onMessage = [&](const std::string&) {
        for (const char* name : {"a.mp3", "b.mp3"}) {
            std::ifstream in(folder / name, std::ios::binary);
            std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            tailsAtMessage.push_back(text.size() >= 3 ? text.substr(text.size() - 3) : text);
        }
    };
    RunAll();
    EXPECT_EQ(window.Get(window.messages), std::vector<std::string>{kFinished});
    EXPECT_EQ(tailsAtMessage, (std::vector<std::string>{"END", "END"}));
}

std::string CopyingCodec(const TempFolder& folder);

// What stays under the output's name when a job's codec program fails, is killed or
// completes; an earlier file of that name is there before the run.
TEST_F(RunFixture, OutputAppearsOnlyWhenItsJobHasCompleted)
{
    const struct
    {
        const char* what;
        const char* script; // after the input has been copied to the file it is given
        const char* message;
        bool replaced;
    } rows[] = {
        {"codec fails", "exit 3", "Error: l3.dll ended with exit status 3.", false},
        {"codec killed", "kill -9 $$", "Error: l3.dll ended with exit status 137.", false},
        {"codec completes", "exit 0", kFinished, true},
    };
    for (const auto& row : rows) {
        TempFolder rowFolder;
        JobList rowJobs;
        ASSERT_TRUE(rowJobs.SetDefaultOutputDir(rowFolder.Path()));
        WritePcmWav(rowFolder / "in.wav", 0.5, 2);
        WriteText(rowFolder / "in.mp3", "OLD");
        ASSERT_TRUE(rowJobs.AddFiles({{"in.wav", "1K"}}, rowFolder.Path(), kActionEncode, DefaultEncodingOptions{}));
        const std::string codec = rowFolder / "codec.sh";
        WriteText(codec, std::string("#!/bin/sh\nfor last; do :; done\ncat > \"$last\"\n") + row.script + "\n",
                  fs::perms::owner_all);
        TestWindow w;
        ConversionRun run(rowJobs, w, clock, {}, [&](const char*) { return codec; });
        run.Start();
        run.Join();

        EXPECT_EQ(w.Get(w.messages), std::vector<std::string>{row.message}) << row.what;
        const uint64_t wavBody = FileSize(rowFolder / "in.wav") - 44;
        EXPECT_EQ(FileSize(rowFolder / "in.mp3"), row.replaced ? wavBody : 3u) << row.what;
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(rowFolder.Path()))
            names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"codec.sh", "in.mp3", "in.wav"}))
            << row.what << ": a partial file was left";
    }
}

TEST_F(RunFixture, CancelledJobLeavesTheEarlierFileAndNoPart)
{
    WritePcmWav(folder / "long.wav", 10.0, 2);
    WriteText(folder / "long.mp3", "OLD");
    Add("long.wav", kActionEncode);
    const std::string codec = CopyingCodec(folder);
    locator = [&](const char*) { return codec; };
    ConversionRun run(jobs, window, clock, {}, locator);
    std::atomic<bool> once{true};
    window.onFigures = [&] {
        if (once.exchange(false))
            std::thread([&] { run.Cancel(); }).join();
    };
    run.Start();
    run.Join();
    EXPECT_EQ(run.End(), RunEnd::Aborted);
    EXPECT_EQ(FileSize(folder / "long.mp3"), 3u);
    for (const auto& entry : fs::directory_iterator(folder.Path()))
        EXPECT_EQ(entry.path().filename().string().find(".part"), std::string::npos) << entry.path();
}

TEST_F(RunFixture, LogShowsTheLinesACodecPrintsAfterItsInputEnded)
{
    WritePcmWav(folder / "a.wav", 0.2, 2);
    Add("a.wav", kActionEncode);
    const std::string codec = folder / "late.sh";
    WriteText(codec, "#!/bin/sh\nfor last; do :; done\ncat > \"$last\"\nsleep 0.3\necho 'No space left on device'\n",
              fs::perms::owner_all);
    locator = [&](const char*) { return codec; };
    RunAll();
    EXPECT_TRUE(window.LogHas("No space left on device")) << ::testing::PrintToString(window.Get(window.log));
}

TEST_F(RunFixture, FifoInputIsRefusedInsteadOfHanging)
{
    const std::string fifo = folder / "pipe.wav";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    Add("pipe.wav", kActionEncode);
    std::atomic<bool> done{false};
    // Should the open block, a writer unblocks it so that the test ends and fails.
    std::thread rescue([&] {
        for (int i = 0; i < 50 && !done; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (!done) {
            const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                close(fd);
        }
    });
    ConversionRun run(jobs, window, clock, {}, locator);
    run.Start();
    run.Join();
    done = true;
    rescue.join();
    EXPECT_EQ(window.Get(window.messages),
              std::vector<std::string>{"Error: Cannot open the input file " + fifo + ": a FIFO, not a regular file"});
    EXPECT_EQ(run.End(), RunEnd::Failed);
    run.Cancel();
}

// The output folder replaced by a file once the job was listed: the run says why the
// output cannot be created, not only that it cannot.
TEST_F(RunFixture, OutputThatCannotBeCreatedSaysWhy)
{
    WritePcmWav(folder / "tone.wav", 0.1, 2);
    const std::string gone = folder / "gone";
    ASSERT_TRUE(fs::create_directory(gone));
    ASSERT_TRUE(jobs.SetDefaultOutputDir(gone));
    const FileJob& job = Add("tone.wav", kActionEncode);
    const std::string output = job.OutputPath();
    fs::remove(gone);
    WriteText(gone, "");
    RunAll();
    EXPECT_EQ(window.Get(window.messages),
              std::vector<std::string>{"Error: Cannot create the output file " + output + ": Not a directory"});
    EXPECT_EQ(end, RunEnd::Failed);
}

TEST_F(RunFixture, DecodeFiguresFollowTheOutputWhileItIsWritten)
{
    WriteText(folder / "stream.mp2", std::string(1'000'000, '\x5a'));
    Add("stream.mp2", kActionDecode);
    const std::string codec = CopyingCodec(folder);
    locator = [&](const char*) { return codec; };
    RunAll();
    int64_t frames = 0;
    for (const auto& f : window.Get(window.figureList))
        frames = std::max<int64_t>(frames, f.framesDone);
    EXPECT_GT(frames, 0) << "the figures read the length of the file being written";
    EXPECT_EQ(FileSize(folder / "stream.wav"), 1'000'000u);
}

// A stand-in codec that copies its standard input into the file named by its last word.
std::string CopyingCodec(const TempFolder& folder)
{
    const std::string path = folder / "copy-codec.sh";
    WriteText(path, "#!/bin/sh\nfor last; do :; done\ncat > \"$last\"\n", fs::perms::owner_all);
    return path;
}

TEST_F(RunFixture, EncodeFeedsTheSamplesAndDecodeTheWholeFile)
{
    WritePcmWav(folder / "body.wav", 0.5, 2);
    WritePcmWav(folder / "empty.wav", 0.0, 2);
    WriteText(folder / "stream.mp2", std::string(100000, '\x5a') + "tail");
    Add("body.wav", kActionEncode);
    Add("empty.wav", kActionEncode);
    Add("stream.mp2", kActionDecode);
    const std::string codec = CopyingCodec(folder);
    locator = [&](const char*) { return codec; };
    RunAll();
    EXPECT_EQ(window.Get(window.messages), std::vector<std::string>{kFinished});
    const auto read = [&](const std::string& name) {
        std::ifstream in(folder / name, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    EXPECT_EQ(read("body.mp3"), read("body.wav").substr(44)) << "the samples after the 44-byte header";
    EXPECT_TRUE(fs::exists(folder / "empty.mp3"));
    EXPECT_EQ(FileSize(folder / "empty.mp3"), 0u) << "a header-only file feeds nothing";
    EXPECT_EQ(read("stream.wav"), read("stream.mp2")) << "a decode job is fed from byte 0";
}

// Files other than 16-bit WAV are decoded by the run: the codec program gets 16-bit PCM
// at the rate it is told, a 16-bit FLAC the very samples of its WAV, and the figures
// count the PCM fed against the PCM expected, not the file's bytes.
TEST_F(RunFixture, DecodedInputsFeedPcmAndTheirFiguresCountIt)
{
    const std::string tone = "synth 1.5 sine 997 sine 1499 vol 0.5";
    ASSERT_EQ(std::system(("sox -n -r 44100 -c 2 -b 16 " + (folder / "tone.wav") + " " + tone + " && flac -s -o " +
                           (folder / "tone.flac") + " " + (folder / "tone.wav") + " && sox -n -r 96000 -c 2 -b 24 " +
                           (folder / "high.wav") + " " + tone)
                              .c_str()),
              0);
    const std::string codec = folder / "copy-codec.sh";
    WriteText(codec, "#!/bin/sh\nfor last; do :; done\necho \"$@\" >> \"$(dirname \"$last\")/args\"\ncat > \"$last\"\n",
              fs::perms::owner_all);
    locator = [&](const char*) { return codec; };
    struct Row
    {
        const char* input;
        const char* rateWord;
        uint64_t pcmBytes;
    } rows[] = {{"high.wav", "-s48.00", 72000 * 4}, {"tone.flac", "-s44.10", 66150 * 4}};
    for (const Row& row : rows)
        Add(row.input, kActionEncode);
    std::vector<uint64_t> lastPositions;
    window.onFigures = [&] {
        const auto figures = window.Get(window.figureList);
        if (!figures.empty() && figures.back().overallBarPosition)
            lastPositions.push_back(static_cast<uint64_t>(*figures.back().overallBarPosition));
    };
    RunAll();
    ASSERT_EQ(window.Get(window.messages), std::vector<std::string>{kFinished});
    const auto read = [&](const std::string& name) {
        std::ifstream in(folder / name, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    EXPECT_TRUE(read("tone.mp3") == read("tone.wav").substr(44)) << "a 16-bit FLAC feeds its samples bit for bit";
    const auto ranges = window.Get(window.currentRanges);
    for (size_t i = 0; i < std::size(rows); ++i) {
        const std::string output = fs::path(rows[i].input).stem().string() + ".mp3";
        EXPECT_EQ(FileSize(folder / output), rows[i].pcmBytes) << rows[i].input;
        EXPECT_NE(read("args").find(std::string(rows[i].rateWord) + " -p2 -l3"), std::string::npos) << read("args");
        EXPECT_EQ(ranges.at(2 * i), static_cast<int64_t>(rows[i].pcmBytes / 10)) << "the bar spans the PCM expected";
    }
    // The batch counts each job's file size: the overall bar never runs past the batch.
    for (const uint64_t position : lastPositions)
        EXPECT_LE(position, static_cast<uint64_t>(jobs.BatchKiB()));
    EXPECT_FALSE(lastPositions.empty());
}

struct CdFixture : RunFixture
{
    int driveStandIn = 0;
    FileJob& AddTrack(int index, uint32_t sectors, const char* name)
    {
        CdTrackSource track;
        track.trackIndex = index;
        track.hostAdapter = 0;
        track.targetId = 1;
        track.drive = reinterpret_cast<const CdDrive*>(&driveStandIn);
        track.trackName = name;
        track.tagBlock.fill(0);
        std::copy_n("TAG", 3, track.tagBlock.begin());
        track.tagBlock[127] = 17;
        track.sectors = sectors;
        EXPECT_TRUE(jobs.AddCdTracks({track}, {}));
        return jobs.Job(jobs.Count() - 1);
    }
};

TEST_F(CdFixture, TrackWithoutAGrabberIsSkipped)
{
    if (!RealCodecsPresent())
        return;
    AddTrack(0, 100, "Intro");
    WritePcmWav(folder / "after.wav", 0.3, 2);
    Add("after.wav", kActionEncode);
    RunAll();
    EXPECT_EQ(window.Get(window.messages), std::vector<std::string>{kFinished});
    EXPECT_TRUE(window.LogHas("Track01"));
    EXPECT_GT(FileSize(folder / "after.mp3"), 0u);
    EXPECT_EQ(doneKiB, jobs.BatchKiB());
}

TEST_F(CdFixture, FailedGrabSkipsOnlyItsJob)
{
    if (!RealCodecsPresent())
        return;
    AddTrack(0, 100, "Intro");
    WritePcmWav(folder / "after.wav", 0.3, 2);
    Add("after.wav", kActionEncode);
    int grabs = 0;
    grab = [&](FileJob&, RunWindow& w) {
        ++grabs;
        w.MessageBox("Reading aborted by user!");
        return false;
    };
    RunAll();
    EXPECT_EQ(grabs, 1);
    EXPECT_EQ(window.Get(window.messages), (std::vector<std::string>{"Reading aborted by user!", kFinished}));
    EXPECT_GT(FileSize(folder / "after.mp3"), 0u);
}

TEST_F(CdFixture, GrabbedTrackIsEncodedTaggedAndTheListRestored)
{
    if (!RealCodecsPresent())
        return;
    AddTrack(2, 300, "Third Song");
    const std::string tempFolder = folder / "tmp/";
    fs::create_directories(tempFolder);
    grab = [&](FileJob& job, RunWindow&) {
        job.location = tempFolder;
        job.fileName += ".wav";
        WritePcmWav(job.InputPath(), 300 * 2352 / 4 / 44100.0, 2);
        return true;
    };
    RunAll();
    EXPECT_EQ(window.Get(window.messages), std::vector<std::string>{kFinished});
    EXPECT_EQ(jobs.Job(0).fileName, "Track03");
    EXPECT_EQ(jobs.Job(0).location, "CD[0,1]");
    EXPECT_FALSE(fs::exists(tempFolder + "Track03.wav"));
    const std::string output = folder / "Third Song.mp3";
    std::ifstream in(output, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 128u);
    EXPECT_EQ(bytes.substr(bytes.size() - 128, 3), "TAG");
    EXPECT_EQ(static_cast<uint8_t>(bytes.back()), 17);
    EXPECT_EQ(clock.Pauses(), (std::vector<int>{1500, 500, 500}));
}

// A track whose tag cannot be appended has not been converted: the run names it instead
// of "Processing Finished." and the next job still runs.
TEST_F(CdFixture, TagThatCannotBeAppendedFailsTheJob)
{
    AddTrack(2, 300, "Third Song");
    WritePcmWav(folder / "after.wav", 0.3, 2);
    Add("after.wav", kActionEncode);
    const std::string tempFolder = folder / "tmp/";
    fs::create_directories(tempFolder);
    grab = [&](FileJob& job, RunWindow&) {
        job.location = tempFolder;
        job.fileName += ".wav";
        WritePcmWav(job.InputPath(), 0.3, 2);
        return true;
    };
    locator = [](const char*) { return std::string(QUILLON_TEST_BIN_DIR) + "/fake_codec"; };
    ::setenv("QUILLON_FAKE_CODEC", "vanish", 1);
    RunAll();
    ::unsetenv("QUILLON_FAKE_CODEC");
    const auto messages = window.Get(window.messages);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Error: Cannot append the track's tag to " + (folder / "Third Song.mp3") +
                               ": No such file or directory.");
    EXPECT_EQ(end, RunEnd::Failed);
    EXPECT_EQ(window.Get(window.titles).size(), 2u) << "the job after it was not run";
    EXPECT_TRUE(fs::is_empty(tempFolder)) << "the temporary file was left";
}

// Ending one run must not keep another run of the process from ending: while the first
// run's final message is still open, a second run finishes and shows its own.
TEST(RunEnding, EachRunEndsOnItsOwn)
{
    JobList firstJobs, secondJobs;
    TestWindow first, second;
    FastClock clock;
    std::mutex mutex;
    std::condition_variable changed;
    bool firstShowing = false, secondDone = false;
    first.onMessage = [&](const std::string&) {
        std::unique_lock lock(mutex);
        firstShowing = true;
        changed.notify_all();
        // The message box stays open until the other run has ended (or a while has passed).
        changed.wait_for(lock, std::chrono::seconds(5), [&] { return secondDone; });
    };
    ConversionRun a(firstJobs, first, clock);
    a.Start();
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(5), [&] { return firstShowing; }));
    }
    ConversionRun b(secondJobs, second, clock);
    b.Run();
    {
        std::lock_guard lock(mutex);
        secondDone = true;
        changed.notify_all();
    }
    a.Join();
    EXPECT_EQ(second.Get(second.messages), std::vector<std::string>{kFinished});
    EXPECT_EQ(second.Get(second.closes), std::vector<int>{kRunResultAgain});
    EXPECT_EQ(b.End(), RunEnd::Finished);
    EXPECT_EQ(first.Get(first.closes), std::vector<int>{kRunResultAgain});
}

} // namespace
} // namespace quillon::test
