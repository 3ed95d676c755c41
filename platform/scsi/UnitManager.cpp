#include "platform/scsi/UnitManager.h"

#include "platform/scsi/ScsiHandles.h"
#include "platform/scsi/SrbLayout.h"

#include <algorithm>
#include <cstring>

namespace quillon {

namespace {

void PutText(uint8_t* field, const std::string& text)
{
    std::memset(field, ' ', srb::kIdTextLength);
    std::memcpy(field, text.data(), std::min(text.size(), srb::kIdTextLength));
}

void Post(uint8_t* srb)
{
    if (!(srb[srb::kFlags] & srb::kPostByEvent))
        return;
    if (auto* event = static_cast<ScsiEvent*>(ScsiHandleGet(srb::Get32(srb + srb::kPostHandle))))
        event->Signal();
}

} // namespace

uint32_t UnitManager::GetSupportInfo()
{
    const int count = AdapterCount();
    if (count <= 0)
        return static_cast<uint32_t>(srb::kNoAdapters) << 8;
    return (1u << 8) | static_cast<uint32_t>(count & 0xFF);
}

uint32_t UnitManager::SendCommand(uint8_t* srb)
{
    const int adapter = srb[srb::kAdapter];
    switch (srb[srb::kCommand]) {
    case srb::kHostAdapterInquiry: {
        if (adapter >= AdapterCount()) {
            srb[srb::kStatus] = srb::kInvalidAdapter;
            return srb::kInvalidAdapter;
        }
        srb[srb::kAdapterCount] = static_cast<uint8_t>(AdapterCount());
        srb[srb::kAdapterScsiId] = 7;
        PutText(srb + srb::kManagerId, ManagerId());
        PutText(srb + srb::kAdapterIdentifier, AdapterIdentifier(adapter));
        srb[srb::kStatus] = srb::kComplete;
        return srb::kComplete;
    }
    case srb::kGetDeviceType: {
        if (adapter >= AdapterCount()) {
            srb[srb::kStatus] = srb::kInvalidAdapter;
            return srb::kInvalidAdapter;
        }
        const int type = DeviceType(adapter, srb[srb::kDeviceTarget]);
        if (type < 0 || srb[srb::kDeviceLun] != 0) {
            srb[srb::kStatus] = srb::kNoDevice;
            return srb::kNoDevice;
        }
        srb[srb::kDeviceType] = static_cast<uint8_t>(type);
        srb[srb::kStatus] = srb::kComplete;
        return srb::kComplete;
    }
    case srb::kExecuteScsi: {
        ScsiOutcome outcome;
        ScsiRequest request;
        if (adapter >= AdapterCount())
            outcome.status = srb::kInvalidAdapter;
        else if (!DecodeExecuteBlock(srb, request))
            outcome.status = srb::kInvalidCommand;
        else if (DeviceType(request.adapter, request.target) < 0 || request.lun != 0)
            outcome.status = srb::kNoDevice;
        else
            outcome = Execute(request);
        StoreOutcome(srb, outcome);
        Post(srb);
        return outcome.status;
    }
    case srb::kAbort:
        // Commands complete before SendCommand returns, so nothing is ever left to abort.
        srb[srb::kStatus] = srb::kComplete;
        return srb::kComplete;
    default: srb[srb::kStatus] = srb::kInvalidCommand; return srb::kInvalidCommand;
    }
}

} // namespace quillon
