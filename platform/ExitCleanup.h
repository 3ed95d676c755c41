#pragma once

#include <string>
#include <sys/types.h>

namespace quillon {

// What a process ended by a signal must not leave behind: files of ours that are not in
// place yet (hidden outputs, temporary WAV files, settings being saved) and the process
// groups of the codec programs writing them. The tables are fixed, so that a signal
// handler can walk them with async-signal-safe calls only.

// Remembers a file to remove should the process be ended at once; false when the table
// is full (the file is then only removed by its owner, as before).
bool KeepForCleanup(const std::string& path);
// Forgets it again: it was put in place or removed by its owner.
void DropFromCleanup(const std::string& path);

// The same for a child's process group (the codec programs lead their own groups).
void KeepChildGroupForCleanup(pid_t group);
void DropChildGroupFromCleanup(pid_t group);

// Kills the remembered process groups and removes the remembered files. Async-signal-safe.
void RemoveLeftoversNow();

// Removes what is remembered and exits with `status`. Async-signal-safe.
[[noreturn]] void EndNowWithoutLeftovers(int status);

// For the window: Ctrl-C, SIGTERM and SIGHUP end the program at once with status 130,
// without leaving a file of ours behind.
void EndWithoutLeftoversOnSignals();

// A scope's file: remembered while it lives.
class CleanupFile
{
public:
    explicit CleanupFile(std::string path) : path_(std::move(path)) { KeepForCleanup(path_); }
    ~CleanupFile() { DropFromCleanup(path_); }
    CleanupFile(const CleanupFile&) = delete;
    CleanupFile& operator=(const CleanupFile&) = delete;

private:
    std::string path_;
};

} // namespace quillon
