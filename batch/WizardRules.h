#pragma once

#include "batch/EncodingOptions.h"
#include "batch/JobList.h"

#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// Texts of the wizard that are no window's business (string numbers of the string table).
inline constexpr std::string_view kErrorCaption = "Error";
inline constexpr std::string_view kNoDefaultDirMessage = // string 132
    "You have to select the default output directory first";
inline constexpr std::string_view kNoDecodeOptionsMessage = // string 131
    "No options can be modified for decoding files ";
inline constexpr std::string_view kDefaultDirBrowserTitle = "Select default output directory";      // 119
inline constexpr std::string_view kJobDirBrowserTitle = "Select output directory for current file"; // 130
inline constexpr std::string_view kWavMask = "*.wav";
inline constexpr std::string_view kMpegMask = "*.mp?";
inline constexpr size_t kMaskLength = 7;

// Why the wizard may not leave the input and output page, or "" when it may. Without a
// real default output folder ("@DEFAULT" in any case, "NOT SET", nothing) the outputs
// would be named like "NOT SETsong.mp3" in the working folder; two jobs writing one
// output file would lose the first one's result.
std::string LeavePage1Refusal(const JobList& jobs);

// The job count as the page shows it: "%3d".
std::string CountText(int count);

// The mask the folder tree uses for what the mask field holds: its first 7 characters.
std::string MaskFromField(const std::string& fieldText);

// OK in the options dialog: the job takes the values as its own.
void SetOwnOptions(JobList& jobs, int index, const EncodingOptions& options);

// "Set default" in the options dialog: the values become the defaults, and every job
// without options of its own (decode jobs too) takes them and shows their option string.
void SetDefaultOptions(JobList& jobs, DefaultEncodingOptions& defaults, const EncodingOptions& options);

// The state of the options dialog's controls, kept apart from the widgets so that the
// fill and read-back rules are tested without a display.
struct OptionsDialogControls
{
    int layer = 0;             // checked layer button 1..3, 0 when none
    std::vector<int> bitrates; // the list's items, filled once at opening
    int bitrateItem = -1;      // selected item, -1 when none
    int mode = -1;             // mode of the checked mode button, -1 when none
    int quality = -1;          // 1 "High Quality", 0 "Turbo Speed", -1 when none
    bool copyright = false;
    bool original = false;
    bool errorProtection = false;
    int deEmphasis = -1; // checked de-emphasis button 0..2, -1 when none
};

// What the dialog shows for `options`: a value outside its range checks no button.
OptionsDialogControls FillOptionsDialog(const EncodingOptions& options);

// The values OK and "Set default" read back. With no layer or mode button checked those
// keep the shown value; with no bitrate item selected (the value was not in the layer's
// list) the shown bitrate is kept, and the encoder refuses it with a clear line.
EncodingOptions ReadOptionsDialog(const OptionsDialogControls& controls, const EncodingOptions& shown);

} // namespace quillon
