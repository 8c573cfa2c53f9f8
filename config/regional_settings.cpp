#include "config/regional_settings.h"

#include <algorithm>
#include <cstddef>

namespace zt30 {

namespace {

// The number with at least `width` digits.
void AppendNumber(std::string& out, int value, int width) {
    std::string digits = std::to_string(value < 0 ? -static_cast<long long>(value) : value);
    if (value < 0) {
        out += '-';
    }
    if (static_cast<int>(digits.size()) < width) {
        out.append(static_cast<std::size_t>(width) - digits.size(), '0');
    }
    out += digits;
}

// A name from a table by a 1-based index, or the number itself when the index lies outside the table.
template <std::size_t N>
void AppendName(std::string& out, const std::array<std::string, N>& names, int index) {
    if (index >= 1 && index <= static_cast<int>(N)) {
        out += names[static_cast<std::size_t>(index - 1)];
    } else {
        AppendNumber(out, index, 1);
    }
}

}  // namespace

LocalDateTime LocalDateTimeFromTm(const std::tm& local) {
    // tm_wday counts from Sunday = 0; the calendar fields count from Monday = 1.
    const int dayOfWeek = local.tm_wday == 0 ? 7 : local.tm_wday;
    return LocalDateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, dayOfWeek,
                         local.tm_hour,        local.tm_min,     local.tm_sec,  0};
}

std::string FormatDateTime(const LocalDateTime& at, std::string_view pattern,
                           const RegionalSettings& regional) {
    // An AM/PM field anywhere in the pattern makes h and hh count 1 to 12, as in Qt.
    bool twelveHour = false;
    for (std::size_t i = 0, quoted = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '\'') {
            quoted ^= 1;
        } else if (!quoted && (pattern[i] == 'a' || pattern[i] == 'A')) {
            twelveHour = true;
        }
    }

    std::string out;
    std::size_t i = 0;
    while (i < pattern.size()) {
        const char c = pattern[i];
        if (c == '\'') {
            if (i + 1 < pattern.size() && pattern[i + 1] == '\'') {
                out += '\'';
                i += 2;
                continue;
            }
            // Literal text up to the closing quote; "''" inside it is one quote.
            ++i;
            while (i < pattern.size()) {
                if (pattern[i] == '\'') {
                    if (i + 1 < pattern.size() && pattern[i + 1] == '\'') {
                        out += '\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                out += pattern[i++];
            }
            continue;
        }
        std::size_t run = 1;
        while (i + run < pattern.size() && pattern[i + run] == c) {
            ++run;
        }
        std::size_t used = run;
        switch (c) {
            case 'd':
                used = run > 4 ? 4 : run;
                if (used <= 2) {
                    AppendNumber(out, at.day, static_cast<int>(used));
                } else {
                    AppendName(out, used == 3 ? regional.shortDayNames : regional.longDayNames, at.dayOfWeek);
                }
                break;
            case 'M':
                used = run > 4 ? 4 : run;
                if (used <= 2) {
                    AppendNumber(out, at.month, static_cast<int>(used));
                } else {
                    AppendName(out, used == 3 ? regional.shortMonthNames : regional.longMonthNames, at.month);
                }
                break;
            case 'y':
                if (run >= 4) {
                    used = 4;
                    AppendNumber(out, at.year, 4);
                } else if (run >= 2) {
                    used = 2;
                    AppendNumber(out, ((at.year % 100) + 100) % 100, 2);
                } else {
                    out += c;  // a single y is no field
                }
                break;
            case 'H':
            case 'h': {
                used = run > 2 ? 2 : run;
                int hour = at.hour;
                if (c == 'h' && twelveHour) {
                    hour = hour % 12 == 0 ? 12 : hour % 12;
                }
                AppendNumber(out, hour, static_cast<int>(used));
                break;
            }
            case 'm':
                used = run > 2 ? 2 : run;
                AppendNumber(out, at.minute, static_cast<int>(used));
                break;
            case 's':
                used = run > 2 ? 2 : run;
                AppendNumber(out, at.second, static_cast<int>(used));
                break;
            case 'z':
                used = run >= 3 ? 3 : 1;
                AppendNumber(out, at.millisecond, static_cast<int>(used));
                break;
            case 'a':
            case 'A': {
                // "AP"/"ap" and a lone "A"/"a" are one field; Qt writes the locale's text, upper- or
                // lower-case.
                used = 1;
                if (i + 1 < pattern.size() && (pattern[i + 1] == 'p' || pattern[i + 1] == 'P')) {
                    used = 2;
                }
                std::string text = at.hour < 12 ? regional.amText : regional.pmText;
                for (char& ch : text) {
                    if (c == 'A' && ch >= 'a' && ch <= 'z') {
                        ch = static_cast<char>(ch - 'a' + 'A');
                    } else if (c == 'a' && ch >= 'A' && ch <= 'Z') {
                        ch = static_cast<char>(ch - 'A' + 'a');
                    }
                }
                out += text;
                break;
            }
            default:
                used = 1;
                out += c;
                break;
        }
        i += used;
    }
    return out;
}

std::string ShortDateText(const LocalDateTime& at, const RegionalSettings& regional) {
    return FormatDateTime(at, regional.shortDateFormat, regional);
}

std::string LongTimeText(const LocalDateTime& at, const RegionalSettings& regional) {
    return FormatDateTime(at, regional.longTimeFormat, regional);
}

std::string LongTimeWithMillisecondsText(const LocalDateTime& at, const RegionalSettings& regional) {
    const std::string& pattern = regional.longTimeFormat;
    // After the last seconds field outside quoted text.
    std::size_t insertAt = pattern.size();
    bool quoted = false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '\'') {
            quoted = !quoted;
        } else if (!quoted && pattern[i] == 's') {
            insertAt = i + 1;
        }
    }
    // The pattern splits there outside any quote, so each part formats on its own.
    const int ms = std::clamp(at.millisecond, 0, 999);
    const char digits[] = {regional.decimalSeparator, static_cast<char>('0' + ms / 100),
                           static_cast<char>('0' + ms / 10 % 10), static_cast<char>('0' + ms % 10)};
    return FormatDateTime(at, std::string_view(pattern).substr(0, insertAt), regional) +
           std::string(digits, sizeof digits) +
           FormatDateTime(at, std::string_view(pattern).substr(insertAt), regional);
}

}  // namespace zt30
