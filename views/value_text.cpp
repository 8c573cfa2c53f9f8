#include "views/value_text.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace zt30 {

std::string ValueText(double value, char decimalSeparator) {
    if (std::isnan(value)) {
        return "nan";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-inf" : "inf";
    }
    // The decimal exponent after rounding to 7 significant digits decides how many decimals those digits
    // reach; one correctly rounded conversion then gives the text, so no digit is rounded twice.
    std::array<char, 64> scientific{};
    std::snprintf(scientific.data(), scientific.size(), "%.6E", value);
    const char* exponentText = std::strchr(scientific.data(), 'E');
    const int exponent = exponentText ? std::atoi(exponentText + 1) : 0;

    std::string text;
    if (exponent > 6) {
        text = scientific.data();  // "d.ddddddE+XX": the C library writes at least two exponent digits
    } else {
        const int decimals = std::clamp(6 - exponent, 0, 3);
        std::array<char, 64> fixed{};
        std::snprintf(fixed.data(), fixed.size(), "%.*f", decimals, value);
        text = fixed.data();
        if (decimals == 0) {
            text += '.';
        }
        text.append(static_cast<std::size_t>(3 - decimals), '0');
        if (text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos) {
            text.erase(0, 1);  // a negative number that rounds to zero shows as zero
        }
    }
    std::replace(text.begin(), text.end(), '.', decimalSeparator);
    return text;
}

}  // namespace zt30
