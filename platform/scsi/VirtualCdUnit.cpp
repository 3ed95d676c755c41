#include "platform/scsi/VirtualCdUnit.h"

#include "platform/scsi/ShiftedRead.h"
#include "platform/scsi/VirtualSubChannel.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace quillon {

namespace {

constexpr uint32_t kRawSector = 2352;

// Sense keys and additional sense codes the unit reports.
constexpr uint8_t kNotReady = 2, kMediumError = 3, kIllegalRequest = 5;
constexpr uint8_t kNoMedium = 0x3A, kUnrecoveredRead = 0x11, kInvalidOpcode = 0x20, kOutOfRange = 0x21,
                  kInvalidField = 0x24, kIllegalMode = 0x64;

uint32_t Be(const uint8_t* p, int bytes)
{
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = (v << 8) | p[i];
    return v;
}

void PutBe(uint8_t* p, uint32_t v, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i, v >>= 8)
        p[i] = static_cast<uint8_t>(v);
}

void PutPadded(uint8_t* p, const std::string& text, size_t width)
{
    std::memset(p, ' ', width);
    std::memcpy(p, text.data(), std::min(text.size(), width));
}

// Copies a reply into the request's buffer, never past either end.
ScsiOutcome Reply(const ScsiRequest& r, const uint8_t* reply, size_t length)
{
    if (r.direction == ScsiDirection::In && r.data != nullptr)
        std::memcpy(r.data, reply, std::min<size_t>(length, r.dataLength));
    return GoodOutcome();
}

uint32_t MsfToLba(const uint8_t* p)
{
    return p[0] * 4500u + p[1] * 75u + p[2] - 150u;
}

} // namespace

VirtualCdUnit::VirtualCdUnit(VirtualDriveEntry entry, std::unique_ptr<VirtualDisc> disc)
    : entry_(std::move(entry)), disc_(std::move(disc)), faultsLeft_(entry_.faults), random_(entry_.seed),
      garbageLeft_(entry_.garbage)
{}

ScsiOutcome VirtualCdUnit::Execute(const ScsiRequest& r)
{
    const uint8_t* c = r.cdb;
    switch (c[0]) {
    case 0x12: return Inquiry(r);
    case 0x43: return ReadToc(r);
    case 0xBE:
        if ((c[10] & 0x07) != 0)
            return ReadWithSubChannel(r, Be(c + 2, 4), Be(c + 6, 3));
        return ReadSectors(r, Be(c + 2, 4), Be(c + 6, 3), false);
    case 0x42: return ReadSubChannel(r);
    case 0x28: return ReadSectors(r, Be(c + 2, 4), Be(c + 7, 2), true);
    case 0xA8: return ReadSectors(r, Be(c + 2, 4), Be(c + 6, 4), true);
    case 0xD4: return ReadSectors(r, Be(c + 2, 4), Be(c + 7, 2), false);
    case 0xD8: return ReadSectors(r, Be(c + 2, 4), Be(c + 6, 4), false);
    case 0xD9: {
        const uint32_t start = MsfToLba(c + 3), end = MsfToLba(c + 7);
        if (end < start)
            return CheckCondition(kIllegalRequest, kInvalidField);
        return ReadSectors(r, start, end - start, false);
    }
    case 0x5A: return ModeSenseCapabilities(r);
    case 0x15: return ModeSelect(r);
    case 0x1A: return ModeSense6(r);
    default: return CheckCondition(kIllegalRequest, kInvalidOpcode);
    }
}

ScsiOutcome VirtualCdUnit::Inquiry(const ScsiRequest& r)
{
    uint8_t reply[96] = {};
    reply[0] = 5;    // CD-ROM
    reply[1] = 0x80; // removable medium
    reply[2] = 0x02;
    reply[3] = 0x02;
    reply[4] = sizeof reply - 5;
    PutPadded(reply + 8, entry_.vendor, 8);
    PutPadded(reply + 16, entry_.product, 16);
    PutPadded(reply + 32, entry_.revision, 4);
    return Reply(r, reply, std::min<size_t>(sizeof reply, r.cdb[4]));
}

ScsiOutcome VirtualCdUnit::ReadToc(const ScsiRequest& r)
{
    if (!disc_)
        return CheckCondition(kNotReady, kNoMedium);
    const int format = r.cdb[2] & 0x0F;
    if (format != 0)
        return CheckCondition(kIllegalRequest, kInvalidField);
    const bool msf = (r.cdb[1] & 0x02) != 0;
    const int from = r.cdb[6];
    const auto& tracks = disc_->Tracks();

    std::vector<uint8_t> reply(4);
    auto add = [&](int number, bool data, uint32_t lba) {
        uint8_t d[8] = {};
        d[1] = data ? 0x14 : 0x10;
        d[2] = static_cast<uint8_t>(number);
        if (msf) {
            const uint32_t x = lba + 150;
            d[5] = static_cast<uint8_t>(x / 4500);
            d[6] = static_cast<uint8_t>(x / 75 % 60);
            d[7] = static_cast<uint8_t>(x % 75);
        } else {
            PutBe(d + 4, lba, 4);
        }
        reply.insert(reply.end(), d, d + 8);
    };
    for (const auto& t : tracks)
        if (t.number >= from)
            add(t.number, t.data, t.start);
    if (from > tracks.back().number && from != 0xAA)
        return CheckCondition(kIllegalRequest, kInvalidField);
    add(0xAA, false, disc_->LeadOut());
    PutBe(reply.data(), static_cast<uint32_t>(reply.size() - 2), 2);
    reply[2] = static_cast<uint8_t>(tracks.front().number);
    reply[3] = static_cast<uint8_t>(tracks.back().number);
    return Reply(r, reply.data(), std::min<size_t>(reply.size(), Be(r.cdb + 7, 2)));
}

ScsiOutcome VirtualCdUnit::ReadSectors(const ScsiRequest& r, uint32_t lba, uint32_t count, bool needsRawMode)
{
    if (entry_.delayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(entry_.delayMs));
    if (!disc_)
        return CheckCondition(kNotReady, kNoMedium);
    if (needsRawMode && entry_.modeSelect && blockLength_ != kRawSector)
        return CheckCondition(kIllegalRequest, kIllegalMode);
    const uint32_t leadOut = disc_->LeadOut();
    if (lba > leadOut || count > leadOut - lba)
        return CheckCondition(kIllegalRequest, kOutOfRange);
    for (auto& fault : faultsLeft_) {
        if (fault.count > 0 && fault.lba >= lba && fault.lba - lba < count) {
            --fault.count;
            return CheckCondition(kMediumError, kUnrecoveredRead);
        }
    }
    const size_t bytes = static_cast<size_t>(count) * kRawSector;
    const size_t room = r.data == nullptr ? 0 : r.dataLength;
    uint8_t* target = r.data;
    if (room < bytes) {
        scratch_.resize(bytes);
        target = scratch_.data();
    }
    const std::vector<bool> fromCache = TakeCache(lba, count);
    if (!ReadFromDisc(lba, count, target))
        return CheckCondition(kMediumError, kUnrecoveredRead);
    SpoilSectors(lba, count, target, fromCache);
    FillFromCache(lba, count, target, fromCache);
    if (target != r.data && room > 0)
        std::memcpy(r.data, target, room);
    if (entry_.swap) {
        const size_t delivered = std::min(room, bytes) & ~size_t{1};
        for (size_t i = 0; i < delivered; i += 2)
            std::swap(r.data[i], r.data[i + 1]);
    }
    return GoodOutcome();
}

int VirtualCdUnit::JitterSamples()
{
    if (entry_.jitter <= 0.0 || std::uniform_real_distribution<double>(0.0, 1.0)(random_) >= entry_.jitter)
        return 0;
    // Up to a sector either way, never none.
    const int samples = std::uniform_int_distribution<int>(1, 588)(random_);
    return std::uniform_int_distribution<int>(0, 1)(random_) == 0 ? -samples : samples;
}

bool VirtualCdUnit::ReadFromDisc(uint32_t lba, uint32_t count, uint8_t* out)
{
    const int shift = entry_.offsetSamples - JitterSamples();
    if (shift == 0)
        return disc_->ReadRaw(lba, count, out);
    // The drive's sample p is the disc's sample p - C; beyond the disc it reads silence.
    const SectorReader read = [this](uint32_t first, uint32_t n, uint8_t* into) {
        return disc_->ReadRaw(first, n, into);
    };
    const int64_t firstByte = static_cast<int64_t>(lba) * kRawSector - int64_t{shift} * 4;
    return ReadShifted(read, disc_->LeadOut(), firstByte, static_cast<size_t>(count) * kRawSector, out,
                       shiftScratch_) >= 0;
}

ScsiOutcome VirtualCdUnit::ReadSubChannel(const ScsiRequest& r)
{
    if (!disc_)
        return CheckCondition(kNotReady, kNoMedium);
    uint8_t reply[24];
    if (entry_.noSubChannel || (r.cdb[2] & 0x40) == 0 || !MakeSubChannelReply(*disc_, r.cdb[3], r.cdb[6], reply))
        return CheckCondition(kIllegalRequest, kInvalidField);
    return Reply(r, reply, std::min<size_t>(sizeof reply, Be(r.cdb + 7, 2)));
}

// Audio sectors each followed by 16 bytes of formatted Q, the one sub-channel form served.
// These reads play no faults, no delay, no offset nor jitter: they find the disc's layout
// before a rip's reads of audio, which the faults are for.
ScsiOutcome VirtualCdUnit::ReadWithSubChannel(const ScsiRequest& r, uint32_t lba, uint32_t count)
{
    if (!disc_)
        return CheckCondition(kNotReady, kNoMedium);
    if (entry_.noSubChannel || (r.cdb[10] & 0x07) != 0x02)
        return CheckCondition(kIllegalRequest, kInvalidField);
    const uint32_t leadOut = disc_->LeadOut();
    if (lba > leadOut || count > leadOut - lba)
        return CheckCondition(kIllegalRequest, kOutOfRange);
    constexpr size_t kWithQ = kRawSector + 16;
    std::vector<uint8_t> reply(count * kWithQ);
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t* at = reply.data() + i * kWithQ;
        if (!disc_->ReadRaw(lba + i, 1, at))
            return CheckCondition(kMediumError, kUnrecoveredRead);
        MakeFormattedQ(*disc_, lba + i, at + kRawSector);
    }
    return Reply(r, reply.data(), reply.size());
}

namespace {

// Scrambles a sector's samples with a stream that `key` picks: every sample changes, and
// two keys give two different results.
void Scramble(uint8_t* sector, uint64_t key)
{
    uint64_t x = key * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull;
    for (uint32_t i = 0; i < kRawSector; i += 4) {
        x ^= x >> 12;
        x ^= x << 25;
        x ^= x >> 27;
        const uint64_t mix = (x * 0x2545F4914F6CDD1Dull) | 1u;
        for (int b = 0; b < 4; ++b)
            sector[i + static_cast<uint32_t>(b)] ^= static_cast<uint8_t>(mix >> (8 * b));
    }
}

} // namespace

void VirtualCdUnit::SpoilSectors(uint32_t lba, uint32_t count, uint8_t* out, const std::vector<bool>& fromCache)
{
    auto inRead = [&](uint32_t sector) {
        return sector >= lba && sector - lba < count && (fromCache.empty() || !fromCache[sector - lba]);
    };
    for (auto& fault : garbageLeft_) {
        if (fault.count > 0 && inRead(fault.lba)) {
            --fault.count;
            const int reads = ++garbageReads_[fault.lba];
            Scramble(out + static_cast<size_t>(fault.lba - lba) * kRawSector,
                     (uint64_t{fault.lba} << 20) + static_cast<uint64_t>(reads));
        }
    }
    for (const uint32_t sector : entry_.stuck)
        if (inRead(sector))
            Scramble(out + static_cast<size_t>(sector - lba) * kRawSector, uint64_t{sector} << 20);
}

std::vector<bool> VirtualCdUnit::TakeCache(uint32_t lba, uint32_t count)
{
    // No cache, no list: a plain drive's reads stay as cheap as they were.
    if (entry_.cacheSectors == 0)
        return {};
    std::vector<bool> fromCache(count, false);
    // A seek further than the cache holds empties it, as a drive drops its read-ahead.
    const int64_t distance = static_cast<int64_t>(lba) - nextSector_;
    if (distance > int64_t{entry_.cacheSectors} || -distance > int64_t{entry_.cacheSectors}) {
        cache_.clear();
        cacheOrder_.clear();
    }
    nextSector_ = static_cast<int64_t>(lba) + count;
    for (uint32_t i = 0; i < count; ++i)
        fromCache[i] = cache_.count(lba + i) != 0;
    return fromCache;
}

void VirtualCdUnit::FillFromCache(uint32_t lba, uint32_t count, uint8_t* out, const std::vector<bool>& fromCache)
{
    if (entry_.cacheSectors == 0)
        return;
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t* sector = out + static_cast<size_t>(i) * kRawSector;
        if (fromCache[i]) {
            const std::vector<uint8_t>& kept = cache_[lba + i];
            std::memcpy(sector, kept.data(), kRawSector);
            continue;
        }
        cache_[lba + i].assign(sector, sector + kRawSector);
        cacheOrder_.push_back(lba + i);
        if (cacheOrder_.size() > entry_.cacheSectors) {
            cache_.erase(cacheOrder_.front());
            cacheOrder_.pop_front();
        }
    }
}

ScsiOutcome VirtualCdUnit::ModeSenseCapabilities(const ScsiRequest& r)
{
    if ((r.cdb[2] & 0x3F) != 0x2A)
        return CheckCondition(kIllegalRequest, kInvalidField);
    uint8_t reply[8 + 20] = {};
    PutBe(reply, sizeof reply - 2, 2);
    uint8_t* page = reply + 8;
    page[0] = 0x2A;
    page[1] = 18;
    page[2] = 0x03;                        // reads CD-R and CD-RW
    page[4] = 0x01;                        // plays audio
    page[5] = entry_.noCdda ? 0x00 : 0x03; // CD-DA commands, accurate stream
    page[6] = 0x29;                        // tray, eject, lock
    PutBe(page + 8, 176 * 24, 2);          // maximum read speed, kB/s
    return Reply(r, reply, std::min<size_t>(sizeof reply, Be(r.cdb + 7, 2)));
}

ScsiOutcome VirtualCdUnit::ModeSelect(const ScsiRequest& r)
{
    if (r.direction != ScsiDirection::Out || r.dataLength < 12 || r.data[3] != 8)
        return CheckCondition(kIllegalRequest, kInvalidField);
    const uint32_t length = Be(r.data + 9, 3);
    if (length != 2048 && length != kRawSector)
        return CheckCondition(kIllegalRequest, kInvalidField);
    density_ = r.data[4];
    blockLength_ = length;
    return GoodOutcome();
}

ScsiOutcome VirtualCdUnit::ModeSense6(const ScsiRequest& r)
{
    uint8_t reply[12] = {};
    reply[0] = sizeof reply - 1;
    reply[3] = 8;
    reply[4] = density_;
    PutBe(reply + 9, blockLength_, 3);
    return Reply(r, reply, std::min<size_t>(sizeof reply, r.cdb[4]));
}

} // namespace quillon
