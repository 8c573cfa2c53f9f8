// The core's formatter of the regional date and time patterns (Qt's pattern syntax) without Qt.
#include <gtest/gtest.h>

#include "config/regional_settings.h"

namespace zt30 {
namespace {

// Tuesday 2 January 2024, 07:05:09.042.
constexpr LocalDateTime kMorning{2024, 1, 2, 2, 7, 5, 9, 42};

struct PatternCase {
    const char* pattern;
    const char* text;
};

class Patterns : public ::testing::TestWithParam<PatternCase> {};

TEST_P(Patterns, FormatsTheMorning) {
    EXPECT_EQ(FormatDateTime(kMorning, GetParam().pattern, RegionalSettings{}), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, Patterns,
    ::testing::Values(PatternCase{"dd.MM.yy", "02.01.24"}, PatternCase{"d.M.yyyy", "2.1.2024"},
                      PatternCase{"yyyy-MM-dd", "2024-01-02"}, PatternCase{"M/d/yy", "1/2/24"},
                      PatternCase{"H:mm:ss", "7:05:09"}, PatternCase{"HH:mm:ss", "07:05:09"},
                      PatternCase{"h:mm:ss AP", "7:05:09 AM"}, PatternCase{"hh:mm ap", "07:05 am"},
                      PatternCase{"ss.zzz", "09.042"}, PatternCase{"s.z", "9.42"},
                      PatternCase{"ddd d MMM", "Tue 2 Jan"},
                      PatternCase{"dddd, MMMM d", "Tuesday, January 2"},
                      // Quoted text is copied as it stands, "''" is one quote, other characters pass through.
                      PatternCase{"'at' H 'o''clock'", "at 7 o'clock"}, PatternCase{"''H''", "'7'"},
                      PatternCase{"H 'unclosed", "7 unclosed"}, PatternCase{"yyyyy", "2024y"},
                      PatternCase{"y", "y"}, PatternCase{"", ""}));

// The line monitor's frame times: milliseconds with the decimal separator right after the seconds.
TEST(RegionalFormat, LongTimeWithMilliseconds) {
    const auto text = [](const char* pattern, char separator) {
        RegionalSettings regional;
        regional.longTimeFormat = pattern;
        regional.decimalSeparator = separator;
        return LongTimeWithMillisecondsText(kMorning, regional);
    };
    EXPECT_EQ(text("H:mm:ss", ','), "7:05:09,042");
    EXPECT_EQ(text("HH:mm:ss", '.'), "07:05:09.042");
    EXPECT_EQ(text("h:mm:ss AP", '.'), "7:05:09.042 AM");
    EXPECT_EQ(text("H:mm 's' s 'ss'", ','), "7:05 s 9,042 ss");
    EXPECT_EQ(text("H:mm", ','), "7:05,042");
    EXPECT_EQ(text("H 'unclosed s", ','), "7 unclosed s,042");
}

TEST(RegionalFormat, TwelveHourClockAroundMidnightAndNoon) {
    const RegionalSettings regional;
    LocalDateTime at = kMorning;
    at.hour = 0;
    EXPECT_EQ(FormatDateTime(at, "h AP", regional), "12 AM");
    EXPECT_EQ(FormatDateTime(at, "H AP", regional), "0 AM");
    at.hour = 12;
    EXPECT_EQ(FormatDateTime(at, "h AP", regional), "12 PM");
    at.hour = 23;
    EXPECT_EQ(FormatDateTime(at, "h:mm A", regional), "11:05 PM");
    EXPECT_EQ(FormatDateTime(at, "h:mm", regional), "23:05");  // no AM/PM field: 24 hours
}

TEST(RegionalFormat, NamesComeFromTheSettingsAndNeverReadOutsideThem) {
    RegionalSettings czech;
    czech.shortMonthNames[0] = "led";
    czech.longDayNames[1] = "úterý";
    EXPECT_EQ(FormatDateTime(kMorning, "dddd d. MMM", czech), "úterý 2. led");

    LocalDateTime broken = kMorning;
    broken.month = 13;
    broken.dayOfWeek = 0;
    EXPECT_EQ(FormatDateTime(broken, "MMM ddd MM", czech), "13 0 13");
}

TEST(RegionalFormat, ShortDateAndLongTimeUseTheirPatterns) {
    RegionalSettings regional;
    regional.shortDateFormat = "dd.MM.yy";
    regional.longTimeFormat = "H:mm:ss";
    EXPECT_EQ(ShortDateText(kMorning, regional), "02.01.24");
    EXPECT_EQ(LongTimeText(kMorning, regional), "7:05:09");
}

TEST(RegionalFormat, BrokenDownTimeOfTheCLibrary) {
    std::tm local{};
    local.tm_year = 124;
    local.tm_mon = 0;
    local.tm_mday = 7;
    local.tm_wday = 0;  // Sunday
    local.tm_hour = 23;
    local.tm_min = 59;
    local.tm_sec = 60;  // a leap second stays as the clock gave it
    EXPECT_EQ(LocalDateTimeFromTm(local), (LocalDateTime{2024, 1, 7, 7, 23, 59, 60, 0}));
}

}  // namespace
}  // namespace zt30
