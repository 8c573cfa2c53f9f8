// Safe terminal output of text that the tool did not write itself: the instrument's identification texts,
// paths from the settings file, and the user's own arguments echoed in messages. Control characters and
// bytes that are not UTF-8 never reach the terminal as they are, so a device, a file or an argument cannot
// move the cursor, clear the screen or change the terminal's state.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zt30::cli {

// Characters of an echoed argument shown before it is cut short.
inline constexpr std::size_t kEchoLength = 60;

// Bytes from the instrument, in its code page (Windows-1250), as UTF-8: letters and marks show as their
// characters; control bytes, a backslash and the five bytes without a character become "\xNN" (upper-case
// hex of the instrument's byte), so nothing reaches the terminal that could act on it.
std::string EscapeDeviceText(std::string_view bytes);

// Text from elsewhere: well-formed UTF-8 stays; control characters (below 0x20, 0x7F and U+0080 to U+009F)
// and bytes that are not UTF-8 become "\xNN", each byte on its own.
std::string PrintableText(std::string_view text);

// An argument echoed in a message: as PrintableText, and cut after kEchoLength characters with "..." added.
std::string PrintableArgument(std::string_view text);

}  // namespace zt30::cli
