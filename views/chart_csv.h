// The chart's points as a CSV file for a spreadsheet: a header line, then one point a line with its local
// time in ISO 8601 (milliseconds, no zone: the chart's times are wall-clock times) and its value. The field
// separator and the decimal mark follow the user's decimal separator, so that a spreadsheet in the same
// regional settings reads two columns of numbers: a comma as decimal mark goes with semicolons between the
// fields, a full stop with commas.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "views/chart_series.h"

namespace zt30 {

struct CsvFormat {
    char fieldSeparator = ',';
    char decimalMark = '.';

    friend bool operator==(const CsvFormat&, const CsvFormat&) = default;
};

// The format for a regional decimal separator: '.' gives ',' and '.'; any other gives ';' and itself.
CsvFormat CsvFormatFor(char decimalSeparator);

// x (the local date and time in milliseconds since 1970-01-01 00:00) as "YYYY-MM-DDThh:mm:ss.sss"; a year
// outside 0000 to 9999 is written with its sign and at least four digits.
std::string IsoLocalTime(std::int64_t x);

// value with the fewest digits that read back as the same number (as the single-precision number it is, when
// it is one), in fixed-point form from 1e-4 to below 1e15 and with an exponent otherwise, with the given
// decimal mark; empty when it is not finite (a spreadsheet leaves the cell empty).
std::string CsvValueText(double value, char decimalMark);

// The CSV file of points [begin, end) of series (end clipped to its count): a UTF-8 byte order mark (the
// header is Czech), the header "Čas" and "Naměřená hodnota", then one line per point; every line ends in
// CR LF.
std::string ChartCsv(const ChartSeries& series, std::size_t begin, std::size_t end, CsvFormat format);

}  // namespace zt30
