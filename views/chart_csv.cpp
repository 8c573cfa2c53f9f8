#include "views/chart_csv.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace zt30 {

namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

struct CivilDate {
    std::int64_t year;
    int month;
    int day;
};

// The proleptic Gregorian date of a day counted from 1970-01-01 (the days-to-civil algorithm of H. Hinnant).
CivilDate CivilFromDays(std::int64_t days) {
    days += 719'468;
    const std::int64_t era = FloorDiv(days, 146'097);
    const std::int64_t dayOfEra = days - era * 146'097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36'524 - dayOfEra / 146'096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    const int month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    return {yearOfEra + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

void AppendPadded(std::string& out, std::int64_t value, int digits) {
    std::array<char, 24> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    const auto length = static_cast<int>(result.ptr - buffer.data());
    out.append(static_cast<std::size_t>(std::max(digits - length, 0)), '0');
    out.append(buffer.data(), result.ptr);
}

}  // namespace

CsvFormat CsvFormatFor(char decimalSeparator) {
    if (decimalSeparator == '.') {
        return {',', '.'};
    }
    return {';', decimalSeparator};
}

std::string IsoLocalTime(std::int64_t x) {
    // The remainder, not x - days · kMsPerDay, which overflows for the earliest times.
    const std::int64_t rest = x % kMsPerDay;
    const std::int64_t days = x / kMsPerDay - (rest < 0 ? 1 : 0);
    const std::int64_t msOfDay = rest < 0 ? rest + kMsPerDay : rest;
    const CivilDate date = CivilFromDays(days);
    std::string text;
    if (date.year < 0 || date.year > 9999) {
        text += date.year < 0 ? '-' : '+';
    }
    // A year of the 64-bit range's far ends is below 2^40, so its magnitude is exact.
    AppendPadded(text, date.year < 0 ? -date.year : date.year, 4);
    text += '-';
    AppendPadded(text, date.month, 2);
    text += '-';
    AppendPadded(text, date.day, 2);
    text += 'T';
    AppendPadded(text, msOfDay / 3'600'000, 2);
    text += ':';
    AppendPadded(text, msOfDay / 60'000 % 60, 2);
    text += ':';
    AppendPadded(text, msOfDay / 1000 % 60, 2);
    text += '.';
    AppendPadded(text, msOfDay % 1000, 3);
    return text;
}

std::string CsvValueText(double value, char decimalMark) {
    if (!std::isfinite(value)) {
        return {};
    }
    if (value == 0.0) {
        return "0";
    }
    const double magnitude = std::abs(value);
    const std::chars_format form =
        magnitude >= 1e-4 && magnitude < 1e15 ? std::chars_format::fixed : std::chars_format::scientific;
    std::array<char, 64> buffer{};
    char* const first = buffer.data();
    char* const last = first + buffer.size();
    // The instrument measures in single precision: such a value is written as the float it is (12.3, not
    // 12.300000190734863), which reads back as that same float.
    const bool single = magnitude <= std::numeric_limits<float>::max() &&
                        static_cast<double>(static_cast<float>(value)) == value;
    const auto result = single ? std::to_chars(first, last, static_cast<float>(value), form)
                               : std::to_chars(first, last, value, form);
    std::string text(first, result.ptr);
    if (decimalMark != '.') {
        for (char& c : text) {
            if (c == '.') {
                c = decimalMark;
            }
        }
    }
    return text;
}

std::string ChartCsv(const ChartSeries& series, std::size_t begin, std::size_t end, CsvFormat format) {
    end = std::min(end, series.Count());
    std::string csv =
        "\xEF\xBB\xBF"
        "Čas";
    csv += format.fieldSeparator;
    csv += "Naměřená hodnota\r\n";
    for (std::size_t i = begin; i < end; ++i) {
        csv += IsoLocalTime(series.X(i));
        csv += format.fieldSeparator;
        csv += CsvValueText(series.Y(i), format.decimalMark);
        csv += "\r\n";
    }
    return csv;
}

}  // namespace zt30
