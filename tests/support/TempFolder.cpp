#include "tests/support/TempFolder.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace quillon::testing_support {

TempFolder::TempFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "quillon-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        // Every test would write beside the real files otherwise.
        std::perror("no temporary folder for the test");
        std::abort();
    }
    path_ = pattern;
}

TempFolder::~TempFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void TempFolder::MakeFolder(const std::string& relative) const
{
    std::filesystem::create_directories(*this / relative);
}

void TempFolder::MakeFile(const std::string& relative, std::uintmax_t bytes) const
{
    const std::string full = *this / relative;
    std::ofstream(full, std::ios::binary).close();
    std::filesystem::resize_file(full, bytes);
}

} // namespace quillon::testing_support
