#pragma once

#include <cstdint>
#include <memory>

namespace quillon {

class ScsiManager;

// One READ TOC descriptor as the table keeps it; the start is in host byte order.
struct TocEntry
{
    uint8_t reserved = 0;
    uint8_t adrControl = 0;  // 0x10 audio, 0x14 data
    uint8_t trackNumber = 0; // 0xAA for the lead-out
    uint8_t reserved2 = 0;
    uint32_t start = 0;
};

constexpr int kTocCapacity = 200;

// The CD command layer: free functions over the SCSI manager, named as the debug log
// ("aspidbg.txt") prints them. Command results carry the request's status byte in bits
// 0-7 and the sense key in bits 16-19; exactly 1 means success.

// Loads the manager for this process (virtual drives or SG_IO); the number of host
// adapters, or -3 (no manager), -2, -1 (the manager reports no adapter).
int aspi_load();
// The same with a given manager (null counts as one that cannot be loaded).
int aspi_load_manager(std::unique_ptr<ScsiManager> manager);
int aspi_last_load_status();

int32_t aspi_inquire_host_adapter(int ha, char managerId[17], char adapterId[17]);
int aspi_get_device_type(int ha, int target, int& deviceType);
int aspi_inquire_device(int ha, int target, char vendor[9], char product[17], char revision[5]);
// `count` receives the descriptors stored, never more than `capacity`.
int32_t aspi_cd_read_toc(int ha, int target, int& count, TocEntry* table, int capacity = kTocCapacity);
int32_t aspi_cd_read_audio_blocks(int ha, int target, uint32_t lba, uint32_t count, uint8_t* buffer);
int32_t aspi_cd_read_audio_blocks12mmc(int ha, int target, uint32_t lba, uint32_t count, uint8_t* buffer);
// READ SUB-CHANNEL of Q data in `format` (2: catalogue number, 3: ISRC of `track`),
// kSubChannelReplyBytes into `reply`.
int32_t aspi_cd_read_subchannel(int ha, int target, uint8_t format, int track, uint8_t reply[24]);
// READ CD of one sector with its formatted Q: 2352 bytes of audio, then 16 of Q.
int32_t aspi_cd_read_q(int ha, int target, uint32_t lba, uint8_t sector[2352 + 16]);
int32_t aspi_device_read_blocks(int ha, int target, uint32_t lba, uint32_t count, uint32_t blockSize, uint8_t* buffer);
int32_t aspi_device_read_audio_blocks10(int ha, int target, uint32_t lba, uint32_t count, uint8_t* buffer);
int32_t aspi_device_read_custom_audio_blocks10(int ha, int target, uint32_t lba, uint32_t count, uint8_t* buffer,
                                               uint8_t command);
int32_t aspi_device_read_audio_blocks12(int ha, int target, uint32_t lba, uint32_t count, uint8_t* buffer);
int32_t aspi_device_read_blocks12(int ha, int target, uint32_t lba, uint32_t count, uint32_t blockSize,
                                  uint8_t* buffer);
int32_t aspi_device_read_audio_blocks12MSF(int ha, int target, uint32_t lba, uint32_t count, uint8_t* buffer);
int32_t aspi_mode_sense_capabilities(int ha, int target, uint8_t buffer[32]);
int32_t aspi_mode_select(int ha, int target, const uint8_t cdb[6], const uint8_t descriptor[8],
                         const uint8_t header[4]);
int32_t aspi_mode_sense(int ha, int target, const uint8_t cdb[6], uint8_t descriptor[8], uint8_t header[4]);

// The two routines behind every execute-type command; they return the status byte, or
// -1 when no manager is loaded.
int aspi_exec_command(uint8_t* srb, int ha, int target, uint8_t* data, uint32_t length, uint8_t flags,
                      const uint8_t* cdb, int cdbLength);
int aspi_exec_command6(uint8_t* srb, int ha, int target, uint8_t opcode, uint8_t* data, uint32_t length, uint8_t flags);

// Status byte plus sense key (low 4 bits of sense byte 2) in bits 16-19.
int32_t CombineResult(uint8_t status, uint8_t senseByte2);

} // namespace quillon
