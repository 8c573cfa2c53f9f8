// The instrument's identification answers as the identification dialog shows them: the zero-terminated texts
// of the DeviceImage decoded from the instrument's code page, and the message about a device of another kind
// built from its three 32-byte fields. Pure functions; the dialog shows the results as plain text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "link/instrument_tasks.h"

namespace zt30 {

// What the identification shows before an instrument answered, and for a device of another kind.
inline constexpr char kUnknownTypeText[] = "Typ zařízení - neidentifikováno";
inline constexpr char kUnknownVersionText[] = "Verze zařízení - neidentifikováno";
inline constexpr char kForeignDeviceText[] = "jiné zařízení";

// The sentence that opens the foreign device's message (without a closing blank).
inline constexpr char kForeignDeviceSentence[] =
    "Identifikováno zařízení pro které je nutné použít jiný software";

// The text of a zero-filled block from offset up to its first zero byte (at most maxLength bytes), decoded
// from Windows-1250 to UTF-8; empty when offset lies beyond the block.
std::string DeviceText(std::span<const std::uint8_t> block, std::size_t offset = 0,
                       std::size_t maxLength = static_cast<std::size_t>(-1));

// The message about a device of another kind: the sentence, then its answer's bytes 0 to 31, 32 to 63 and 64
// to 95, each after a carriage return (no line feed), the whole text ending at the first zero byte among
// them. Bytes the block does not hold count as zeros.
std::string ForeignDeviceMessage(std::span<const std::uint8_t> identForeign);

}  // namespace zt30
