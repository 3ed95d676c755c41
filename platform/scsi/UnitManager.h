#pragma once

#include "platform/scsi/ScsiManager.h"
#include "platform/scsi/ScsiRequest.h"

#include <string>

namespace quillon {

// What both managers share: reading the four kinds of request block and posting the
// completion event. Subclasses only say which units exist and run CDBs on them.
class UnitManager : public ScsiManager
{
public:
    uint32_t GetSupportInfo() override;
    uint32_t SendCommand(uint8_t* srb) override;

protected:
    virtual int AdapterCount() const = 0;
    virtual std::string ManagerId() const = 0;
    // Empty when the adapter does not exist.
    virtual std::string AdapterIdentifier(int adapter) const = 0;
    // SCSI peripheral device type (5 = CD-ROM), or -1 when no unit answers there.
    virtual int DeviceType(int adapter, int target) const = 0;
    virtual ScsiOutcome Execute(const ScsiRequest& request) = 0;
};

} // namespace quillon
