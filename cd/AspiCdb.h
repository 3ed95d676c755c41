#pragma once

#include <array>
#include <cstdint>

namespace quillon {

// A command descriptor block as sent: its bytes and how many of them count.
struct Cdb
{
    std::array<uint8_t, 12> bytes{};
    uint8_t length = 0;
};

// One builder per command the CD layer sends. LBA and counts go most significant first.
Cdb CdbInquiry();                                    // 12, 44 bytes in
Cdb CdbSixByte(uint8_t opcode, uint32_t dataLength); // opcode, length in byte 4
Cdb CdbReadToc();                                    // 43, LBA form, format 0, from track 1
Cdb CdbReadCd10(uint32_t lba, uint32_t count);       // BE, user data, CDB length 10
Cdb CdbReadCd12(uint32_t lba, uint32_t count);       // BE, user data, CDB length 12
Cdb CdbReadCdQ(uint32_t lba);                        // BE, one sector with 16 bytes of formatted Q
Cdb CdbReadSubChannel(uint8_t format, int track);    // 42, Q data, 24 bytes in
Cdb CdbRead10(uint32_t lba, uint32_t count);         // 28
Cdb CdbReadD4(uint32_t lba, uint32_t count);         // vendor read, 10 bytes
Cdb CdbReadCustom10(uint8_t opcode, uint32_t lba, uint32_t count);
Cdb CdbReadD8(uint32_t lba, uint32_t count);    // vendor read, 12 bytes
Cdb CdbRead12(uint32_t lba, uint32_t count);    // A8
Cdb CdbReadD9Msf(uint32_t lba, uint32_t count); // vendor read with MSF start and end
Cdb CdbModeSenseCapabilities();                 // 5A, page 2A, 28 bytes in
Cdb CdbModeSelect6(const uint8_t callerCdb[6]); // caller's bytes, opcode forced to 15
Cdb CdbModeSense6(const uint8_t callerCdb[6]);  // caller's bytes, opcode forced to 1A

// Minutes, seconds and frames of CD address x (sector + 150).
struct Msf
{
    uint8_t minutes = 0;
    uint8_t seconds = 0;
    uint8_t frames = 0;
};
Msf MsfOf(uint32_t address);

// Request blocks as the manager takes them (sizes in platform/scsi/SrbLayout.h).
void BuildHostAdapterInquiryBlock(uint8_t* block, uint8_t adapter);
void BuildDeviceTypeBlock(uint8_t* block, uint8_t adapter, uint8_t target);
void BuildExecuteBlock(uint8_t* block, uint8_t adapter, uint8_t target, uint8_t flags, uint32_t dataLength,
                       uint32_t dataHandle, uint32_t postHandle, const uint8_t* cdb, uint8_t cdbLength);
void BuildAbortBlock(uint8_t* block, uint8_t adapter, uint32_t blockHandle);

// Bounce buffer size for a transfer: whole 16-byte units, always longer than the data.
uint32_t BounceBufferSize(uint32_t dataLength);

} // namespace quillon
