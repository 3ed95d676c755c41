#include "platform/scsi/VirtualDisc.h"

#include <map>
#include <mutex>

namespace quillon {

namespace {

std::mutex textsMutex;
const void* textsOwner = nullptr;
std::map<std::pair<int, int>, DiscTextOffer> texts;

} // namespace

void PublishVirtualDiscText(const void* owner, int adapter, int target, DiscTextOffer text)
{
    std::lock_guard lock(textsMutex);
    if (owner != textsOwner)
        texts.clear();
    textsOwner = owner;
    texts[{adapter, target}] = std::move(text);
}

void ForgetVirtualDiscTexts(const void* owner)
{
    std::lock_guard lock(textsMutex);
    if (owner != nullptr && owner != textsOwner)
        return;
    texts.clear();
    textsOwner = nullptr;
}

bool FindVirtualDiscText(int adapter, int target, DiscTextOffer& text)
{
    std::lock_guard lock(textsMutex);
    const auto it = texts.find({adapter, target});
    if (it == texts.end())
        return false;
    text = it->second;
    return true;
}

} // namespace quillon
