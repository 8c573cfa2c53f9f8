// The user's regional settings that the program follows: the decimal separator of parameter texts and value
// texts, and the short date and long time formats of the record file and the chart's time axis. Built once
// from the system locale (regional_settings_qt.h) and handed to whoever formats or parses such texts.
#pragma once

#include <string>

namespace zt30 {

struct RegionalSettings {
    // One ASCII character; a full stop where the locale gives none usable.
    char decimalSeparator = '.';
    // Patterns in Qt's date and time format syntax (d, dd, M, MM, yy, yyyy; H, HH, h, hh, m, mm, s, ss, AP;
    // quoted literal text). The time pattern never holds a time zone.
    std::string shortDateFormat = "yyyy-MM-dd";
    std::string longTimeFormat = "HH:mm:ss";

    friend bool operator==(const RegionalSettings&, const RegionalSettings&) = default;
};

}  // namespace zt30
