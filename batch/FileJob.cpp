#include "batch/FileJob.h"

namespace quillon {

EncodingOptions FileJob::Options() const
{
    return {layer, bitrate, mode, quality, copyright, original, errorProtection, deEmphasis};
}

void FileJob::SetOptions(const EncodingOptions& options)
{
    layer = options.layer;
    bitrate = options.bitrate;
    mode = options.mode;
    quality = options.quality;
    copyright = options.copyright;
    original = options.original;
    errorProtection = options.errorProtection;
    deEmphasis = options.deEmphasis;
}

std::string OutputExtension(int action, int layer)
{
    if (action == kActionDecode)
        return ".wav";
    return ".mp" + std::to_string(layer);
}

std::string MakeOutputName(const std::string& name, int action, int layer)
{
    const auto dot = name.rfind('.');
    const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
    return stem + OutputExtension(action, layer);
}

} // namespace quillon
