// Fuzz target: the texts an operator types and the program shows. The parameter parsers and formatters (a
// float parameter under any usable decimal separator, FILTR, the bus address) and the shared text rules
// (integer texts, UTF-8, ASCII case, hex) over any bytes. An accepted text formats and parses back to the
// same value, a shown value parses back and shows the same again, and each parser agrees with a reference
// written here from the rules of the entry (the float one reads the number with the C library's strtold).
//
// Input: [selector] then the selector's fields (see the cases below); the rest is the text.
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "base/text_rules.h"
#include "config/param_format.h"
#include "tests/fuzz/fuzz_support.h"
#include "views/settings_store.h"

namespace zt30::fuzz {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A separator the regional settings can hand over: printable ASCII that cannot be part of a number.
char SeparatorOf(std::uint8_t code) {
    static const std::string usable = [] {
        std::string s;
        for (char c = 0x21; c < 0x7F; ++c) {
            if (!IsDigit(c) && c != '+' && c != '-' && c != 'e' && c != 'E') {
                s += c;
            }
        }
        return s;
    }();
    // The two real ones most of the time.
    if (code < 0x80) {
        return (code & 1) != 0 ? ',' : '.';
    }
    return usable[code % usable.size()];
}

// The float entry's form: blanks, sign, digits with at most one separator (at least a digit or the
// separator), optional E with sign and digits, blanks. The C text strtold reads for it, or nullopt.
std::optional<std::string> FloatFormAsC(std::string_view t, char sep) {
    std::size_t i = 0;
    const auto skipBlanks = [&] {
        while (i < t.size() && t[i] == ' ') {
            ++i;
        }
    };
    skipBlanks();
    std::string c;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        c += t[i++];
    }
    std::string mantissa;
    while (i < t.size() && IsDigit(t[i])) {
        mantissa += t[i++];
    }
    bool separator = false;
    if (i < t.size() && t[i] == sep) {
        separator = true;
        mantissa += '.';
        ++i;
        while (i < t.size() && IsDigit(t[i])) {
            mantissa += t[i++];
        }
    }
    if (mantissa.empty()) {
        return std::nullopt;
    }
    c += "0" + mantissa + (separator ? "0" : "");  // "0.0" for a lone separator
    if (i < t.size() && (t[i] == 'E' || t[i] == 'e')) {
        ++i;
        std::string exponent = "e";
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
            exponent += t[i++];
        }
        const std::size_t digitsAt = i;
        while (i < t.size() && IsDigit(t[i])) {
            exponent += t[i++];
        }
        if (i == digitsAt) {
            exponent += '0';
        }
        c += exponent;
    }
    skipBlanks();
    if (i != t.size()) {
        return std::nullopt;
    }
    return c;
}

// The operator's integer entry: blanks, sign, digits to the end, within the signed 32-bit range.
std::optional<long long> EntryIntReference(std::string_view t, bool trailingBlanks) {
    if (trailingBlanks) {
        while (!t.empty() && t.back() == ' ') {
            t.remove_suffix(1);
        }
    }
    std::size_t i = t.find_first_not_of(' ');
    if (i == std::string_view::npos) {
        return std::nullopt;
    }
    bool negative = false;
    if (t[i] == '+' || t[i] == '-') {
        negative = t[i] == '-';
        ++i;
    }
    if (i == t.size()) {
        return std::nullopt;
    }
    std::string digits;
    for (; i < t.size(); ++i) {
        if (!IsDigit(t[i])) {
            return std::nullopt;
        }
        if (!digits.empty() || t[i] != '0') {
            digits += t[i];
        }
    }
    if (digits.size() > 10) {
        return std::nullopt;
    }
    const long long magnitude = digits.empty() ? 0 : std::stoll(digits);
    const long long value = negative ? -magnitude : magnitude;
    if (value < -2147483648LL || value > 2147483647LL) {
        return std::nullopt;
    }
    return value;
}

// UTF-8 by decoding: the code point must need exactly the bytes it used and be a scalar value.
bool Utf8Reference(std::string_view t) {
    std::size_t i = 0;
    while (i < t.size()) {
        const auto lead = static_cast<unsigned char>(t[i]);
        std::size_t length = 0;
        unsigned cp = 0;
        if (lead < 0x80) {
            length = 1;
            cp = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            cp = lead & 0x1Fu;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            cp = lead & 0x0Fu;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            cp = lead & 0x07u;
        } else {
            return false;
        }
        if (i + length > t.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto b = static_cast<unsigned char>(t[i + k]);
            if ((b & 0xC0) != 0x80) {
                return false;
            }
            cp = cp << 6 | (b & 0x3Fu);
        }
        static constexpr unsigned kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kLeast[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

// A shown float parses back; shown again it reads the same; the value is the same float where floats are
// coarser than the six decimals shown, and within the last shown decimal elsewhere.
void CheckShownFloat(float value, char sep) {
    const std::string shown = FormatFloatParam(value, sep);
    if (!std::isfinite(value)) {
        ZT30_FUZZ_CHECK(shown == "nan" || shown == "inf" || shown == "-inf");
        return;
    }
    const std::optional<float> back = ParseFloatParam(shown, sep);
    ZT30_FUZZ_CHECK(back.has_value());
    ZT30_FUZZ_CHECK(FormatFloatParam(*back, sep) == shown);
    if (std::fabs(value) >= 16.0f) {
        ZT30_FUZZ_CHECK(*back == value);
    } else {
        ZT30_FUZZ_CHECK(std::fabs(*back - value) <= 1e-6f);
    }
    // Plain form: at least one digit, the separator, exactly six decimals; no minus on a zero.
    if (std::fabs(value) < 1e10f) {
        const std::size_t at = shown.find(sep);
        ZT30_FUZZ_CHECK(at != std::string::npos && shown.size() == at + 7);
        const std::size_t digitsFrom = shown[0] == '-' ? 1 : 0;
        ZT30_FUZZ_CHECK(at > digitsFrom);
        ZT30_FUZZ_CHECK(shown.find_first_not_of("0123456789", digitsFrom) == at);
        ZT30_FUZZ_CHECK(shown.find_first_not_of("0123456789", at + 1) == std::string::npos);
        ZT30_FUZZ_CHECK(shown[0] != '-' || shown.find_first_of("123456789") != std::string::npos);
    }
}

void FuzzFloatEntry(char sep, std::string_view text) {
    const std::optional<float> parsed = ParseFloatParam(text, sep);
    const std::optional<std::string> c = FloatFormAsC(text, sep);
    if (!c) {
        ZT30_FUZZ_CHECK(!parsed);
        return;
    }
    errno = 0;
    const long double reference = std::strtold(c->c_str(), nullptr);
    if (std::fabs(reference) >= 0x1.ffffffp127L) {
        ZT30_FUZZ_CHECK(!parsed);  // beyond the float range
        return;
    }
    ZT30_FUZZ_CHECK(parsed.has_value());
    ZT30_FUZZ_CHECK(*parsed == static_cast<float>(reference));
    CheckShownFloat(*parsed, sep);
}

void FuzzIntEntry(std::string_view text, long long low, long long high, bool address) {
    std::optional<long long> reference = EntryIntReference(text, false);
    if (reference && (*reference < low || *reference > high)) {
        reference.reset();
    }
    std::optional<long long> parsed;
    if (address) {
        if (const auto a = ParseAddress(text)) {
            parsed = *a;
        }
    } else if (const auto f = ParseFiltr(text)) {
        parsed = *f;
    }
    ZT30_FUZZ_CHECK(parsed == reference);
    if (parsed) {
        const std::string shown = FormatIntParam(*parsed);
        ZT30_FUZZ_CHECK(address ? ParseAddress(shown) == parsed : ParseFiltr(shown) == parsed);
    }
}

}  // namespace
}  // namespace zt30::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zt30;
    using namespace zt30::fuzz;
    FuzzInput in({data, size});
    const std::uint8_t selector = in.Byte();
    switch (selector % 8) {
        case 0: {  // [separator] text
            const char sep = SeparatorOf(in.Byte());
            FuzzFloatEntry(sep, AsText(in.Rest()));
            break;
        }
        case 1: {  // [separator] [4 bytes of a float, little-endian]: any value an instrument may send
            const char sep = SeparatorOf(in.Byte());
            const auto bits = in.Take(4);
            std::uint32_t word = 0;
            for (std::size_t i = 0; i < bits.size(); ++i) {
                word |= std::uint32_t{bits[i]} << (8 * i);
            }
            float value = 0;
            std::memcpy(&value, &word, sizeof value);
            CheckShownFloat(value, sep);
            const auto config = static_cast<std::uint8_t>(word);
            ZT30_FUZZ_CHECK(ConfigFromSwitches(SwitchesFromConfig(config)) == (config & 0x3F));
            break;
        }
        case 2:
            FuzzIntEntry(AsText(in.Rest()), 0, 59999, false);
            break;
        case 3:
            FuzzIntEntry(AsText(in.Rest()), 0, 126, true);
            break;
        case 4: {  // a stored setting: the entry form with trailing blanks; written back as plain decimal
            const std::string_view text = AsText(in.Rest());
            const std::optional<std::int32_t> stored = ParseStoredInt(text);
            const std::optional<long long> reference = EntryIntReference(text, true);
            ZT30_FUZZ_CHECK(stored.has_value() == reference.has_value());
            ZT30_FUZZ_CHECK(!stored || *stored == *reference);
            ZT30_FUZZ_CHECK(ParseEntryInt(text) == EntryIntReference(text, false));
            if (stored) {
                ZT30_FUZZ_CHECK(ParseStoredInt(IntToSettingText(*stored)) == stored);
            }
            break;
        }
        case 5: {  // a command-line number
            const std::string_view text = AsText(in.Rest());
            if (const auto n = ParseOptionNumber<long long>(text)) {
                ZT30_FUZZ_CHECK(ParseOptionNumber<long long>(std::to_string(*n)) == n);
                ZT30_FUZZ_CHECK(text.find_first_not_of("-0123456789") == std::string_view::npos);
            }
            if (ParseOptionNumber<unsigned>(text).has_value()) {
                ZT30_FUZZ_CHECK(text.find_first_not_of("0123456789") == std::string_view::npos);
            }
            break;
        }
        case 6: {  // UTF-8
            const std::string_view text = AsText(in.Rest());
            const bool valid = IsValidUtf8(text);
            ZT30_FUZZ_CHECK(valid == Utf8Reference(text));
            const std::size_t first = Utf8SequenceLength(text);
            ZT30_FUZZ_CHECK(first <= 4 && first <= text.size());
            if (first > 0) {
                ZT30_FUZZ_CHECK(Utf8Reference(text.substr(0, first)));
            }
            break;
        }
        default: {  // [split] text: ASCII case of the two halves; hex of the bytes
            const std::size_t split = in.Byte();
            const std::string_view text = AsText(in.Rest());
            const std::string_view a = text.substr(0, std::min(split, text.size()));
            const std::string_view b = text.substr(a.size());
            bool same = a.size() == b.size();
            for (std::size_t i = 0; same && i < a.size(); ++i) {
                const auto lower = [](char c) {
                    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
                };
                same = lower(a[i]) == lower(b[i]);
            }
            ZT30_FUZZ_CHECK(EqualsIgnoringAsciiCase(a, b) == same);
            const std::string hex = HexBytes({data, size});
            ZT30_FUZZ_CHECK(hex.size() == (size == 0 ? 0 : 3 * size - 1));
            for (std::size_t i = 0; i < size; ++i) {
                const int high = HexDigitValue(hex[3 * i]);
                const int low = HexDigitValue(hex[3 * i + 1]);
                ZT30_FUZZ_CHECK(high >= 0 && low >= 0 && high * 16 + low == data[i]);
            }
            break;
        }
    }
    return 0;
}
