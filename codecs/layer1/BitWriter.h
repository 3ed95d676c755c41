#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon::layer1 {

// Writes bit fields, most significant bit first, into a zeroed buffer of fixed size. Bits past
// the end are dropped and remembered, so an overfull frame is noticed instead of overrunning.
class BitWriter
{
public:
    BitWriter(uint8_t* data, size_t size) : data_(data), size_(size) {}

    // `bits` is 1..32.
    void Put(uint32_t value, int bits)
    {
        accumulator_ = (accumulator_ << bits) | (value & (0xFFFFFFFFu >> (32 - bits)));
        pending_ += bits;
        while (pending_ >= 8) {
            pending_ -= 8;
            if (position_ < size_) {
                data_[position_] = static_cast<uint8_t>(accumulator_ >> pending_);
            } else {
                overflow_ = true;
            }
            ++position_;
        }
    }

    // Writes out a last partial byte (zero-filled); call once after the last Put.
    void Finish()
    {
        if (pending_ > 0) {
            Put(0, 8 - pending_);
        }
    }

    size_t BitsWritten() const { return position_ * 8 + static_cast<size_t>(pending_); }
    bool Overflow() const { return overflow_ || BitsWritten() > size_ * 8; }

private:
    uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
    uint64_t accumulator_ = 0;
    int pending_ = 0;
    bool overflow_ = false;
};

} // namespace quillon::layer1
