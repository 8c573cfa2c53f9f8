#include "support/hex.h"

#include <cstdio>
#include <stdexcept>

namespace zt30::test {

Bytes Hex(std::string_view text) {
    Bytes out;
    unsigned value = 0;
    int digits = 0;
    for (char c : text) {
        int d = -1;
        if (c >= '0' && c <= '9') {
            d = c - '0';
        } else if (c >= 'A' && c <= 'F') {
            d = c - 'A' + 10;
        } else if (c >= 'a' && c <= 'f') {
            d = c - 'a' + 10;
        } else if (c != ' ') {
            throw std::invalid_argument("bad hex text");
        }
        if (d >= 0) {
            value = value * 16 + static_cast<unsigned>(d);
            if (++digits == 2) {
                out.push_back(static_cast<std::uint8_t>(value));
                value = 0;
                digits = 0;
            }
        }
    }
    if (digits != 0) {
        throw std::invalid_argument("odd hex text");
    }
    return out;
}

std::string ToHex(std::span<const std::uint8_t> bytes) {
    std::string out;
    char buf[4];
    for (std::uint8_t b : bytes) {
        std::snprintf(buf, sizeof buf, out.empty() ? "%02X" : " %02X", b);
        out += buf;
    }
    return out;
}

}  // namespace zt30::test
