#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace quillon::testing_support {

// A fresh folder under the temporary folder, removed with everything in it.
class TempFolder
{
public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "quillon-test-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

    void MakeFolder(const std::string& relative) const { std::filesystem::create_directories(path_ + "/" + relative); }

    // A file of the given length; sparse, so large lengths cost nothing.
    void MakeFile(const std::string& relative, std::uintmax_t bytes = 0) const
    {
        std::string full = path_ + "/" + relative;
        std::ofstream(full, std::ios::binary).close();
        std::filesystem::resize_file(full, bytes);
    }

private:
    std::string path_;
};

} // namespace quillon::testing_support
