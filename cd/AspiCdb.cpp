#include "cd/AspiCdb.h"

#include "platform/scsi/SrbLayout.h"

#include <algorithm>
#include <cstring>

namespace quillon {

namespace {

Cdb Make(std::initializer_list<uint8_t> bytes, uint8_t length)
{
    Cdb c;
    std::copy(bytes.begin(), bytes.end(), c.bytes.begin());
    c.length = length;
    return c;
}

void PutLba(Cdb& c, uint32_t lba)
{
    c.bytes[2] = static_cast<uint8_t>(lba >> 24);
    c.bytes[3] = static_cast<uint8_t>(lba >> 16);
    c.bytes[4] = static_cast<uint8_t>(lba >> 8);
    c.bytes[5] = static_cast<uint8_t>(lba);
}

void PutCount16(Cdb& c, size_t at, uint32_t count)
{
    c.bytes[at] = static_cast<uint8_t>(count >> 8);
    c.bytes[at + 1] = static_cast<uint8_t>(count);
}

Cdb ReadWithCount16(uint8_t opcode, uint32_t lba, uint32_t count, size_t countAt, uint8_t length)
{
    Cdb c = Make({opcode}, length);
    PutLba(c, lba);
    PutCount16(c, countAt, count);
    return c;
}

} // namespace

Cdb CdbInquiry()
{
    return Make({0x12, 0, 0, 0, 0x2C, 0}, 6);
}

Cdb CdbSixByte(uint8_t opcode, uint32_t dataLength)
{
    return Make({opcode, 0, 0, 0, static_cast<uint8_t>(dataLength), 0}, 6);
}

Cdb CdbReadToc()
{
    return Make({0x43, 0, 0, 0, 0, 0, 0x01, 0x08, 0x00, 0x00}, 10);
}

Cdb CdbReadCd10(uint32_t lba, uint32_t count)
{
    Cdb c = ReadWithCount16(0xBE, lba, count, 7, 10);
    c.bytes[9] = 0x10;
    return c;
}

Cdb CdbReadCd12(uint32_t lba, uint32_t count)
{
    Cdb c = CdbReadCd10(lba, count);
    c.length = 12;
    return c;
}

Cdb CdbReadCdQ(uint32_t lba)
{
    Cdb c = CdbReadCd12(lba, 1);
    c.bytes[10] = 0x02; // sub-channel selection 010b: formatted Q
    return c;
}

Cdb CdbReadSubChannel(uint8_t format, int track)
{
    return Make({0x42, 0, 0x40, format, 0, 0, static_cast<uint8_t>(track), 0, 24, 0}, 10);
}

Cdb CdbRead10(uint32_t lba, uint32_t count)
{
    return ReadWithCount16(0x28, lba, count, 7, 10);
}
Cdb CdbReadD4(uint32_t lba, uint32_t count)
{
    return ReadWithCount16(0xD4, lba, count, 7, 10);
}

Cdb CdbReadCustom10(uint8_t opcode, uint32_t lba, uint32_t count)
{
    return ReadWithCount16(opcode, lba, count, 7, 10);
}

Cdb CdbReadD8(uint32_t lba, uint32_t count)
{
    return ReadWithCount16(0xD8, lba, count, 8, 12);
}
Cdb CdbRead12(uint32_t lba, uint32_t count)
{
    return ReadWithCount16(0xA8, lba, count, 8, 12);
}

Msf MsfOf(uint32_t x)
{
    return Msf{static_cast<uint8_t>(x / 4500), static_cast<uint8_t>(x / 75 % 60), static_cast<uint8_t>(x % 75)};
}

Cdb CdbReadD9Msf(uint32_t lba, uint32_t count)
{
    const Msf start = MsfOf(lba + 150);
    const Msf end = MsfOf(lba + count + 150);
    return Make({0xD9, 0, 0, start.minutes, start.seconds, start.frames, 0, end.minutes, end.seconds, end.frames, 0, 0},
                12);
}

Cdb CdbModeSenseCapabilities()
{
    return Make({0x5A, 0, 0x2A, 0, 0, 0, 0, 0, 0x1C, 0}, 10);
}

Cdb CdbModeSelect6(const uint8_t caller[6])
{
    Cdb c = Make({caller[0], caller[1], caller[2], caller[3], caller[4], caller[5]}, 6);
    c.bytes[0] = 0x15;
    return c;
}

Cdb CdbModeSense6(const uint8_t caller[6])
{
    Cdb c = CdbModeSelect6(caller);
    c.bytes[0] = 0x1A;
    return c;
}

void BuildHostAdapterInquiryBlock(uint8_t* b, uint8_t adapter)
{
    std::memset(b, 0, srb::kHostAdapterInquirySize);
    b[srb::kCommand] = srb::kHostAdapterInquiry;
    b[srb::kAdapter] = adapter;
}

void BuildDeviceTypeBlock(uint8_t* b, uint8_t adapter, uint8_t target)
{
    std::memset(b, 0, srb::kDeviceTypeSize);
    b[srb::kCommand] = srb::kGetDeviceType;
    b[srb::kAdapter] = adapter;
    b[srb::kDeviceTarget] = target;
}

void BuildExecuteBlock(uint8_t* b, uint8_t adapter, uint8_t target, uint8_t flags, uint32_t dataLength,
                       uint32_t dataHandle, uint32_t postHandle, const uint8_t* cdb, uint8_t cdbLength)
{
    // The caller hands in a cleared block; only the named fields are written.
    b[srb::kCommand] = srb::kExecuteScsi;
    b[srb::kAdapter] = adapter;
    b[srb::kFlags] = static_cast<uint8_t>(flags | srb::kPostByEvent);
    b[srb::kTarget] = target;
    b[srb::kLun] = 0;
    srb::Put32(b + srb::kDataLength, dataLength);
    srb::Put32(b + srb::kDataPointer, dataHandle);
    b[srb::kSenseLength] = 32;
    b[srb::kCdbLength] = cdbLength;
    srb::Put32(b + srb::kPostHandle, postHandle);
    std::memcpy(b + srb::kCdb, cdb, cdbLength);
}

void BuildAbortBlock(uint8_t* b, uint8_t adapter, uint32_t blockHandle)
{
    std::memset(b, 0, srb::kAbortSize);
    b[srb::kCommand] = srb::kAbort;
    b[srb::kAdapter] = adapter;
    srb::Put32(b + srb::kAbortTarget, blockHandle);
}

uint32_t BounceBufferSize(uint32_t dataLength)
{
    return 16 * (dataLength / 16 + 1);
}

} // namespace quillon
