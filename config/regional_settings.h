// The user's regional settings that the program follows: the decimal separator of parameter texts and value
// texts, and the short date and long time formats of the record file and the chart's time axis. Built once
// from the system locale (regional_settings_qt.h) and handed to whoever formats or parses such texts; the
// formatting itself (FormatDateTime) needs no Qt, so the program, its windows and zt30ctl write the same
// texts.
#pragma once

#include <array>
#include <ctime>
#include <string>
#include <string_view>

namespace zt30 {

struct RegionalSettings {
    // One ASCII character; a full stop where the locale gives none usable.
    char decimalSeparator = '.';
    // Patterns in Qt's date and time format syntax (d, dd, ddd, dddd, M, MM, MMM, MMMM, yy, yyyy; H, HH, h,
    // hh, m, mm, s, ss, z, zzz, AP, ap, A, a; quoted literal text). The time pattern never holds a time zone.
    std::string shortDateFormat = "yyyy-MM-dd";
    std::string longTimeFormat = "HH:mm:ss";
    // Names the patterns may call for (UTF-8), January and Monday first.
    std::array<std::string, 12> shortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::array<std::string, 12> longMonthNames{"January",   "February", "March",    "April",
                                               "May",       "June",     "July",     "August",
                                               "September", "October",  "November", "December"};
    std::array<std::string, 7> shortDayNames{"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    std::array<std::string, 7> longDayNames{"Monday", "Tuesday",  "Wednesday", "Thursday",
                                            "Friday", "Saturday", "Sunday"};
    std::string amText = "AM";
    std::string pmText = "PM";

    friend bool operator==(const RegionalSettings&, const RegionalSettings&) = default;
};

// A local calendar date and time of day, as the clock gives it.
struct LocalDateTime {
    int year = 2000;
    int month = 1;      // 1 to 12
    int day = 1;        // 1 to 31
    int dayOfWeek = 6;  // 1 Monday to 7 Sunday
    int hour = 0;       // 0 to 23
    int minute = 0;
    int second = 0;
    int millisecond = 0;

    friend bool operator==(const LocalDateTime&, const LocalDateTime&) = default;
};

// The fields of a broken-down local time from the C library (localtime_r).
LocalDateTime LocalDateTimeFromTm(const std::tm& local);

// The text of `pattern` (Qt's date and time format syntax, see RegionalSettings) for `at`, with the names of
// `regional`. Letters outside the syntax and text in single quotes are copied; "''" is one quote. Fields
// outside their ranges are written as numbers, never read out of a table's bounds.
std::string FormatDateTime(const LocalDateTime& at, std::string_view pattern,
                           const RegionalSettings& regional);

// The date of `at` in the short date format, and its time of day in the long time format.
std::string ShortDateText(const LocalDateTime& at, const RegionalSettings& regional);
std::string LongTimeText(const LocalDateTime& at, const RegionalSettings& regional);

// The long time with milliseconds: the long time pattern with the decimal separator and three digits of
// milliseconds after its seconds (after its end when it shows none), as the line monitor shows a frame's
// time ("7:05:09,042").
std::string LongTimeWithMillisecondsText(const LocalDateTime& at, const RegionalSettings& regional);

}  // namespace zt30
