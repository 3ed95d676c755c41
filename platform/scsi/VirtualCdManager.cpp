#include "platform/RegularFile.h"
#include "platform/scsi/ScsiManager.h"
#include "platform/scsi/UnitManager.h"
#include "platform/scsi/VirtualCdUnit.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace quillon {

namespace {

class VirtualCdManager : public UnitManager
{
public:
    ~VirtualCdManager() override { ForgetVirtualDiscTexts(this); }

    // Adapters are numbered in file order of their identifiers; targets count from 0.
    void Add(VirtualDriveEntry entry, std::unique_ptr<VirtualDisc> disc)
    {
        size_t adapter = 0;
        while (adapter < adapters_.size() && adapters_[adapter].identifier != entry.adapterIdentifier)
            ++adapter;
        if (adapter == adapters_.size())
            adapters_.push_back({entry.adapterIdentifier, {}});
        if (disc && !disc->Text().Empty())
            PublishVirtualDiscText(this, static_cast<int>(adapter), static_cast<int>(adapters_[adapter].units.size()),
                                   disc->Text());
        adapters_[adapter].units.push_back(std::make_unique<VirtualCdUnit>(std::move(entry), std::move(disc)));
    }

protected:
    int AdapterCount() const override { return static_cast<int>(std::min<size_t>(adapters_.size(), 255)); }
    std::string ManagerId() const override { return "QUILLON VIRTUAL"; }

    std::string AdapterIdentifier(int adapter) const override
    {
        return adapter < AdapterCount() ? adapters_[adapter].identifier : std::string();
    }

    int DeviceType(int adapter, int target) const override { return Unit(adapter, target) != nullptr ? 5 : -1; }

    ScsiOutcome Execute(const ScsiRequest& request) override
    {
        std::lock_guard lock(mutex_);
        return Unit(request.adapter, request.target)->Execute(request);
    }

private:
    struct Adapter
    {
        std::string identifier;
        std::vector<std::unique_ptr<VirtualCdUnit>> units;
    };

    VirtualCdUnit* Unit(int adapter, int target) const
    {
        if (adapter < 0 || adapter >= AdapterCount() || target < 0)
            return nullptr;
        const auto& units = adapters_[adapter].units;
        return static_cast<size_t>(target) < units.size() ? units[target].get() : nullptr;
    }

    std::vector<Adapter> adapters_;
    std::mutex mutex_;
};

std::string DirectoryOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

std::unique_ptr<ScsiManager> LoadVirtualCdManager(const std::string& path)
{
    // A drive list names a handful of drives; anything larger is not one.
    constexpr size_t kLargestList = 1 << 20;
    std::string text, problem;
    if (!ReadRegularFile(path, kLargestList, text, problem)) {
        std::fprintf(stderr, "%s: cannot read the virtual drive list: %s\n", path.c_str(), problem.c_str());
        return nullptr;
    }

    std::vector<std::string> errors;
    auto entries = ParseVirtualDriveList(text, DirectoryOf(path), errors);
    for (const auto& e : errors)
        std::fprintf(stderr, "%s: %s\n", path.c_str(), e.c_str());

    auto manager = std::make_unique<VirtualCdManager>();
    for (auto& entry : entries) {
        std::unique_ptr<VirtualDisc> disc;
        if (!entry.disc.empty()) {
            std::string error;
            disc = OpenCueDisc(entry.disc, error);
            if (!disc) {
                std::fprintf(stderr, "%s: line %d: %s\n", path.c_str(), entry.line, error.c_str());
                continue;
            }
        }
        manager->Add(std::move(entry), std::move(disc));
    }
    return manager;
}

std::function<std::unique_ptr<ScsiManager>()>& ManagerFactory()
{
    static std::function<std::unique_ptr<ScsiManager>()> factory;
    return factory;
}

void SetScsiManagerFactory(std::function<std::unique_ptr<ScsiManager>()> factory)
{
    ManagerFactory() = std::move(factory);
}

std::unique_ptr<ScsiManager> LoadScsiManager()
{
    if (ManagerFactory())
        return ManagerFactory()();
    const char* list = std::getenv("QUILLON_VIRTUAL_CD");
    if (list != nullptr && *list != '\0')
        return LoadVirtualCdManager(list);
    ForgetVirtualDiscTexts(nullptr);
    return LoadSgIoManager();
}

} // namespace quillon
