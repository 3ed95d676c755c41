#include "platform/scsi/ScsiHandles.h"

#include <chrono>
#include <unordered_map>

namespace quillon {

namespace {

struct HandleTable
{
    std::mutex mutex;
    std::unordered_map<uint32_t, void*> objects;
    uint32_t next = 1;
};

HandleTable& Table()
{
    static HandleTable table;
    return table;
}

} // namespace

uint32_t ScsiHandleAdd(void* object)
{
    if (object == nullptr)
        return 0;
    HandleTable& t = Table();
    std::lock_guard lock(t.mutex);
    // Skip 0 and any handle still in use after the counter wraps.
    while (t.next == 0 || t.objects.count(t.next) != 0)
        ++t.next;
    const uint32_t handle = t.next++;
    t.objects[handle] = object;
    return handle;
}

void* ScsiHandleGet(uint32_t handle)
{
    HandleTable& t = Table();
    std::lock_guard lock(t.mutex);
    auto it = t.objects.find(handle);
    return it == t.objects.end() ? nullptr : it->second;
}

void ScsiHandleRemove(uint32_t handle)
{
    HandleTable& t = Table();
    std::lock_guard lock(t.mutex);
    t.objects.erase(handle);
}

void ScsiEvent::Signal()
{
    {
        std::lock_guard lock(mutex_);
        signalled_ = true;
    }
    cv_.notify_all();
}

void ScsiEvent::Reset()
{
    std::lock_guard lock(mutex_);
    signalled_ = false;
}

bool ScsiEvent::Wait(int milliseconds)
{
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return signalled_; });
}

} // namespace quillon
