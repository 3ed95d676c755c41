#include "run/RunClock.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace quillon {

void SystemRunClock::Pause(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

int64_t SystemRunClock::NowSeconds()
{
    return static_cast<int64_t>(std::time(nullptr));
}

} // namespace quillon
