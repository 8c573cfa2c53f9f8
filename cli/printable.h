// Safe terminal output of text that the tool did not write itself: the instrument's identification texts and
// the user's own arguments echoed in messages. Control characters never reach the terminal as they are, so
// a device or an argument cannot move the cursor, clear the screen or change the terminal's state.
#pragma once

#include <string>
#include <string_view>

namespace zt30::cli {

// Bytes from the instrument: printable ASCII stays, every other byte becomes "\xNN" (upper-case hex).
std::string EscapeDeviceText(std::string_view bytes);

// An argument echoed in a message: control characters (below 0x20 and 0x7F) become "?"; UTF-8 stays.
std::string PrintableArgument(std::string_view text);

}  // namespace zt30::cli
