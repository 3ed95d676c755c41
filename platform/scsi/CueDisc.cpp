#include "platform/scsi/VirtualDisc.h"

#include <cdio/cdio.h>
#include <cdio/logging.h>

namespace quillon {

namespace {

class CueDisc : public VirtualDisc
{
public:
    explicit CueDisc(CdIo_t* cdio) : cdio_(cdio) {}
    ~CueDisc() override { cdio_destroy(cdio_); }

    bool Load(std::string& error)
    {
        const track_t first = cdio_get_first_track_num(cdio_);
        const track_t count = cdio_get_num_tracks(cdio_);
        if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0) {
            error = "the CUE sheet has no tracks";
            return false;
        }
        for (track_t t = first; t < first + count; ++t) {
            const lsn_t lsn = cdio_get_track_lsn(cdio_, t);
            if (lsn == CDIO_INVALID_LSN) {
                error = "track " + std::to_string(t) + " has no start";
                return false;
            }
            tracks_.push_back({t, cdio_get_track_format(cdio_, t) != TRACK_FORMAT_AUDIO,
                               static_cast<uint32_t>(lsn)});
        }
        const lsn_t leadOut = cdio_get_track_lsn(cdio_, CDIO_CDROM_LEADOUT_TRACK);
        if (leadOut == CDIO_INVALID_LSN) {
            error = "the image has no lead-out";
            return false;
        }
        leadOut_ = static_cast<uint32_t>(leadOut);
        return true;
    }

    const std::vector<Track>& Tracks() const override { return tracks_; }
    uint32_t LeadOut() const override { return leadOut_; }

    bool ReadRaw(uint32_t lba, uint32_t count, uint8_t* out) override
    {
        if (count == 0)
            return true;
        if (lba >= leadOut_ || count > leadOut_ - lba)
            return false;
        return cdio_read_audio_sectors(cdio_, out, static_cast<lsn_t>(lba), count) == DRIVER_OP_SUCCESS;
    }

private:
    CdIo_t* cdio_;
    std::vector<Track> tracks_;
    uint32_t leadOut_ = 0;
};

// libcdio's own handler ends the whole process at an error in a CUE sheet; a wrong sheet
// must cost only its drive, which the caller reports with the list's line number. Its
// warnings would mix with those reports, so they are dropped too.
void IgnoreCdioMessage(cdio_log_level_t, const char[])
{
}

} // namespace

std::unique_ptr<VirtualDisc> OpenCueDisc(const std::string& cuePath, std::string& error)
{
    cdio_log_set_handler(IgnoreCdioMessage);
    CdIo_t* cdio = cdio_open_cue(cuePath.c_str());
    if (cdio == nullptr) {
        error = "cannot open the CUE sheet \"" + cuePath + "\"";
        return nullptr;
    }
    auto disc = std::make_unique<CueDisc>(cdio);
    if (!disc->Load(error))
        return nullptr;
    return disc;
}

} // namespace quillon
