#pragma once

#include <string>

namespace quillon {

// The name a screen reader hears for a field that shows a value: its caption and the value
// as shown, without the blanks that only align it ("Elapsed Time: 00:00:03", "Selected
// files: 1"). A caption ending in ':' is followed by a blank, any other by ": "; with no
// value the caption alone, so a field that is still empty is not heard as a question.
std::string ValueName(const std::string& caption, const std::string& value);

} // namespace quillon
