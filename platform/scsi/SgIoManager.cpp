#include "platform/scsi/ScsiManager.h"
#include "platform/scsi/SgIo.h"
#include "platform/scsi/SrbLayout.h"
#include "platform/scsi/UnitManager.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <sys/ioctl.h>
#include <unistd.h>

namespace quillon {

namespace {

constexpr unsigned kCommandTimeoutMs = 5000;

class SgIoManager : public UnitManager
{
public:
    SgIoManager()
    {
        for (int n = 0; n < 256; ++n) {
            const std::string path = "/dev/sg" + std::to_string(n);
            const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd < 0) {
                // A drive the user may not open would otherwise vanish without a word.
                if (errno == EACCES || errno == EPERM)
                    std::fprintf(stderr, "%s: %s\n", path.c_str(), std::strerror(errno));
                continue;
            }
            sg_scsi_id id{};
            if (::ioctl(fd, SG_GET_SCSI_ID, &id) == 0 && id.lun == 0 && id.host_no >= 0 && id.host_no < 255 &&
                id.scsi_id >= 0 && id.scsi_id < 256) {
                units_[{id.host_no, id.scsi_id}] = Unit{path, id.scsi_type};
                adapterCount_ = std::max(adapterCount_, id.host_no + 1);
            }
            ::close(fd);
        }
    }

protected:
    int AdapterCount() const override { return adapterCount_; }
    std::string ManagerId() const override { return "LINUX SG_IO"; }

    std::string AdapterIdentifier(int adapter) const override
    {
        std::ifstream f("/sys/class/scsi_host/host" + std::to_string(adapter) + "/proc_name");
        std::string driver;
        std::getline(f, driver);
        return AdapterIdentifierForDriver(driver.empty() ? "unknown" : driver);
    }

    int DeviceType(int adapter, int target) const override
    {
        auto it = units_.find({adapter, target});
        return it == units_.end() ? -1 : it->second.type;
    }

    ScsiOutcome Execute(const ScsiRequest& request) override
    {
        const Unit& unit = units_.at({request.adapter, request.target});
        const int fd = ::open(unit.path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return ScsiOutcome{srb::kError, 0, {}};
        uint8_t sense[32] = {};
        sg_io_hdr_t header;
        BuildSgIoHeader(request, sense, sizeof sense, kCommandTimeoutMs, header);
        const int rc = ::ioctl(fd, SG_IO, &header);
        ::close(fd);
        if (rc != 0)
            return ScsiOutcome{srb::kError, 0, {}};
        return OutcomeFromSgIo(header, sense);
    }

private:
    struct Unit
    {
        std::string path;
        int type = -1;
    };

    std::map<std::pair<int, int>, Unit> units_;
    int adapterCount_ = 0;
};

} // namespace

std::unique_ptr<ScsiManager> LoadSgIoManager()
{
    return std::make_unique<SgIoManager>();
}

} // namespace quillon
