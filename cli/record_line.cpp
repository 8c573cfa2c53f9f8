#include "cli/record_line.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace zt30::cli {

std::string ValueText(double value, char separator) {
    if (std::isnan(value)) {
        return "nan";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-inf" : "inf";
    }
    // The decimal exponent after rounding to 7 significant digits decides how many decimals those digits
    // reach; one correctly rounded conversion then gives the text, so no digit is rounded twice.
    std::array<char, 64> scientific{};
    std::snprintf(scientific.data(), scientific.size(), "%.6e", value);
    const char* exponentText = std::strchr(scientific.data(), 'e');
    const int exponent = exponentText ? std::atoi(exponentText + 1) : 0;
    const int decimals = std::clamp(6 - exponent, 0, 3);

    std::string text;
    if (exponent > 6) {
        // Beyond 7 integer digits the 7 significant digits are followed by zeros, not by noise digits.
        for (const char* c = scientific.data(); c != exponentText; ++c) {
            if (*c != '.') {
                text += *c;
            }
        }
        text.append(static_cast<std::size_t>(exponent - 6), '0');
        text += ".000";
    } else {
        std::array<char, 64> fixed{};
        std::snprintf(fixed.data(), fixed.size(), "%.*f", decimals, value);
        text = fixed.data();
        if (decimals == 0) {
            text += '.';
        }
        text.append(static_cast<std::size_t>(3 - decimals), '0');
    }
    if (text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos) {
        text.erase(0, 1);  // a negative number that rounds to zero shows as zero
    }
    for (char& c : text) {
        if (c == '.') {
            c = separator;
        }
    }
    return text;
}

std::string FormatLocalTime(const std::tm& localTime, const std::string& format) {
    std::array<char, 128> buffer{};
    const std::size_t length = std::strftime(buffer.data(), buffer.size(), format.c_str(), &localTime);
    return std::string(buffer.data(), length);
}

std::string RecordLine(const std::string& valueText, const std::string& sumText, const std::string& dateText,
                       const std::string& timeText) {
    std::string line;
    for (const std::string* cell : {&valueText, &sumText, &dateText, &timeText}) {
        line += *cell;
        line += "; ";
    }
    line += "\r\n";
    return line;
}

}  // namespace zt30::cli
