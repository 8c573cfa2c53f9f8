// The value text of the measured value and the sum, in both separators, at the edges of its rounding and of
// its fixed-point range.
#include "views/value_text.h"

#include <gtest/gtest.h>

#include <limits>

namespace zt30 {
namespace {

struct ValueCase {
    double value;
    const char* text;
};

class ValueTextCases : public ::testing::TestWithParam<ValueCase> {};

TEST_P(ValueTextCases, SevenSignificantDigitsThreeDecimals) {
    EXPECT_EQ(ValueText(GetParam().value, '.'), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ValueTextCases,
    ::testing::Values(ValueCase{12.5, "12.500"}, ValueCase{12345.678f, "12345.680"},
                      ValueCase{0.0004, "0.000"}, ValueCase{-3, "-3.000"}, ValueCase{0, "0.000"},
                      ValueCase{-0.0004, "0.000"}, ValueCase{1.2345678, "1.235"},
                      ValueCase{9999.9996, "10000.000"}, ValueCase{1234567.8, "1234568.000"},
                      ValueCase{-1234567.0, "-1234567.000"},
                      // Rounded to 7 digits the integer part needs 8: the scientific form takes over.
                      ValueCase{9999999.6, "1.000000E+07"}, ValueCase{123456789.0, "1.234568E+08"},
                      ValueCase{-123456789.0, "-1.234568E+08"}, ValueCase{0.0005, "0.001"},
                      ValueCase{-99.9999, "-100.000"},
                      ValueCase{std::numeric_limits<float>::max(), "3.402823E+38"},
                      ValueCase{std::numeric_limits<float>::denorm_min(), "0.000"},
                      ValueCase{std::numeric_limits<double>::infinity(), "inf"},
                      ValueCase{-std::numeric_limits<double>::infinity(), "-inf"},
                      ValueCase{std::numeric_limits<double>::quiet_NaN(), "nan"}));

TEST(ValueText, TheRegionalSeparatorReplacesTheFullStopInBothForms) {
    EXPECT_EQ(ValueText(12.5, ','), "12,500");
    EXPECT_EQ(ValueText(12345.678, ','), "12345,680");
    EXPECT_EQ(ValueText(0.0004, ','), "0,000");
    EXPECT_EQ(ValueText(-3, ','), "-3,000");
    EXPECT_EQ(ValueText(123456789.0, ','), "1,234568E+08");
}

}  // namespace
}  // namespace zt30
