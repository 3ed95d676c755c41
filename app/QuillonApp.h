#pragma once

#include "app/SettingsStore.h"
#include "batch/JobList.h"
#include "cd/CdDrive.h"

#include <string>
#include <vector>

namespace quillon {

// The one object the desktop program keeps for its whole life: the defaults, the batch,
// the CD drives, the genre names and the splash request. Each pass of the wizard loop
// works on it; nothing here knows about windows.
struct QuillonApp
{
    DefaultSettings settings;
    JobList jobs;
    DriveTable drives{};
    int driveCount = 0;
    std::vector<std::string> genres;
    // The input and output page shows the splash at its first opening in the process.
    bool splashPending = true;

    // Built-in defaults, the temporary-folder rule for the output folder, an empty batch.
    explicit QuillonApp(const EnvironmentLookup& getEnv);

    // Takes the stored defaults from `backend` and hands the output folder to the batch.
    void LoadDefaults(SettingsBackend& backend);
    // Stores the current defaults (the batch's default output folder included); 0 on
    // success, else the backend's error number.
    int SaveDefaults(SettingsBackend& backend);
};

} // namespace quillon
