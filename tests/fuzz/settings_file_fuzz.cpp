// The settings file, whatever it holds: loaded through the real file reader, then saved
// and loaded again, which must give the same defaults back.
#include "app/SettingsStore.h"
#include "platform/qt/QtSettingsFile.h"
#include "tests/fuzz/FuzzInput.h"

#include <cstdio>
#include <cstdlib>

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
    // Fresh names every time: QSettings keeps recently read files by name and would take
    // a rewrite of the same size within the same millisecond for the old file.
    static unsigned long long serial = 0;
    ++serial;
    const std::string input = fuzz::ScratchFolder() + "/input-" + std::to_string(serial) + ".conf";
    const std::string saved = fuzz::ScratchFolder() + "/saved-" + std::to_string(serial) + ".conf";
    fuzz::WriteWholeFile(input, std::string_view(reinterpret_cast<const char*>(data), size));

    DefaultSettings loaded = Fresh();
    QtSettingsFile file(input);
    SettingsStore::LoadDefaults(file, loaded);
    if (loaded.defaultOutputDir.size() >= SettingsStore::kValueRoom)
        std::abort();

    QtSettingsFile out(saved);
    if (SettingsStore::SaveDefaults(out, loaded) != 0)
        std::abort();
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
