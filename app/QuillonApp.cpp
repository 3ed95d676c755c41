#include "app/QuillonApp.h"

namespace quillon {

QuillonApp::QuillonApp(const EnvironmentLookup& getEnv) : settings(SettingsStore::Initialise(getEnv))
{
    jobs.SetDefaultOutputDirText(settings.defaultOutputDir);
}

void QuillonApp::LoadDefaults(SettingsBackend& backend)
{
    SettingsStore::LoadDefaults(backend, settings);
    jobs.SetDefaultOutputDirText(settings.defaultOutputDir);
}

int QuillonApp::SaveDefaults(SettingsBackend& backend)
{
    settings.defaultOutputDir = jobs.DefaultOutputDir();
    return SettingsStore::SaveDefaults(backend, settings);
}

} // namespace quillon
