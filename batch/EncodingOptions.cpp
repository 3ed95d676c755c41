#include "batch/EncodingOptions.h"

#include <cstdio>

namespace quillon {

namespace {

constexpr std::array<int, 14> kLayer1Bitrates{32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448};
constexpr std::array<int, 14> kLayer2Bitrates{32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384};
constexpr std::array<int, 14> kLayer3Bitrates{32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};

constexpr const char* kModeWords[] = {"Mono", "Stereo", "Joint", "DualCh"};
constexpr const char* kQualityWords[] = {"Fast", "HQ"};
constexpr const char* kCopyrightWords[] = {"NoCopr", "Copr"};
constexpr const char* kOriginalWords[] = {"NotOrig", "Orig"};
constexpr const char* kProtectionWords[] = {"NoProt", "ErrProt"};
constexpr const char* kDeEmphasisWords[] = {"None", "0/15 uS", "CITT"};

std::span<const char* const> WordTable(OptionField field)
{
    switch (field) {
    case OptionField::Mode: return kModeWords;
    case OptionField::Quality: return kQualityWords;
    case OptionField::Copyright: return kCopyrightWords;
    case OptionField::Original: return kOriginalWords;
    case OptionField::ErrorProtection: return kProtectionWords;
    case OptionField::DeEmphasis: return kDeEmphasisWords;
    }
    return {};
}

std::string FormatWithWords(const char* format, const DefaultEncodingOptions& o)
{
    char text[160];
    std::snprintf(text, sizeof text, format, static_cast<int>(o.layer), static_cast<int>(o.bitrate),
                  OptionWord(OptionField::Mode, o.mode), OptionWord(OptionField::Quality, o.quality),
                  OptionWord(OptionField::Copyright, o.copyright), OptionWord(OptionField::Original, o.original),
                  OptionWord(OptionField::ErrorProtection, o.errorProtection),
                  OptionWord(OptionField::DeEmphasis, o.deEmphasis));
    return text;
}

} // namespace

std::span<const int> BitratesForLayer(int layer)
{
    switch (layer) {
    case 1: return kLayer1Bitrates;
    case 2: return kLayer2Bitrates;
    case 3: return kLayer3Bitrates;
    default: return {};
    }
}

const char* OptionWord(OptionField field, int value)
{
    const auto table = WordTable(field);
    if (value < 0 || static_cast<size_t>(value) >= table.size())
        return "?";
    return table[static_cast<size_t>(value)];
}

std::string FormatOptionString(const DefaultEncodingOptions& options)
{
    return FormatWithWords("lr: %d,%dkbps,%s,%s,%s,%s,%s,%s", options);
}

std::string FormatOptionSummary(const DefaultEncodingOptions& options)
{
    return FormatWithWords("Layer %d, Bitrate %d, %s ,%s ,%s ,%s ,%s ,%s", options);
}

} // namespace quillon
