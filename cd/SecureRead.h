#pragma once

#include "cd/RipReport.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace quillon {

// Reads `count` whole sectors at `lba` into `out`, retries included; false when it failed.
using AudioSectorReader = std::function<bool(uint32_t lba, uint32_t count, uint8_t* out)>;

// How hard a secure read tries.
struct SecureReadLimits
{
    // Sectors read twice, one pass after the other, before the next ones.
    uint32_t chunkSectors = 1024;
    // A read at least this far away empties a drive's cache (9 MB, more than drives keep).
    uint32_t cacheDefeatSectors = 4000;
    // A sector whose two reads differ is read this many times more in each batch...
    int batchReads = 4;
    // ...for at most this many batches, until more than half of all its reads, and at
    // least three, agree; else it is left suspicious.
    int batches = 8;
    // Off only to show what the cache would hide.
    bool defeatCache = true;
};

// The limits of a grab; QUILLON_TEST_KEEP_DRIVE_CACHE=1 turns the cache defeat off.
SecureReadLimits DefaultSecureReadLimits();

// "500, 600-700": the sectors of `ranges`, a run as its first and last.
std::string SectorRangesText(const std::vector<RipSectorRange>& ranges);

// Reads a track in secure mode: every sector at least twice with the drive's cache
// emptied between the passes, the sectors whose reads differ again in batches, each
// sector's reads voted on. Keeps the CRC-32 of the first pass (the test CRC) and the
// sectors no majority settled, which keep their most frequent reading.
class SecureTrackReader
{
public:
    // `discSectors`: the sectors of the disc, for the reads far away, which go through
    // `farRead` when given (a sector there may be data, which need not be tried again).
    SecureTrackReader(AudioSectorReader read, uint32_t discSectors, SecureReadLimits limits = {},
                      AudioSectorReader farRead = {});

    // Called after every read; true stops the chunk being read (Cancel), which then gives
    // nothing. A chunk takes many reads: the window stays alive through this.
    void SetAfterEachRead(std::function<bool()> afterRead) { afterRead_ = std::move(afterRead); }

    // Reads sectors [first, first + count), count at most the chunk size, in reads of
    // `readSize`; the sectors kept, empty when a read failed or was stopped.
    std::span<const uint8_t> ReadChunk(uint32_t first, uint32_t count, uint32_t readSize);

    uint32_t TestCrc() const { return testCrc_; }
    // The LBAs of the sectors never settled, in runs.
    const std::vector<RipSectorRange>& Suspicious() const { return suspicious_; }
    const SecureReadLimits& Limits() const { return limits_; }
    bool Stopped() const { return stopped_; }

private:
    struct Votes;
    bool ReadRange(uint32_t first, uint32_t count, uint32_t readSize, uint8_t* out);
    void DefeatCache(uint32_t first, uint32_t count);
    bool ReReadOpenSectors(uint32_t first, std::vector<Votes>& open, uint32_t readSize);
    void MarkSuspicious(uint32_t lba);

    AudioSectorReader read_;
    AudioSectorReader farRead_;
    std::function<bool()> afterRead_;
    bool stopped_ = false;
    uint32_t discSectors_;
    SecureReadLimits limits_;
    uint32_t testCrc_;
    std::vector<RipSectorRange> suspicious_;
    std::vector<uint8_t> first_;
    std::vector<uint8_t> second_;
    std::vector<uint8_t> again_;
    std::vector<uint8_t> farAway_;
};

} // namespace quillon
