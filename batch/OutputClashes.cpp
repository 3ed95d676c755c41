#include "batch/OutputClashes.h"

#include <filesystem>
#include <map>

namespace quillon {

std::vector<std::string> ClashingOutputPaths(const JobList& jobs)
{
    std::map<std::string, int> seen; // normal form -> how many jobs write it
    std::vector<std::string> order;
    for (int i = 0; i < jobs.Count(); ++i) {
        const std::string path = std::filesystem::path(jobs.Job(i).OutputPath()).lexically_normal().string();
        if (++seen[path] == 2)
            order.push_back(path);
    }
    return order;
}

std::string OutputClashMessage(const std::vector<std::string>& paths)
{
    std::string text = "Two or more files of the batch would be written as";
    for (size_t i = 0; i < paths.size(); ++i)
        text += (i == 0 ? " " : ", ") + paths[i];
    return text + ". Give them other output names or folders.";
}

} // namespace quillon
