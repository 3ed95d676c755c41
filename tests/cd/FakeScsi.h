#pragma once

// A manager with one or more units whose answers the test sets, recording every CDB.

#include "platform/scsi/UnitManager.h"

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace quillon::testing {

class FakeScsiManager : public UnitManager
{
public:
    struct Sent
    {
        int adapter = 0;
        int target = 0;
        std::vector<uint8_t> cdb;
        uint32_t dataLength = 0;
        ScsiDirection direction = ScsiDirection::None;
        std::vector<uint8_t> dataOut;
    };

    std::vector<std::string> adapters{"ATAPI"};
    int units = 1; // units per adapter, targets 0..units-1
    std::vector<Sent> sent;
    // Answers a request; by default INQUIRY texts and success.
    std::function<ScsiOutcome(const ScsiRequest&)> answer;

    std::vector<uint8_t> LastCdb() const { return sent.empty() ? std::vector<uint8_t>{} : sent.back().cdb; }

protected:
    int AdapterCount() const override { return static_cast<int>(adapters.size()); }
    std::string ManagerId() const override { return "FAKE MANAGER"; }
    std::string AdapterIdentifier(int a) const override { return adapters.at(a); }
    int DeviceType(int, int target) const override { return target < units ? 5 : -1; }

    ScsiOutcome Execute(const ScsiRequest& r) override
    {
        Sent s{r.adapter, r.target, std::vector<uint8_t>(r.cdb, r.cdb + r.cdbLength), r.dataLength, r.direction, {}};
        if (r.direction == ScsiDirection::Out)
            s.dataOut.assign(r.data, r.data + r.dataLength);
        sent.push_back(s);
        if (answer)
            return answer(r);
        if (r.cdb[0] == 0x12 && r.data) {
            const char reply[] = "\x05\x80\x02\x02\x1f\0\0\0VENDORXXPRODUCT-NAME-16REV1";
            std::memcpy(r.data, reply, std::min<size_t>(sizeof reply - 1, r.dataLength));
        }
        return GoodOutcome();
    }
};

} // namespace quillon::testing
