#include "support/hex.h"

#include <stdexcept>

#include "base/text_rules.h"

namespace zt30::test {

Bytes Hex(std::string_view text) {
    Bytes out;
    unsigned value = 0;
    int digits = 0;
    for (char c : text) {
        if (c == ' ') {
            continue;
        }
        const int d = HexDigitValue(c);
        if (d < 0) {
            throw std::invalid_argument("bad hex text");
        }
        value = value * 16 + static_cast<unsigned>(d);
        if (++digits == 2) {
            out.push_back(static_cast<std::uint8_t>(value));
            value = 0;
            digits = 0;
        }
    }
    if (digits != 0) {
        throw std::invalid_argument("odd hex text");
    }
    return out;
}

std::string ToHex(std::span<const std::uint8_t> bytes) {
    return HexBytes(bytes);
}

}  // namespace zt30::test
