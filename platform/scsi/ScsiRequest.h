#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon {

// Sense data as the drive reports it; kept apart so that no bit is lost on the way.
struct SenseData
{
    uint8_t key = 0;
    uint8_t asc = 0;
    uint8_t ascq = 0;
};

enum class ScsiDirection { None, In, Out };

// One execute block, decoded: what to send to which unit.
struct ScsiRequest
{
    int adapter = 0;
    int target = 0;
    int lun = 0;
    uint8_t cdb[16] = {};
    int cdbLength = 0;
    ScsiDirection direction = ScsiDirection::None;
    uint8_t* data = nullptr; // null when the block named no buffer
    uint32_t dataLength = 0;
    int senseLength = 0;
};

// How a unit answered an execute block.
struct ScsiOutcome
{
    uint8_t status = 0;       // request-block status (1 complete, 4 error, ...)
    uint8_t targetStatus = 0; // SCSI status byte (2 = check condition)
    SenseData sense;
    uint8_t adapterStatus = 0; // host adapter status (timeout, short transfer)
};

// Reads the execute block; false when its data handle names no buffer although it
// asks for a transfer, or its CDB length does not fit.
bool DecodeExecuteBlock(const uint8_t* srb, ScsiRequest& request);

// Writes the outcome into the execute block: status, adapter and target status and fixed-format
// sense data (no more than the block asks for and the block holds).
void StoreOutcome(uint8_t* srb, const ScsiOutcome& outcome);

// Takes key, ASC and ASCQ from fixed (0x70/0x71) or descriptor (0x72/0x73) sense data.
SenseData ParseSense(const uint8_t* sense, size_t length);

// Outcomes every unit gives.
ScsiOutcome GoodOutcome();
ScsiOutcome CheckCondition(uint8_t key, uint8_t asc = 0, uint8_t ascq = 0);

} // namespace quillon
