#pragma once

#include <cstdint>

namespace quillon {

// The run's fixed pauses and its clock, apart so that tests need not wait.
class RunClock
{
public:
    virtual ~RunClock() = default;
    virtual void Pause(int milliseconds) = 0;
    virtual int64_t NowSeconds() = 0; // wall-clock time in whole seconds
};

// The product's clock: real pauses, real time.
class SystemRunClock : public RunClock
{
public:
    void Pause(int milliseconds) override;
    int64_t NowSeconds() override;
};

// Real time without the pauses: they exist so that a person can read the status window,
// and the command line has nobody watching it.
class UnpacedRunClock : public SystemRunClock
{
public:
    void Pause(int) override {}
};

} // namespace quillon
