// The simulator's own frame building: SD1 acknowledgements and SD2 data answers as the instrument sends them.
// Deliberately independent of the program's telegram code (only the constants are shared), so that a fault in
// one side's framing cannot hide the same fault in the other. Used by the responder and the tests.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace zt30::sim {

using Bytes = std::vector<std::uint8_t>;

// Frame check sequence: arithmetic sum of the bytes, low 8 bits.
std::uint8_t SumModulo256(std::span<const std::uint8_t> bytes);

// SD1 frame 10 DA SA FC FCS 16.
Bytes BuildSd1(std::uint8_t da, std::uint8_t sa, std::uint8_t fc);

// SD2 frame 68 LE LE 68 DA SA FC data FCS 16; the data unit must be at most 252 bytes (LE <= 255).
Bytes BuildSd2(std::uint8_t da, std::uint8_t sa, std::uint8_t fc, std::span<const std::uint8_t> data);

// Function code of a negative acknowledgement ("no resource for this request").
inline constexpr std::uint8_t kFcNegativeAcknowledge = 0x01;

}  // namespace zt30::sim
