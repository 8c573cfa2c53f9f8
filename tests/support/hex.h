// Byte vectors written as hexadecimal text, as the reference frames are written by hand, and printed back the
// same way in failure messages. Shared by every test suite.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zt30::test {

using Bytes = std::vector<std::uint8_t>;

// "68 05 05 68" -> {0x68, 0x05, 0x05, 0x68}; blanks are ignored, any other non-hex character throws.
Bytes Hex(std::string_view text);
// {0x68, 0x05} -> "68 05"
std::string ToHex(std::span<const std::uint8_t> bytes);

}  // namespace zt30::test
