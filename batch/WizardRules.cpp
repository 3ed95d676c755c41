#include "batch/WizardRules.h"

#include "batch/OutputClashes.h"

#include <cstdio>

namespace quillon {

std::string LeavePage1Refusal(const JobList& jobs)
{
    const std::string& dir = jobs.DefaultOutputDir();
    if (dir.empty() || dir == kNotSet || IsDefaultMarker(dir))
        return std::string(kNoDefaultDirMessage);
    if (const auto clashes = ClashingOutputPaths(jobs); !clashes.empty())
        return OutputClashMessage(clashes);
    return {};
}

std::string CountText(int count)
{
    char text[16];
    std::snprintf(text, sizeof text, "%3d", count);
    return text;
}

std::string MaskFromField(const std::string& fieldText)
{
    return fieldText.substr(0, kMaskLength);
}

void SetOwnOptions(JobList& jobs, int index, const EncodingOptions& options)
{
    if (index < 0 || index >= jobs.Count())
        return;
    FileJob& job = jobs.Job(index);
    job.SetOptions(options);
    job.hasOwnOptions = 1;
    jobs.ShowOptionString(index);
}

void SetDefaultOptions(JobList& jobs, DefaultEncodingOptions& defaults, const EncodingOptions& options)
{
    defaults = DefaultEncodingOptions::From(options);
    for (int i = 0; i < jobs.Count(); ++i) {
        if (jobs.Job(i).hasOwnOptions != 0)
            continue;
        jobs.Job(i).SetOptions(options);
        jobs.ShowOptionString(i);
    }
}

OptionsDialogControls FillOptionsDialog(const EncodingOptions& options)
{
    OptionsDialogControls c;
    c.layer = options.layer >= 1 && options.layer <= 3 ? options.layer : 0;
    const auto list = BitratesForLayer(options.layer);
    c.bitrates.assign(list.begin(), list.end());
    for (size_t i = 0; i < c.bitrates.size(); ++i) {
        if (c.bitrates[i] == options.bitrate)
            c.bitrateItem = static_cast<int>(i);
    }
    c.mode = options.mode >= 0 && options.mode <= 3 ? options.mode : -1;
    c.quality = options.quality == 0 || options.quality == 1 ? options.quality : -1;
    c.copyright = options.copyright == 1;
    c.original = options.original == 1;
    c.errorProtection = options.errorProtection == 1;
    c.deEmphasis = options.deEmphasis >= 0 && options.deEmphasis <= 2 ? options.deEmphasis : -1;
    return c;
}

EncodingOptions ReadOptionsDialog(const OptionsDialogControls& c, const EncodingOptions& shown)
{
    EncodingOptions o = shown;
    o.quality = c.quality == 1 ? 1 : 0;
    if (c.layer >= 1 && c.layer <= 3)
        o.layer = static_cast<int16_t>(c.layer);
    if (c.mode >= 0 && c.mode <= 3)
        o.mode = static_cast<int16_t>(c.mode);
    if (c.bitrateItem >= 0 && c.bitrateItem < static_cast<int>(c.bitrates.size()))
        o.bitrate = static_cast<int16_t>(c.bitrates[static_cast<size_t>(c.bitrateItem)]);
    o.copyright = c.copyright ? 1 : 0;
    o.original = c.original ? 1 : 0;
    o.errorProtection = c.errorProtection ? 1 : 0;
    o.deEmphasis = static_cast<int16_t>((c.deEmphasis == 1 ? 1 : 0) + 2 * (c.deEmphasis == 2 ? 1 : 0));
    return o;
}

} // namespace quillon
