#pragma once

#include <string>

namespace quillon {

// A read offset correction in samples as the user writes it ("+6", "-1200", "667"),
// within what a drive can be given (platform/scsi/ShiftedRead.h); false with `error` set
// ("bad read offset correction ...") when it is not one.
bool ParseReadCorrection(const std::string& text, int& samples, std::string& error);

// "+6", "0", "-48": a correction as the fields and the settings show it.
std::string ReadCorrectionText(int samples);

} // namespace quillon
