#pragma once

#include "app/SettingsBackend.h"

#include <memory>
#include <string>

namespace quillon {

// The default settings in an INI file read and written through QSettings, group
// "Default Settings". Saving writes a complete new file beside the old one and renames
// it over the old one, so a crash or a full disk never leaves half a file. A settings
// file that is a symbolic link stays one: the file it points to is the one replaced.
// Only our group is kept; a file larger than kLargestFile is neither read nor replaced.
class QtSettingsFile : public SettingsBackend
{
public:
    static constexpr long long kLargestFile = 1 << 20;

    explicit QtSettingsFile(std::string path);
    ~QtSettingsFile() override;

    bool OpenForReading() override;
    std::optional<std::string> ReadValue(const std::string& name) override;
    std::vector<std::string> ValueNames(const std::string& group) override;
    int WriteAll(std::span<const std::pair<std::string, std::string>> values) override;
    std::string Problem() const override { return problem_; }

private:
    struct Reader;
    std::string path_;
    std::unique_ptr<Reader> reader_;
    std::string problem_;
};

} // namespace quillon
