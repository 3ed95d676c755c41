// The settings file, whatever it holds: loaded through the real file reader, then saved
// and loaded again, which must give the same defaults back.
#include "app/SettingsStore.h"
#include "platform/qt/QtSettingsFile.h"
#include "tests/fuzz/FuzzInput.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

using namespace quillon;

DefaultSettings Fresh()
{
    DefaultSettings settings;
    settings.defaultOutputDir = "/tmp/";
    return settings;
}

bool Same(const DefaultSettings& a, const DefaultSettings& b)
{
    const auto& x = a.options;
    const auto& y = b.options;
    return a.defaultOutputDir == b.defaultOutputDir && a.defaultCd == b.defaultCd && x.layer == y.layer &&
           x.mode == y.mode && x.bitrate == y.bitrate && x.quality == y.quality && x.copyright == y.copyright &&
           x.original == y.original && x.errorProtection == y.errorProtection && x.deEmphasis == y.deEmphasis;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The same two names every time, so that QSettings' cache of recently read files stays
    // two entries long. It takes a cached file whose size and time match for unchanged,
    // so every input gets a time of its own.
    static long long serial = 0;
    ++serial;
    const std::string input = fuzz::ScratchFolder() + "/input.conf";
    const std::string saved = fuzz::ScratchFolder() + "/saved.conf";
    fuzz::WriteWholeFile(input, std::string_view(reinterpret_cast<const char*>(data), size));
    const auto restamp = [](const std::string& path, long long second) {
        const timespec stamp[2] = {{second, 0}, {second, 0}};
        if (utimensat(AT_FDCWD, path.c_str(), stamp, 0) != 0)
            std::abort();
    };
    restamp(input, 2 * serial);

    DefaultSettings loaded = Fresh();
    QtSettingsFile file(input);
    SettingsStore::LoadDefaults(file, loaded);
    if (loaded.defaultOutputDir.size() >= SettingsStore::kValueRoom)
        std::abort();

    QtSettingsFile out(saved);
    if (SettingsStore::SaveDefaults(out, loaded) != 0)
        std::abort();
    restamp(saved, 2 * serial + 1);
    DefaultSettings again = Fresh();
    again.defaultOutputDir = "other";
    again.options.bitrate = -12345;
    QtSettingsFile back(saved);
    SettingsStore::LoadDefaults(back, again);
    if (!Same(loaded, again))
        std::abort();
    std::remove(input.c_str());
    std::remove(saved.c_str());
    return 0;
}
