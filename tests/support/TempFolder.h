#pragma once

#include <cstdint>
#include <string>

namespace quillon::testing_support {

// A fresh folder under the temporary folder ($TMPDIR or /tmp), removed with everything in
// it when the test is done.
class TempFolder
{
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

    void MakeFolder(const std::string& relative) const;
    // A file of the given length; sparse, so large lengths cost nothing.
    void MakeFile(const std::string& relative, std::uintmax_t bytes = 0) const;

private:
    std::string path_;
};

} // namespace quillon::testing_support
