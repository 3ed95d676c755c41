#pragma once

#include "app/SettingsBackend.h"
#include "batch/EncodingOptions.h"
#include "platform/TemporaryFolder.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

namespace quillon {

// Where discs are looked up ("MusicBrainzServer", "CoverArtServer", "AccurateRipServer"; an
// empty text means the default server) and whether the grabber looks up a disc with no stored text on its own
// ("AutoLookup", 1 or 0).
struct LookupSettings
{
    std::string musicBrainzServer = "https://musicbrainz.org";
    std::string coverArtServer = "https://coverartarchive.org";
    std::string accurateRipServer = "http://www.accuraterip.com";
    int32_t autoLookup = 1;
};

// The defaults kept for the whole run of the program: the options new jobs receive, the
// default output folder (a folder text ending in "/", or "NOT SET"), the default CD drive,
// the look-up settings and whether the grabber reads in secure mode ("SecureMode", 1 or 0).
struct DefaultSettings
{
    DefaultEncodingOptions options;
    int32_t defaultCd = 0;
    std::string defaultOutputDir;
    LookupSettings lookup;
    int32_t secureMode = 0;
    // The read offset corrections of drive models, in samples, by DriveOffsetKey.
    std::map<std::string, int32_t> driveOffsets;
};

// "DriveOffsets/VENDOR PRODUCT": where the read offset correction of a drive model is
// kept. The correction belongs to the model, whatever its firmware revision; the vendor
// and product lose their trailing blanks, and every character but letters, digits, blanks
// and ".-_" becomes "_" (a "/" would open a group of the settings file).
std::string DriveOffsetKey(const std::string& vendor, const std::string& product);

// The temporary folder with "/" appended, or "NOT SET" when it is empty.
std::string InitialOutputDir(const EnvironmentLookup& getEnv);

// The grabber's read offset field for the drive model `key` (DriveOffsetKey): the stored
// correction as ReadCorrectionText writes it, "" when none is stored.
std::string DriveOffsetFieldText(const DefaultSettings& settings, const std::string& key);

// What the field holds, taken for a grab: "" is no correction (a stored one stays stored);
// a correction ParseReadCorrection takes is kept in `settings` for the model, `changed`
// saying whether it differs from what was stored. False with `error` set when the text is
// no correction.
bool TakeDriveOffsetField(DefaultSettings& settings, const std::string& key, const std::string& text,
                          std::optional<int>& correction, bool& changed, std::string& error);

// Reads a stored number: an optional sign and decimal digits that fit 32 bits, nothing else.
std::optional<int32_t> ParseStoredNumber(const std::string& text);

class SettingsStore
{
public:
    // A stored text value of this many bytes or more is ignored on loading.
    static constexpr size_t kValueRoom = 256;

    // The initial values: built-in options, drive 0 and the temporary folder rule.
    static DefaultSettings Initialise(const EnvironmentLookup& getEnv);

    // Takes every stored value that is present and well-formed; the others keep their value.
    static void LoadDefaults(SettingsBackend& backend, DefaultSettings& settings);

    // The correction stored under `key` (DriveOffsetKey), if any.
    static std::optional<int32_t> LoadDriveOffset(SettingsBackend& backend, const std::string& key);

    // Stores all fourteen values and the drive offsets. 0 on success, else the backend's error number (callers may
    // ignore it).
    static int SaveDefaults(SettingsBackend& backend, const DefaultSettings& settings);
};

} // namespace quillon

namespace quillon {

// $XDG_CONFIG_HOME/Norvane/Quillon/2.51.conf, XDG_CONFIG_HOME defaulting to ~/.config.
// Empty when neither XDG_CONFIG_HOME (absolute) nor HOME is known.
std::string SettingsFilePath(const EnvironmentLookup& getEnv);

} // namespace quillon
