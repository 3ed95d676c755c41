#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon::srb {

// Request-block command codes of the ASPI interface.
constexpr uint8_t kHostAdapterInquiry = 0;
constexpr uint8_t kGetDeviceType = 1;
constexpr uint8_t kExecuteScsi = 2;
constexpr uint8_t kAbort = 3;

// Status byte values.
constexpr uint8_t kPending = 0;
constexpr uint8_t kComplete = 1;
constexpr uint8_t kAborted = 2;
constexpr uint8_t kError = 4;
constexpr uint8_t kInvalidCommand = 0x80;
constexpr uint8_t kInvalidAdapter = 0x81;
constexpr uint8_t kNoDevice = 0x82;

// Host adapter status values (the adapter status byte of the execute block).
constexpr uint8_t kHaOk = 0x00;
constexpr uint8_t kHaCommandTimeout = 0x0B;
constexpr uint8_t kHaDataUnderrun = 0x12;

// The value GetSupportInfo puts in bits 8-15 when no adapter is present.
constexpr uint8_t kNoAdapters = 0xE8;

// Flags of the execute block.
constexpr uint8_t kDataIn = 0x08;
constexpr uint8_t kDataOut = 0x10;
constexpr uint8_t kPostByEvent = 0x40;

// Block sizes.
constexpr size_t kHostAdapterInquirySize = 60;
constexpr size_t kDeviceTypeSize = 16;
constexpr size_t kExecuteSize = 128;
constexpr size_t kAbortSize = 16;

// Offsets common to every block.
constexpr size_t kCommand = 0;
constexpr size_t kStatus = 1;
constexpr size_t kAdapter = 2;
constexpr size_t kFlags = 3;

// Host adapter inquiry.
constexpr size_t kAdapterCount = 8;
constexpr size_t kAdapterScsiId = 9;
constexpr size_t kManagerId = 10;
constexpr size_t kAdapterIdentifier = 26;
constexpr size_t kAdapterUnique = 42;
constexpr size_t kIdTextLength = 16;

// Get device type.
constexpr size_t kDeviceTarget = 8;
constexpr size_t kDeviceLun = 9;
constexpr size_t kDeviceType = 10;

// Execute SCSI command.
constexpr size_t kTarget = 8;
constexpr size_t kLun = 9;
constexpr size_t kDataLength = 12;
constexpr size_t kDataPointer = 16;
constexpr size_t kSenseLength = 20;
constexpr size_t kCdbLength = 21;
constexpr size_t kAdapterStatus = 22;
constexpr size_t kTargetStatus = 23;
constexpr size_t kPostHandle = 24;
constexpr size_t kCdb = 48;
constexpr size_t kCdbRoom = 16;
constexpr size_t kSenseArea = 64;
constexpr size_t kSenseRoom = kExecuteSize - kSenseArea;

// Abort: the handle of the execute block to abort.
constexpr size_t kAbortTarget = 8;

inline uint32_t Get32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

inline void Put32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

} // namespace quillon::srb
