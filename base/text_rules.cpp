#include "base/text_rules.h"

namespace zt30 {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool InRange(std::string_view text, std::size_t i, unsigned char low, unsigned char high) {
    if (i >= text.size()) {
        return false;
    }
    const auto byte = static_cast<unsigned char>(text[i]);
    return byte >= low && byte <= high;
}

}  // namespace

std::optional<std::int32_t> ParseEntryInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size()) {
        return std::nullopt;
    }
    const long long limit = negative ? 2147483648LL : 2147483647LL;
    long long value = 0;
    for (; i < text.size(); ++i) {
        if (!IsDigit(text[i])) {
            return std::nullopt;
        }
        value = value * 10 + (text[i] - '0');
        if (value > limit) {
            return std::nullopt;
        }
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

std::optional<std::int32_t> ParseStoredInt(std::string_view text) {
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    return ParseEntryInt(text);
}

std::optional<long long> ParseOptionInt(std::string_view text, long long low, long long high) {
    const std::optional<long long> value = ParseOptionNumber<long long>(text);
    if (!value || *value < low || *value > high) {
        return std::nullopt;
    }
    return value;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

int HexDigitValue(char c) {
    if (IsDigit(c)) {
        return c - '0';
    }
    const char lower = AsciiLower(c);
    return (lower >= 'a' && lower <= 'f') ? lower - 'a' + 10 : -1;
}

void AppendHexByte(std::string& out, std::uint8_t byte) {
    out += kHexDigits[byte >> 4];
    out += kHexDigits[byte & 0x0F];
}

std::string HexBytes(std::span<const std::uint8_t> bytes) {
    std::string text;
    text.reserve(bytes.size() * 3);
    for (const std::uint8_t byte : bytes) {
        if (!text.empty()) {
            text += ' ';
        }
        AppendHexByte(text, byte);
    }
    return text;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::size_t Utf8SequenceLength(std::string_view text) {
    if (text.empty()) {
        return 0;
    }
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x80) {
        return 1;
    }
    // The second byte's range depends on the lead byte: it excludes overlong forms, surrogates and code
    // points beyond U+10FFFF.
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (!InRange(text, 1, low, high)) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (!InRange(text, i, 0x80, 0xBF)) {
            return 0;
        }
    }
    return length;
}

bool IsValidUtf8(std::string_view text) {
    while (!text.empty()) {
        const std::size_t length = Utf8SequenceLength(text);
        if (length == 0) {
            return false;
        }
        text.remove_prefix(length);
    }
    return true;
}

}  // namespace zt30
