#pragma once

#include "batch/EncodingOptions.h"
#include "formats/TrackTags.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace quillon {

class CdDrive;

// Room of the job's text fields, terminating zero included: a name holds at most 255
// characters, a folder at most 511.
constexpr size_t kNameFieldSize = 256;
constexpr size_t kFolderFieldSize = 512;
constexpr size_t kTagBlockSize = 128;

constexpr int16_t kActionDecode = 0;
constexpr int16_t kActionEncode = 1;

using TagBlock = std::array<uint8_t, kTagBlockSize>;

// One entry of the batch: an input file (or a CD track), what to do with it and where
// the result goes. Folder texts end with "/".
struct FileJob
{
    std::string fileName; // for a CD track "Track%02d"
    std::string outputName;
    std::string location; // for a CD track "CD[%d,%d]" (host adapter, target)
    std::string outputDir;
    int16_t layer = 3;
    int16_t mode = 1;
    int16_t bitrate = 128;
    int16_t action = kActionEncode;
    int16_t quality = 1;
    int16_t hasOwnOptions = 0;
    int16_t trackIndex = -1;
    int16_t copyright = 0;
    int16_t errorProtection = 0;
    int16_t original = 0;
    int16_t deEmphasis = 0;
    const CdDrive* cdDrive = nullptr; // set only for a CD track
    std::optional<TagBlock> tagBlock; // owned by the job; only for a CD track
    std::optional<TrackTags> tags;    // the ID3v2 tag of a CD track's encoded file
    int32_t sizeKiB = 0;

    bool IsCdTrack() const { return cdDrive != nullptr; }
    bool IsEncode() const { return action != kActionDecode; }
    std::string InputPath() const { return location + fileName; }
    std::string OutputPath() const { return outputDir + outputName; }

    EncodingOptions Options() const;
    void SetOptions(const EncodingOptions& options);
};

// The output name for `name`: the part after the last "." is replaced by ".mp<layer>"
// for an encode job or ".wav" for a decode job; a name without "." gets the extension.
std::string MakeOutputName(const std::string& name, int action, int layer);

// The extension a job's output gets: ".mp<layer>" for an encode job, ".wav" for a decode job.
std::string OutputExtension(int action, int layer);

// True when `text` fits a field of `fieldSize` bytes together with its terminating zero.
inline bool FitsField(const std::string& text, size_t fieldSize)
{
    return text.size() < fieldSize;
}

} // namespace quillon
