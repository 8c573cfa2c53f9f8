#include "config/param_format.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <limits>
#include <system_error>

#include "base/text_rules.h"

namespace zt30 {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Exponent digits are summed with saturation so that an absurd exponent cannot overflow.
constexpr long long kExponentCap = 1'000'000'000'000LL;

// Smallest magnitude that rounds to infinity as a float: halfway between the largest float and 2^128.
constexpr long double kFloatOverflowBound = 0x1.ffffffp127L;

// Copies a C-locale number text into the separator's convention.
std::string WithSeparator(const char* first, const char* last, char separator) {
    std::string text(first, last);
    for (char& c : text) {
        if (c == '.') {
            c = separator;
        } else if (c == 'e') {
            c = 'E';
        }
    }
    return text;
}

bool ReadsBackAs(const std::string& text, char separator, float value) {
    const std::optional<float> read = ParseFloatParam(text, separator);
    return read && std::bit_cast<std::uint32_t>(*read) == std::bit_cast<std::uint32_t>(value);
}

// The shortest text (scientific, or else the shorter of fixed and scientific) that reads back as the same
// float when rounded once; the parser rounds twice (via extended precision), so check and add digits until it
// reads back exactly.
std::string ReadBackText(float value, char separator, bool scientific) {
    char buffer[64];
    auto shortest = scientific
                        ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific)
                        : std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string text = WithSeparator(buffer, shortest.ptr, separator);
    for (int precision = 1; !ReadsBackAs(text, separator, value) && precision <= 16; ++precision) {
        auto r = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value),
                               std::chars_format::scientific, precision);
        text = WithSeparator(buffer, r.ptr, separator);
    }
    return text;
}

std::string NonFiniteText(float value) {
    if (std::isnan(value)) {
        return "nan";
    }
    return value < 0 ? "-inf" : "inf";
}

}  // namespace

std::string FormatFloatParam(float value, char separator) {
    if (!std::isfinite(value)) {
        return NonFiniteText(value);
    }
    const double exact = value;  // a float's exact value fits a double
    const double magnitude = std::fabs(exact);
    if (magnitude >= 1e10) {
        return ReadBackText(value, separator, true);
    }
    int integerDigits = 0;
    for (double power = 1.0; magnitude >= power && integerDigits < 10; power *= 10.0) {
        ++integerDigits;
    }
    const int decimals = std::min(6, 10 - integerDigits);

    // to_chars is exact and rounds the exact value to nearest.
    char buffer[64];
    auto r = std::to_chars(buffer, buffer + sizeof buffer, exact, std::chars_format::fixed, decimals);
    const char* first = buffer;
    bool allZero = true;
    for (const char* p = buffer; p != r.ptr; ++p) {
        if (IsDigit(*p) && *p != '0') {
            allZero = false;
        }
    }
    if (allZero && *first == '-') {
        ++first;  // a value that rounds to zero (or -0) shows as plain zero
    }
    std::string text = WithSeparator(first, r.ptr, separator);
    if (decimals == 0) {
        text += separator;
    }
    text.append(static_cast<std::size_t>(6 - decimals), '0');
    return text;
}

std::string ShortestFloatText(float value, char separator) {
    if (!std::isfinite(value)) {
        return NonFiniteText(value);
    }
    return ReadBackText(value, separator, false);
}

std::optional<float> ParseFloatParam(std::string_view text, char separator) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && text[i] == ' ') {
        ++i;
    }
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t integerStart = i;
    while (i < n && IsDigit(text[i])) {
        ++i;
    }
    std::string_view integerPart = text.substr(integerStart, i - integerStart);
    std::string_view fractionPart;
    bool hasSeparator = false;
    if (i < n && text[i] == separator) {
        hasSeparator = true;
        const std::size_t fractionStart = ++i;
        while (i < n && IsDigit(text[i])) {
            ++i;
        }
        fractionPart = text.substr(fractionStart, i - fractionStart);
    }
    if (integerPart.empty() && !hasSeparator) {
        return std::nullopt;
    }
    long long exponent = 0;
    if (i < n && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        bool negativeExponent = false;
        if (i < n && (text[i] == '+' || text[i] == '-')) {
            negativeExponent = text[i] == '-';
            ++i;
        }
        while (i < n && IsDigit(text[i])) {
            exponent = std::min(kExponentCap, exponent * 10 + (text[i] - '0'));
            ++i;
        }
        if (negativeExponent) {
            exponent = -exponent;
        }
    }
    while (i < n && text[i] == ' ') {
        ++i;
    }
    if (i != n) {
        return std::nullopt;
    }

    // Decide the order of magnitude first, so that the conversion below never meets an exponent beyond the
    // extended range: the leading significant digit stands at 10^magnitude.
    std::string digits;
    digits.reserve(integerPart.size() + fractionPart.size());
    digits.append(integerPart).append(fractionPart);
    const std::size_t firstSignificant = digits.find_first_not_of('0');
    const float zero = negative ? -0.0f : 0.0f;
    if (firstSignificant == std::string::npos) {
        return zero;
    }
    const long long magnitude =
        static_cast<long long>(integerPart.size()) - 1 - static_cast<long long>(firstSignificant) + exponent;
    if (magnitude > 38) {
        return std::nullopt;  // at least 10^39, beyond the float range
    }
    if (magnitude < -60) {
        return zero;  // far below the smallest float
    }
    const long long scaledExponent = exponent - static_cast<long long>(fractionPart.size());
    std::string c = digits.substr(firstSignificant) + "e" + std::to_string(scaledExponent);
    long double extended = 0;
    auto [ptr, ec] = std::from_chars(c.data(), c.data() + c.size(), extended);
    if (ptr != c.data() + c.size()) {
        return std::nullopt;
    }
    if (ec == std::errc::result_out_of_range) {
        // The extended range reaches far beyond 10^-60, so only an underflow below it can land here.
        return zero;
    }
    if (ec != std::errc{}) {
        return std::nullopt;
    }
    if (extended >= kFloatOverflowBound) {
        return std::nullopt;
    }
    const float result = static_cast<float>(extended);
    return negative ? -result : result;
}

std::string FormatIntParam(long long value) {
    return std::to_string(value);
}

std::optional<std::uint16_t> ParseFiltr(std::string_view text) {
    std::optional<std::int32_t> value = ParseEntryInt(text);
    if (!value || *value < 0 || *value > 59999) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(*value);
}

std::optional<std::uint8_t> ParseAddress(std::string_view text) {
    std::optional<std::int32_t> value = ParseEntryInt(text);
    if (!value || *value < 0 || *value > 126) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(*value);
}

std::uint8_t ConfigFromSwitches(const ConfigSwitchItems& items) {
    std::uint8_t config = 0;
    for (std::size_t bit = 0; bit < items.size(); ++bit) {
        if (items[bit] != 0) {
            config = static_cast<std::uint8_t>(config | (1u << bit));
        }
    }
    return config;
}

ConfigSwitchItems SwitchesFromConfig(std::uint8_t config) {
    ConfigSwitchItems items{};
    for (std::size_t bit = 0; bit < items.size(); ++bit) {
        items[bit] = (config >> bit) & 1;
    }
    return items;
}

}  // namespace zt30
