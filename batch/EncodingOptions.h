#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace quillon {

// How one WAV file is compressed. Jobs keep 16-bit copies, the application's defaults
// 32-bit ones; the values are the same either way.
template <typename Int>
struct BasicEncodingOptions
{
    Int layer = 3;
    Int bitrate = 128;
    Int mode = 1;    // 0 mono, 1 stereo, 2 joint stereo, 3 dual channel
    Int quality = 1; // 0 turbo speed, 1 high quality
    Int copyright = 0;
    Int original = 0;
    Int errorProtection = 0;
    Int deEmphasis = 0; // 0 none, 1 50/15 microseconds, 2 CCITT J.17

    template <typename Other>
    static BasicEncodingOptions From(const BasicEncodingOptions<Other>& o)
    {
        return {static_cast<Int>(o.layer),           static_cast<Int>(o.bitrate),   static_cast<Int>(o.mode),
                static_cast<Int>(o.quality),         static_cast<Int>(o.copyright), static_cast<Int>(o.original),
                static_cast<Int>(o.errorProtection), static_cast<Int>(o.deEmphasis)};
    }

    bool operator==(const BasicEncodingOptions&) const = default;
};

using EncodingOptions = BasicEncodingOptions<int16_t>;
using DefaultEncodingOptions = BasicEncodingOptions<int32_t>;

enum class OptionField { Mode, Quality, Copyright, Original, ErrorProtection, DeEmphasis };

// The 14 bitrates offered for a layer (kbit/s); empty for a layer outside 1..3.
std::span<const int> BitratesForLayer(int layer);

// The word that shows a field's value. A value outside the field's table (a stored
// default can hold anything) gives "?" instead of reading past the table.
const char* OptionWord(OptionField field, int value);

// "lr: 3,128kbps,Stereo,HQ,NoCopr,NotOrig,NoProt,None" for the built-in defaults.
std::string FormatOptionString(const DefaultEncodingOptions& options);
// "Layer 3, Bitrate 128, Stereo ,HQ ,NoCopr ,NotOrig ,NoProt ,None" for the built-in defaults.
std::string FormatOptionSummary(const DefaultEncodingOptions& options);

inline std::string FormatOptionString(const EncodingOptions& options)
{
    return FormatOptionString(DefaultEncodingOptions::From(options));
}

inline std::string FormatOptionSummary(const EncodingOptions& options)
{
    return FormatOptionSummary(DefaultEncodingOptions::From(options));
}

} // namespace quillon
