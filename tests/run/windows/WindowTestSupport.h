#pragma once

// Media, a clock without waits, stand-in codec programs and a step driver for the tests
// that run conversions through the real windows.

#include "../../codecs/MpegFrames.h"
#include "formats/WavHeader.h"
#include "run/RunClock.h"
#include "tests/support/BoxRobot.h"
#include "tests/support/TempFolder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <chrono>
#include <cmath>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace quillon::test {

inline void WriteToneWav(const std::string& path, double seconds, int channels)
{
    constexpr int kRate = 44100;
    const auto frames = static_cast<size_t>(seconds * kRate);
    std::vector<uint8_t> data(kWavHeaderSize + frames * static_cast<size_t>(channels) * 2);
    for (size_t i = 0; i < frames * static_cast<size_t>(channels); ++i) {
        const auto sample = static_cast<int16_t>(8000 * std::sin(static_cast<double>(i / channels) * 0.0627));
        data[kWavHeaderSize + 2 * i] = static_cast<uint8_t>(sample & 0xff);
        data[kWavHeaderSize + 2 * i + 1] = static_cast<uint8_t>((sample >> 8) & 0xff);
    }
    BuildWavHeader(data.data(), data.size(), channels, kRate);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

inline std::vector<unsigned char> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// An encoder that takes about a second per 400 KB: 8 KiB, then a 20 ms nap, into its
// last argument (the output file), until its input ends.
inline std::string WriteSlowCodec(const std::string& folder)
{
    const std::string path = folder + "/slow-codec.sh";
    std::ofstream(path) << "#!/bin/sh\n"
                           "for last; do :; done\n"
                           "echo slow codec started\n"
                           "while :; do\n"
                           "  n=$(dd bs=8192 count=1 status=none | tee -a \"$last\" | wc -c)\n"
                           "  [ \"$n\" -eq 0 ] && break\n"
                           "  sleep 0.02\n"
                           "done\n"
                           "echo slow codec done\n";
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    return path;
}

// Runs steps one after the other from the event loop (also inside modal loops): a step
// returns true when it is done, false to be asked again 20 ms later. A step must not
// block: one that opens a modal loop queues its click (Click). Gives up after `timeout`,
// recording which step was stuck.
class StepDriver
{
public:
    using Step = std::function<bool()>;

    explicit StepDriver(std::chrono::milliseconds timeout = std::chrono::seconds(60)) : timeout_(timeout)
    {
        timer_.setInterval(20);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
    }

    void Add(std::string name, Step step) { steps_.push_back({std::move(name), std::move(step)}); }

    void Start()
    {
        started_ = std::chrono::steady_clock::now();
        timer_.start();
    }

    bool Finished() const { return steps_.empty(); }
    // The step that did not finish in time; empty when none.
    const std::string& Stuck() const { return stuck_; }
    int Done() const { return done_; }

private:
    void Tick()
    {
        if (steps_.empty() || running_)
            return;
        if (std::chrono::steady_clock::now() - started_ > timeout_) {
            stuck_ = steps_.front().first;
            timer_.stop();
            // Let the loops end so that the test can report instead of hanging.
            for (QWidget* widget : QApplication::topLevelWidgets())
                widget->close();
            return;
        }
        running_ = true;
        const bool done = steps_.front().second();
        running_ = false;
        if (done) {
            steps_.pop_front();
            ++done_;
        }
        if (steps_.empty())
            timer_.stop();
    }

    std::chrono::milliseconds timeout_;
    std::chrono::steady_clock::time_point started_;
    QTimer timer_;
    std::deque<std::pair<std::string, Step>> steps_;
    std::string stuck_;
    int done_ = 0;
    bool running_ = false;
};

// Clicks a button from the event loop, so that a modal loop it opens does not hold the
// driver.
inline void Click(QAbstractButton* button)
{
    QMetaObject::invokeMethod(button, &QAbstractButton::click, Qt::QueuedConnection);
}

// Answers the run's message box when it shows `text` (with `icon`, when one is given).
inline StepDriver::Step Answer(const QString& text, QString* seen = nullptr,
                               std::optional<QMessageBox::Icon> icon = std::nullopt)
{
    return [text, seen, icon] {
        QMessageBox* box = testing_support::ShownMessageBox();
        if (!box)
            return false;
        if (seen)
            *seen = box->text();
        if (box->text() != text || (icon && box->icon() != *icon))
            return false;
        Click(box->button(QMessageBox::Ok));
        return true;
    };
}

} // namespace quillon::test
