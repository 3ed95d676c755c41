#pragma once

// A recording run window, a clock without waits, and media made on the spot, for the
// conversion run tests.

#include "formats/WavHeader.h"
#include "run/ConversionRun.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace quillon::test {

namespace fs = std::filesystem;

class TestWindow : public RunWindow
{
public:
    std::function<void()> onFigures; // worker thread, at every refresh
    std::function<void(const std::string&)> onMessage;

    void SetFileNumbers(int number, int count) override
    {
        Add(fileNumbers, std::to_string(number) + "/" + std::to_string(count));
    }
    void SetTitle(const std::string& title) override { Add(titles, title); }
    void SetBitrateText(const std::string& text) override { Add(bitrateTexts, text); }
    void SetInputPath(const std::string&) override {}
    void SetOutputPath(const std::string&) override {}
    void SetCurrentRange(int64_t maximum) override { Add(currentRanges, maximum); }
    void SetCurrentPosition(int64_t) override {}
    void SetOverallRange(int64_t maximum) override { Add(overallRanges, maximum); }
    void SetOverallPosition(int64_t position) override { Add(overallPositions, position); }
    void ShowFigures(const StatusFigures& figures) override
    {
        Add(figureList, figures);
        if (onFigures)
            onFigures();
    }
    void LogLine(std::string_view line) override { Add(log, std::string(line)); }
    void MessageBox(const std::string& text) override
    {
        if (onMessage)
            onMessage(text);
        Add(messages, text);
    }
    void ShowEnd(const RunEndMessage& end) override
    {
        Add(ends, end.end);
        MessageBox(end.Text());
    }
    void Close(int result) override { Add(closes, result); }
    void Enable(bool) override {}

    template <typename T>
    std::vector<T> Get(const std::vector<T>& list) const
    {
        std::lock_guard lock(mutex);
        return list;
    }
    bool LogHas(const std::string& text) const
    {
        for (const auto& line : Get(log))
            if (line.find(text) != std::string::npos)
                return true;
        return false;
    }

    mutable std::mutex mutex;
    std::vector<std::string> fileNumbers, titles, bitrateTexts, log, messages;
    std::vector<int64_t> currentRanges, overallRanges, overallPositions;
    std::vector<StatusFigures> figureList;
    std::vector<int> closes;
    std::vector<RunEnd> ends; // the kinds of final message shown

private:
    template <typename T>
    void Add(std::vector<T>& list, T value)
    {
        std::lock_guard lock(mutex);
        list.push_back(std::move(value));
    }
};

// Pauses are recorded, not waited; a hook may act at a given pause.
class FastClock : public RunClock
{
public:
    std::function<void(int ms, int index)> onPause;
    void Pause(int ms) override
    {
        int index;
        {
            std::lock_guard lock(mutex);
            pauses.push_back(ms);
            index = static_cast<int>(pauses.size()) - 1;
        }
        if (onPause)
            onPause(ms, index);
    }
    int64_t NowSeconds() override { return 1000; }
    std::vector<int> Pauses() const
    {
        std::lock_guard lock(mutex);
        return pauses;
    }

private:
    mutable std::mutex mutex;
    std::vector<int> pauses;
};

inline std::string CodecInBin(const char* name)
{
    return std::string(QUILLON_BIN_DIR) + "/" + name;
}

// The real codec programs must be built; a test that needs them fails clearly without.
inline bool RealCodecsPresent()
{
    for (const char* name : {"l3.dll", "d3.dll"}) {
        if (access(CodecInBin(name).c_str(), X_OK) != 0) {
            ADD_FAILURE() << "the codec program " << CodecInBin(name) << " is missing; build l3.dll and d3.dll first";
            return false;
        }
    }
    return true;
}

inline void WritePcmWav(const std::string& path, double seconds, int channels, int sampleRate = 44100, int bits = 16)
{
    const auto frames = static_cast<size_t>(seconds * sampleRate);
    std::vector<uint8_t> data(kWavHeaderSize + frames * static_cast<size_t>(channels) * 2);
    for (size_t i = 0; i < frames * static_cast<size_t>(channels); ++i) {
        const auto sample =
            static_cast<int16_t>(8000 * std::sin(static_cast<double>(i / static_cast<size_t>(channels)) * 0.0627));
        data[kWavHeaderSize + 2 * i] = static_cast<uint8_t>(sample & 0xff);
        data[kWavHeaderSize + 2 * i + 1] = static_cast<uint8_t>((sample >> 8) & 0xff);
    }
    BuildWavHeader(data.data(), data.size(), channels, sampleRate);
    if (bits != 16) {
        data[34] = static_cast<uint8_t>(bits);
    }
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

inline void WriteText(const std::string& path, const std::string& text, fs::perms perms = fs::perms::none)
{
    std::ofstream(path, std::ios::binary) << text;
    if (perms != fs::perms::none)
        fs::permissions(path, perms);
}

inline uint64_t FileSize(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? static_cast<uint64_t>(info.st_size) : 0;
}

using testing_support::TempFolder;

} // namespace quillon::test
