#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace quillon {

// Request blocks keep their 4-byte pointer fields, so buffers, completion events and
// blocks travel through them as 32-bit handles issued here. Handle 0 names nothing.
uint32_t ScsiHandleAdd(void* object);
void* ScsiHandleGet(uint32_t handle);
void ScsiHandleRemove(uint32_t handle);

// The completion event a request block names in its post-handle field.
class ScsiEvent
{
public:
    void Signal();
    void Reset();
    // True when the event was signalled within `milliseconds`.
    bool Wait(int milliseconds);

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool signalled_ = false;
};

} // namespace quillon
