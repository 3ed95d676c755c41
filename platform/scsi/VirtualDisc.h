#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace quillon {

// The text an image's sheet carries for its disc (CD-Text and REM lines).
struct DiscTextOffer
{
    std::string artist;
    std::string album;
    std::string year;
    std::string genre;
    std::vector<std::pair<int, std::string>> trackTitles; // track number, title

    bool Empty() const
    {
        return artist.empty() && album.empty() && year.empty() && genre.empty() && trackTitles.empty();
    }
};

// A disc image a virtual drive serves: its table of contents and its raw sectors.
class VirtualDisc
{
public:
    struct Track
    {
        int number = 0;
        bool data = false;
        uint32_t start = 0;    // INDEX 01
        uint32_t gapStart = 0; // where its index 0 begins (INDEX 00, PREGAP); start when none
        std::string isrc{};    // "" when the sheet gives none
    };

    virtual ~VirtualDisc() = default;
    virtual const std::vector<Track>& Tracks() const = 0;
    virtual uint32_t LeadOut() const = 0;
    // Reads `count` raw 2352-byte sectors from `lba`; false past the lead-out or on a
    // read error of the image.
    virtual bool ReadRaw(uint32_t lba, uint32_t count, uint8_t* out) = 0;
    virtual DiscTextOffer Text() const { return {}; }
    // The media catalogue number the sheet gives; "" when none.
    virtual std::string Catalog() const { return {}; }
};

// Opens the image a CUE sheet describes (BINARY and WAVE files); null with `error` set
// to "SHEET: line N: reason" when it cannot.
std::unique_ptr<VirtualDisc> OpenCueDisc(const std::string& cuePath, std::string& error);

// The texts of the discs the virtual drives of this process serve, by ASPI adapter
// and target, for the disc text store to fall back on. The newest manager's texts
// replace the older ones; a manager takes its own back when it goes (an older one
// going leaves the newer texts alone). A null owner forgets whatever is published.
void PublishVirtualDiscText(const void* owner, int adapter, int target, DiscTextOffer text);
void ForgetVirtualDiscTexts(const void* owner);
bool FindVirtualDiscText(int adapter, int target, DiscTextOffer& text);

} // namespace quillon
