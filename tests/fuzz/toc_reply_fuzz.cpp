// A drive's READ TOC reply, whatever it holds, through the command layer into the
// drive's track records and the track list's texts.
#include "cd/AspiLayer.h"
#include "cd/CdDrive.h"
#include "cd/TrackList.h"
#include "platform/scsi/UnitManager.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <span>

namespace {

using namespace quillon;

// One CD-ROM unit whose every READ TOC reply is the current input.
class ReplayingManager : public UnitManager
{
public:
    std::span<const uint8_t> reply;

protected:
    int AdapterCount() const override { return 1; }
    std::string ManagerId() const override { return "FUZZ"; }
    std::string AdapterIdentifier(int adapter) const override { return adapter == 0 ? "ATAPI" : ""; }
    int DeviceType(int adapter, int target) const override { return adapter == 0 && target == 0 ? 5 : -1; }
    ScsiOutcome Execute(const ScsiRequest& r) override
    {
        if (r.cdb[0] == 0x43 && r.data != nullptr)
            std::memcpy(r.data, reply.data(), std::min<size_t>(reply.size(), r.dataLength));
        return GoodOutcome();
    }
};

ReplayingManager* Manager()
{
    static ReplayingManager* manager = [] {
        auto owned = std::make_unique<ReplayingManager>();
        ReplayingManager* kept = owned.get();
        if (aspi_load_manager(std::move(owned)) != 1)
            std::abort();
        return kept;
    }();
    return manager;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Manager()->reply = std::span(data, size);
    static DiscToc toc;
    CdDrive drive;
    int count = 0;
    const int32_t result = drive.ReadToc(count, toc.data());
    if (count < 0 || count > kTocCapacity)
        std::abort();
    if (result != 1) {
        if (drive.trackCount != 0)
            std::abort();
        return 0;
    }
    // A shown disc never has a track longer than the disc itself.
    int64_t sum = 0;
    for (int i = 0; i < drive.trackCount; ++i) {
        if (drive.tracks[i].sectors > static_cast<uint32_t>(drive.totalSectors))
            std::abort();
        sum += drive.tracks[i].sectors;
    }
    if (drive.trackCount < 0 || drive.trackCount > kTrackRecordCapacity || sum != drive.totalSectors)
        std::abort();
    const auto rows = BuildTrackRows(drive, {});
    if (rows.size() != static_cast<size_t>(drive.trackCount))
        std::abort();
    (void)DiscSizeText(drive.totalSectors);
    (void)UpdateSelectionTotals(drive, std::vector<bool>(rows.size(), true));
    return 0;
}
