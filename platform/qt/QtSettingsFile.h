#pragma once

#include "app/SettingsBackend.h"

#include <memory>
#include <string>

namespace quillon {

// The default settings in an INI file read and written through QSettings, group
// "Default Settings". Saving writes a complete new file beside the old one and renames
// it over the old one, so a crash or a full disk never leaves half a file.
class QtSettingsFile : public SettingsBackend
{
public:
    explicit QtSettingsFile(std::string path);
    ~QtSettingsFile() override;

    bool OpenForReading() override;
    std::optional<std::string> ReadValue(const std::string& name) override;
    int WriteAll(std::span<const std::pair<std::string, std::string>> values) override;

private:
    struct Reader;
    std::string path_;
    std::unique_ptr<Reader> reader_;
};

} // namespace quillon
