#include "platform/DllVersion.h"

#include <climits>
#include <cstdlib>
#include <dlfcn.h>
#include <link.h>
#include <vector>

namespace quillon {

static std::uint32_t ReadLeadingNumber(const std::string& piece)
{
    // atoi's reading: blanks, an optional sign, then digits; the rest is ignored.
    return static_cast<std::uint32_t>(std::atoi(piece.c_str()));
}

bool ParseVersionText(const std::string& text, std::uint32_t& major, std::uint32_t& minor, std::uint32_t& build)
{
    std::vector<std::string> pieces;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t dot = text.find('.', start);
        std::size_t end = dot == std::string::npos ? text.size() : dot;
        if (end > start) {
            pieces.push_back(text.substr(start, end - start));
        }
        if (dot == std::string::npos) {
            break;
        }
        start = dot + 1;
    }
    std::uint32_t* targets[] = {&major, &minor, &build};
    for (std::size_t i = 0; i < 3; ++i) {
        if (i >= pieces.size()) {
            return false;
        }
        *targets[i] = ReadLeadingNumber(pieces[i]);
    }
    return true;
}

std::string VersionTextOfFileName(const std::string& fileName)
{
    std::size_t slash = fileName.rfind('/');
    std::string base = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    std::size_t so = base.find(".so.");
    return so == std::string::npos ? std::string() : base.substr(so + 4);
}

static std::string RealPath(const std::string& path)
{
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : std::string();
}

static std::string FolderOf(const std::string& path)
{
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// The system library folders: the C library's own folder (with its multiarch part) and
// the plain ones.
static std::vector<std::string> SystemLibraryFolders()
{
    std::vector<std::string> folders;
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&std::atoi), &info) != 0 && info.dli_fname != nullptr) {
        std::string folder = FolderOf(RealPath(info.dli_fname));
        if (!folder.empty()) {
            folders.push_back(folder);
            if (folder.rfind("/usr/", 0) != 0) {
                folders.push_back("/usr" + folder);
            }
        }
    }
    for (const char* folder : {"/usr/local/lib", "/usr/lib", "/lib"}) {
        folders.push_back(folder);
    }
    return folders;
}

std::string LibraryFilePath(const std::string& name, const std::string& loadedPath)
{
    if (!loadedPath.empty()) {
        std::string real = RealPath(loadedPath);
        if (!real.empty()) {
            return real;
        }
    }
    if (name.find('/') != std::string::npos) {
        return RealPath(name);
    }
    for (const std::string& folder : SystemLibraryFolders()) {
        std::string real = RealPath(folder + "/" + name);
        if (!real.empty()) {
            return real;
        }
    }
    return {};
}

bool QueryDllVersion(const std::string& name, std::uint32_t& major, std::uint32_t& minor, std::uint32_t& build)
{
    std::string loadedPath;
    void* library = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library != nullptr) {
        link_map* map = nullptr;
        if (dlinfo(library, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr && map->l_name != nullptr) {
            loadedPath = map->l_name;
        }
        auto getVersion = reinterpret_cast<DllGetVersionFunction>(dlsym(library, kDllGetVersionName));
        if (getVersion != nullptr) {
            DllVersionInfo info{};
            info.size = sizeof info;
            if (getVersion(&info) >= 0) {
                major = info.major;
                minor = info.minor;
                build = info.build;
                dlclose(library);
                return true;
            }
        }
        dlclose(library);
    }

    std::string path = LibraryFilePath(name, loadedPath);
    std::string version = VersionTextOfFileName(path);
    if (version.empty()) {
        return false;
    }
    return ParseVersionText(version, major, minor, build);
}

} // namespace quillon
