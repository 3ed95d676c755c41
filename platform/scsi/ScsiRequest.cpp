#include "platform/scsi/ScsiRequest.h"

#include "platform/scsi/ScsiHandles.h"
#include "platform/scsi/SrbLayout.h"

#include <algorithm>
#include <cstring>

namespace quillon {

bool DecodeExecuteBlock(const uint8_t* srb, ScsiRequest& r)
{
    r = ScsiRequest{};
    r.adapter = srb[srb::kAdapter];
    r.target = srb[srb::kTarget];
    r.lun = srb[srb::kLun];
    r.cdbLength = srb[srb::kCdbLength];
    if (r.cdbLength == 0 || r.cdbLength > static_cast<int>(srb::kCdbRoom))
        return false;
    std::memcpy(r.cdb, srb + srb::kCdb, r.cdbLength);
    const uint8_t flags = srb[srb::kFlags];
    if (flags & srb::kDataIn)
        r.direction = ScsiDirection::In;
    else if (flags & srb::kDataOut)
        r.direction = ScsiDirection::Out;
    r.dataLength = srb::Get32(srb + srb::kDataLength);
    r.data = static_cast<uint8_t*>(ScsiHandleGet(srb::Get32(srb + srb::kDataPointer)));
    r.senseLength = std::min<int>(srb[srb::kSenseLength], srb::kSenseRoom);
    if (r.dataLength == 0)
        r.direction = ScsiDirection::None;
    return r.dataLength == 0 || r.data != nullptr;
}

void StoreOutcome(uint8_t* srb, const ScsiOutcome& o)
{
    srb[srb::kTargetStatus] = o.targetStatus;
    srb[srb::kAdapterStatus] = o.adapterStatus;
    uint8_t sense[18] = {};
    if (o.sense.key != 0 || o.sense.asc != 0 || o.sense.ascq != 0) {
        sense[0] = 0x70;
        sense[2] = o.sense.key & 0x0F;
        sense[7] = 10;
        sense[12] = o.sense.asc;
        sense[13] = o.sense.ascq;
    }
    const size_t room = std::min<size_t>(srb[srb::kSenseLength], srb::kSenseRoom);
    std::memset(srb + srb::kSenseArea, 0, room);
    std::memcpy(srb + srb::kSenseArea, sense, std::min(room, sizeof sense));
    srb[srb::kStatus] = o.status;
}

SenseData ParseSense(const uint8_t* s, size_t length)
{
    SenseData d;
    if (length < 1)
        return d;
    const uint8_t code = s[0] & 0x7F;
    if (code == 0x72 || code == 0x73) {
        if (length > 1)
            d.key = s[1] & 0x0F;
        if (length > 2)
            d.asc = s[2];
        if (length > 3)
            d.ascq = s[3];
    } else if (code == 0x70 || code == 0x71) {
        if (length > 2)
            d.key = s[2] & 0x0F;
        if (length > 12)
            d.asc = s[12];
        if (length > 13)
            d.ascq = s[13];
    }
    return d;
}

ScsiOutcome GoodOutcome()
{
    return ScsiOutcome{srb::kComplete, 0, {}, 0};
}

ScsiOutcome CheckCondition(uint8_t key, uint8_t asc, uint8_t ascq)
{
    return ScsiOutcome{srb::kError, 2, SenseData{key, asc, ascq}, 0};
}

} // namespace quillon
