// One bus frame as one line of meaning, for the "Provoz linky" window, its saved file and zt30ctl's trace:
// "SD2 1←0 read table 0", "SD2 0←1 table 0: value 12.5, sum 100", "SD1 0←1 acknowledgement". Pure functions
// over the bytes; any length and any content is described, never trusted: what is wrong with a frame (an end
// byte, the FCS, missing or extra bytes) is named in brackets after what it says.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace zt30 {

// The meaning of frame. request, when given, is the request the frame answers: it tells which table an SD2
// data answer holds and whether it carries an identification text.
std::string DescribeFrame(std::span<const std::uint8_t> frame, std::span<const std::uint8_t> request = {});

// The bytes in upper-case hex, separated by blanks ("68 05 05 68").
std::string HexText(std::span<const std::uint8_t> bytes);

}  // namespace zt30
