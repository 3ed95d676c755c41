#pragma once

#include <string>
#include <vector>

namespace quillon {

// Programs the user opens (a browser, a mail program) outlive the window that opened them,
// so they are started here as nobody's child; ChildProcess is for the codec programs we
// feed, wait for and reap.

// Result of starting a program, in the platform's shell-execution codes: above 32 means
// started; otherwise 0 out of resources, 2 file not found, 3 path not found, 5 access
// denied, 8 out of memory, 11 bad format, 26 sharing violation, or 1000 + errno for
// anything else.
inline constexpr int kStartedCode = 33;
int ShellCodeForErrno(int error);

// Finds a program the way the shell would (a name with a slash as is, else along PATH).
// Returns kStartedCode with the path, or the code of why it cannot be run.
int ResolveProgram(const std::string& name, std::string& path);

// Starts argv[0] with its arguments, detached from this process (no child is left to be
// reaped and no shell is involved), and reports whether the program image was started.
int StartDetached(const std::vector<std::string>& argv);

} // namespace quillon
