#pragma once

namespace quillon {

// `quillon rip`: CD tracks grabbed and encoded by the conversion run, each output ending
// with its tag record; the disc's text is stored as the grabber stores it.
int RunRip(int argc, char** argv);

} // namespace quillon
