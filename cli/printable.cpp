#include "cli/printable.h"

#include <cstdint>
#include <optional>

#include "base/code_page_1250.h"
#include "base/text_rules.h"

namespace zt30::cli {

namespace {

void AppendEscaped(std::string& out, std::string_view bytes) {
    for (const char c : bytes) {
        out += "\\x";
        AppendHexByte(out, static_cast<std::uint8_t>(c));
    }
}

// The printable form of text, at most maxCharacters characters (each escaped byte counting as one).
std::string Printable(std::string_view text, std::size_t maxCharacters) {
    std::string out;
    std::size_t characters = 0;
    while (!text.empty()) {
        if (characters == maxCharacters) {
            out += "...";
            break;
        }
        std::size_t length = Utf8SequenceLength(text);
        const auto lead = static_cast<unsigned char>(text[0]);
        const bool c1Control = length == 2 && lead == 0xC2 && static_cast<unsigned char>(text[1]) < 0xA0;
        if (length == 0 || lead < 0x20 || lead == 0x7F || c1Control) {
            length = length == 0 ? 1 : length;
            AppendEscaped(out, text.substr(0, length));
        } else {
            out += text.substr(0, length);
        }
        text.remove_prefix(length);
        ++characters;
    }
    return out;
}

}  // namespace

std::string EscapeDeviceText(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<std::uint8_t>(c);
        const std::optional<char32_t> character = Windows1250Char(byte);
        // The code page's upper half has no control characters; its lower half is ASCII.
        if (!character || byte < 0x20 || byte == 0x7F || byte == '\\') {
            AppendEscaped(out, std::string_view(&c, 1));
        } else {
            AppendUtf8(out, *character);
        }
    }
    return out;
}

std::string PrintableText(std::string_view text) {
    return Printable(text, static_cast<std::size_t>(-1));
}

std::string PrintableArgument(std::string_view text) {
    return Printable(text, kEchoLength);
}

}  // namespace zt30::cli
