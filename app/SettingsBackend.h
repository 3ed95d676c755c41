#pragma once

#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace quillon {

// Where the default settings are kept between runs of the program (a settings file on
// this platform). The store owns the rules; a backend only reads and writes texts.
class SettingsBackend
{
public:
    virtual ~SettingsBackend() = default;

    // False when the stored settings cannot be read at all (missing, unreadable or
    // corrupt); every value then counts as missing.
    virtual bool OpenForReading() = 0;

    // The stored text of one value; nothing when it is missing or not a plain text.
    virtual std::optional<std::string> ReadValue(const std::string& name) = 0;

    // The names of the values stored under "GROUP/", without the group; none when the
    // store cannot list them.
    virtual std::vector<std::string> ValueNames(const std::string& /*group*/) { return {}; }

    // Writes all values at once, in the order given. Either the whole new set is
    // stored or the old file stays as it was. Returns 0 on success, else an error number.
    virtual int WriteAll(std::span<const std::pair<std::string, std::string>> values) = 0;

    // What went wrong in the last OpenForReading or WriteAll, in words that follow the
    // file's name and a colon; empty when there was nothing worth telling (no file yet).
    virtual std::string Problem() const { return {}; }
};

} // namespace quillon
