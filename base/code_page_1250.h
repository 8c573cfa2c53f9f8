// The instrument's 8-bit text: identification and version texts travel in Windows-1250 (Central European),
// the code page of the instrument's own firmware. One table turns them into Unicode for the program's labels
// and for zt30ctl; bytes 0x00 to 0x7F are ASCII, five bytes of the upper half have no character.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zt30 {

// The character of one Windows-1250 byte; nullopt for 0x81, 0x83, 0x88, 0x90 and 0x98, which have none.
std::optional<char32_t> Windows1250Char(std::uint8_t byte);

// Appends a Unicode scalar value as UTF-8; a surrogate or a value beyond U+10FFFF becomes U+FFFD.
void AppendUtf8(std::string& out, char32_t character);

// Windows-1250 bytes as UTF-8 text; a byte without a character becomes U+FFFD. Control characters stay as
// they are: the caller decides how to show them.
std::string Windows1250ToUtf8(std::string_view bytes);

}  // namespace zt30
