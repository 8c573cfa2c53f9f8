// How the instrument's parameters are shown to the operator and how the operator's texts are read back: the
// decimal text of the float parameters, the integer texts of FILTR and the bus address, and the CONFIG byte
// as six two-way switches. Pure functions of text and numbers; the edit routines and dialogs wrap them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zt30 {

// The decimal text of a float parameter: rounded to nearest at 10 significant digits or 6 decimals, whichever
// keeps fewer, then padded to exactly 6 decimals ("1234,567749", "-0,250000"). From 10^10 on, scientific form
// ("1,2345679E+10") with the fewest digits that ParseFloatParam reads back to the same float. A value that
// rounds to zero shows without a sign; infinity and not-a-number show as "inf", "-inf" and "nan".
std::string FormatFloatParam(float value, char separator);

// The float of an operator's text: blanks, an optional sign, digits with at most one separator (a lone
// separator reads as 0), an optional exponent ("E" or "e", optional sign, digits; none means 0), blanks. The
// number is computed in extended precision and rounded to the nearest float; nullopt for any other text and
// for a value beyond the float range.
std::optional<float> ParseFloatParam(std::string_view text, char separator);

// The shortest decimal text of a finite float that ParseFloatParam reads back to the very same float (its
// sign and bits included): "2.5", "0.1", "-0", "1E+10", "1E-45" with "." as separator. A value that is not
// finite gives "nan", "inf" or "-inf", which no parser reads.
std::string ShortestFloatText(float value, char separator);

// Plain decimal text of an integer, a minus sign for a negative value, no grouping.
std::string FormatIntParam(long long value);

// FILTR: an operator's integer entry (ParseEntryInt: leading blanks, a sign, digits to the end, 32 bits; no
// hexadecimal forms) within 0 to 59999.
std::optional<std::uint16_t> ParseFiltr(std::string_view text);

// A bus address for the instrument: an operator's integer entry (ParseEntryInt) within 0 to 126 (127 is the
// broadcast address); the bounds apply before narrowing to a byte.
std::optional<std::uint8_t> ParseAddress(std::string_view text);

// Item indexes (0 or 1) of the six CONFIG switches, bit 0 first.
using ConfigSwitchItems = std::array<int, 6>;

// Bit n set when switch n's item is not 0; bits 6 and 7 always 0.
std::uint8_t ConfigFromSwitches(const ConfigSwitchItems& items);
// Switch n's item is bit n of config; bits 6 and 7 are ignored.
ConfigSwitchItems SwitchesFromConfig(std::uint8_t config);

}  // namespace zt30
