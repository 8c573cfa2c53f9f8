// The texts of one reading as the program shows and records them: the value text of the measured value and
// the sum, and the record-file line built from them and the local date and time. `watch` prints these lines
// and appends them to the record file, so a file written by the tool reads like one written by the program.
#pragma once

#include <ctime>
#include <string>

namespace zt30::cli {

// How the user's regional settings write a decimal number, a date and a time (strftime formats).
struct RecordStyle {
    char decimalSeparator = '.';
    std::string dateFormat = "%Y-%m-%d";
    std::string timeFormat = "%H:%M:%S";
};

// The value text: rounded to 7 significant digits (or 3 decimals, whichever gives fewer digits), written in
// fixed-point form padded to exactly 3 decimals with the given separator; "inf", "-inf" or "nan" when not
// finite. 12.5 -> "12.500", 12345.678 -> "12345.680", 0.0004 -> "0.000".
std::string ValueText(double value, char separator);

// A local time as text in a strftime format; empty when the format gives nothing.
std::string FormatLocalTime(const std::tm& localTime, const std::string& format);

// One record line: each of the four texts followed by "; ", then CR LF.
std::string RecordLine(const std::string& valueText, const std::string& sumText, const std::string& dateText,
                       const std::string& timeText);

}  // namespace zt30::cli
