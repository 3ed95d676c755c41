#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quillon {

// A disc image a virtual drive serves: its table of contents and its raw sectors.
class VirtualDisc
{
public:
    struct Track
    {
        int number = 0;
        bool data = false;
        uint32_t start = 0;
    };

    virtual ~VirtualDisc() = default;
    virtual const std::vector<Track>& Tracks() const = 0;
    virtual uint32_t LeadOut() const = 0;
    // Reads `count` raw 2352-byte sectors from `lba`; false past the lead-out or on a
    // read error of the image.
    virtual bool ReadRaw(uint32_t lba, uint32_t count, uint8_t* out) = 0;
};

// Opens a BIN/CUE image through libcdio; null with `error` set when it cannot.
std::unique_ptr<VirtualDisc> OpenCueDisc(const std::string& cuePath, std::string& error);

} // namespace quillon
