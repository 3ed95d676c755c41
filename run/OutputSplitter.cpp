#include "run/OutputSplitter.h"

namespace quillon {

bool OutputSplitter::Push(uint8_t byte)
{
    // A CR is held back until the next byte shows whether it starts a CR LF pair.
    if (pendingCr_) {
        pendingCr_ = false;
        if (byte == '\n')
            return Deliver('\n');
        if (!Deliver('\r'))
            return false;
    }
    if (byte == '\r') {
        pendingCr_ = true;
        return true;
    }
    return Deliver(byte);
}

bool OutputSplitter::Deliver(uint8_t byte)
{
    if (byte == 0x1A || byte == kStopByte)
        return false;
    if (byte == '\n') {
        onLine_(line_);
        line_.clear();
        return true;
    }
    line_.push_back(static_cast<char>(byte));
    if (line_.size() == kMaxLine) {
        onLine_(line_);
        line_.clear();
    }
    return true;
}

} // namespace quillon
