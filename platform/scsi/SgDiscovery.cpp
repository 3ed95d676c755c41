#include "platform/scsi/SgDiscovery.h"

#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <map>
#include <tuple>
#include <unistd.h>

namespace quillon {

namespace {

std::string FirstLine(const std::string& path)
{
    std::ifstream f(path);
    std::string line;
    std::getline(f, line);
    const auto end = line.find_last_not_of(" \t\r\n");
    return end == std::string::npos ? std::string() : line.substr(0, end + 1);
}

// Names in `dir` that are `prefix` followed by digits.
std::vector<std::string> NumberedEntries(const std::string& dir, const std::string& prefix)
{
    std::vector<std::string> names;
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr)
        return names;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
            std::all_of(name.begin() + static_cast<long>(prefix.size()), name.end(),
                        [](char c) { return c >= '0' && c <= '9'; }))
            names.push_back(name);
    }
    ::closedir(d);
    return names;
}

// The unit a class entry belongs to is the name its "device" link points at.
bool UnitAddress(const std::string& entry, SgUnitPaths& unit)
{
    char target[4096];
    const ssize_t n = ::readlink((entry + "/device").c_str(), target, sizeof target - 1);
    if (n <= 0)
        return false;
    target[n] = '\0';
    std::string link = target;
    const auto slash = link.find_last_of('/');
    if (slash != std::string::npos)
        link = link.substr(slash + 1);
    return ParseScsiAddress(link, unit.host, unit.channel, unit.target, unit.lun);
}

void ReadIdentity(const std::string& entry, SgUnitPaths& unit)
{
    unit.vendor = FirstLine(entry + "/device/vendor");
    unit.model = FirstLine(entry + "/device/model");
    unit.revision = FirstLine(entry + "/device/rev");
}

} // namespace

bool ParseScsiAddress(const std::string& text, int& host, int& channel, int& target, int& lun)
{
    char rest = 0;
    return std::sscanf(text.c_str(), "%d:%d:%d:%d%c", &host, &channel, &target, &lun, &rest) == 4 && host >= 0 &&
           channel >= 0 && target >= 0 && lun >= 0;
}

std::vector<SgUnitPaths> DiscoverSgUnits(const SgRoots& roots)
{
    using Address = std::tuple<int, int, int, int>;
    std::map<Address, SgUnitPaths> units;

    const std::string blockClass = roots.sys + "/class/block/";
    for (const std::string& name : NumberedEntries(blockClass, "sr")) {
        SgUnitPaths unit;
        if (!UnitAddress(blockClass + name, unit))
            continue;
        ReadIdentity(blockClass + name, unit);
        unit.type = 5;
        unit.blockPath = roots.dev + "/" + name;
        units[{unit.host, unit.channel, unit.target, unit.lun}] = unit;
    }

    const std::string sgClass = roots.sys + "/class/scsi_generic/";
    for (const std::string& name : NumberedEntries(sgClass, "sg")) {
        SgUnitPaths unit;
        if (!UnitAddress(sgClass + name, unit))
            continue;
        const Address address{unit.host, unit.channel, unit.target, unit.lun};
        auto known = units.find(address);
        if (known != units.end()) {
            known->second.sgPath = roots.dev + "/" + name;
            continue;
        }
        // Without the sr driver a CD-ROM unit is only an sg device; disks and the rest
        // are none of our business.
        if (FirstLine(sgClass + name + "/device/type") != "5")
            continue;
        ReadIdentity(sgClass + name, unit);
        unit.type = 5;
        unit.sgPath = roots.dev + "/" + name;
        units[address] = unit;
    }

    std::vector<SgUnitPaths> out;
    for (auto& [address, unit] : units)
        out.push_back(std::move(unit));
    return out;
}

std::string HostDriverName(const SgRoots& roots, int host)
{
    return FirstLine(roots.sys + "/class/scsi_host/host" + std::to_string(host) + "/proc_name");
}

} // namespace quillon
