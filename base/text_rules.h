// The small text rules that the program, zt30ctl, the simulator and the tests share, each in one place: the
// integer texts (one parser per rule: an operator's entry, a stored setting, a command-line value), the hex
// digits, the ASCII case-insensitive compare and the UTF-8 check. Plain functions of text; no Qt.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zt30 {

// An operator's entry (FILTR, a bus address): leading blanks, an optional sign, decimal digits to the end of
// the text; the value as a signed 32-bit integer, nullopt for any other text or a value that does not fit.
std::optional<std::int32_t> ParseEntryInt(std::string_view text);

// A stored setting: the entry form, with blanks also allowed after the digits (a hand-edited file).
std::optional<std::int32_t> ParseStoredInt(std::string_view text);

// A command-line value: the whole text as std::from_chars reads it (digits, a "-" only where the type is
// signed; no "+", no blanks), nullopt otherwise.
template <typename T>
std::optional<T> ParseOptionNumber(std::string_view text) {
    T value{};
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end) {
        return std::nullopt;
    }
    return value;
}

// A command-line integer within [low, high]; nullopt otherwise.
std::optional<long long> ParseOptionInt(std::string_view text, long long low, long long high);

// True when the texts are equal with ASCII letters compared without case; other bytes must match exactly.
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

inline constexpr char kHexDigits[] = "0123456789ABCDEF";

// The value of a hex digit of either case, or -1.
int HexDigitValue(char c);
// Appends the byte as two upper-case hex digits.
void AppendHexByte(std::string& out, std::uint8_t byte);
// The bytes as upper-case hex pairs separated by blanks: "68 05 05 68".
std::string HexBytes(std::span<const std::uint8_t> bytes);

// True for the blanks that a line of a settings or parameter file may carry around its parts: space and tab.
bool IsBlank(char c);
// The text without the blanks at its two ends.
std::string_view TrimBlanks(std::string_view text);

// The length of the well-formed UTF-8 sequence at the start of text (1 to 4), or 0 when the text is empty or
// starts with a byte that does not begin one (overlong forms and surrogates are not well-formed).
std::size_t Utf8SequenceLength(std::string_view text);
// True when the whole text is well-formed UTF-8.
bool IsValidUtf8(std::string_view text);

}  // namespace zt30
