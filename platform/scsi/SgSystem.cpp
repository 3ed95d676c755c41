#include "platform/scsi/SgSystem.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <set>
#include <sys/ioctl.h>
#include <unistd.h>

namespace quillon {

namespace {

constexpr int kCapSysRawio = 17;

class SystemCalls : public SgSystem
{
public:
    int Open(const std::string& path, int flags) override
    {
        const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
        return fd < 0 ? -errno : fd;
    }

    int SgIo(int fd, sg_io_hdr_t& header) override
    {
        int rc;
        do
            rc = ::ioctl(fd, SG_IO, &header);
        while (rc < 0 && errno == EINTR);
        return rc < 0 ? -errno : 0;
    }

    void Close(int fd) override { ::close(fd); }

    bool HasRawIo() override
    {
        std::ifstream status("/proc/self/status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.rfind("CapEff:", 0) != 0)
                continue;
            const unsigned long long caps = std::strtoull(line.c_str() + 7, nullptr, 16);
            return (caps >> kCapSysRawio) & 1;
        }
        return false;
    }

    void Report(const std::string& line) override
    {
        // Detection runs each time the grabber opens; one warning per device is enough.
        std::lock_guard lock(mutex_);
        if (shown_.insert(line).second)
            std::fprintf(stderr, "%s\n", line.c_str());
    }

private:
    std::mutex mutex_;
    std::set<std::string> shown_;
};

} // namespace

std::shared_ptr<SgSystem> RealSgSystem()
{
    static const auto system = std::make_shared<SystemCalls>();
    return system;
}

} // namespace quillon
