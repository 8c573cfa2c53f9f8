#include "config/param_format.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

namespace zt30 {
namespace {

struct FormatCase {
    float value;
    char separator;
    const char* expected;
};

class FormatFloatParamTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatFloatParamTest, ShowsTheExactValueRounded) {
    const FormatCase& c = GetParam();
    EXPECT_EQ(FormatFloatParam(c.value, c.separator), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, FormatFloatParamTest,
    ::testing::Values(FormatCase{1.0f, ',', "1,000000"}, FormatCase{0.1f, ',', "0,100000"},
                      FormatCase{1234.5678f, ',', "1234,567749"}, FormatCase{12345.678f, ',', "12345,677730"},
                      FormatCase{0.0f, ',', "0,000000"}, FormatCase{-0.25f, ',', "-0,250000"},
                      FormatCase{1.0f, '.', "1.000000"}, FormatCase{0.1f, '.', "0.100000"},
                      FormatCase{1234.5678f, '.', "1234.567749"}, FormatCase{12345.678f, '.', "12345.677730"},
                      FormatCase{0.0f, '.', "0.000000"}, FormatCase{-0.25f, '.', "-0.250000"}));

INSTANTIATE_TEST_SUITE_P(Edges, FormatFloatParamTest,
                         ::testing::Values(
                             // digits limited by 10 significant digits: 8 integer digits keep 2 decimals
                             FormatCase{123456789.0f, ',', "123456792,000000"},
                             FormatCase{16777216.5f, ',', "16777216,000000"},
                             FormatCase{4294967296.0f, ',', "4294967296,000000"},
                             FormatCase{0.5f, ',', "0,500000"},
                             // rounding to nearest at the 6th decimal, and half-way
                             FormatCase{0.0000015f, ',', "0,000002"}, FormatCase{0.0078125f, '.', "0.007812"},
                             // negative zero and negatives that round to zero show as zero
                             FormatCase{-0.0f, ',', "0,000000"}, FormatCase{-1e-7f, ',', "0,000000"},
                             FormatCase{-1e-30f, '.', "0.000000"},
                             // more than 10 integer digits: scientific
                             FormatCase{1e10f, ',', "1E+10"}, FormatCase{-1.5e20f, ',', "-1,5E+20"},
                             FormatCase{FLT_MAX, '.', "3.4028235E+38"},
                             // not finite
                             FormatCase{std::numeric_limits<float>::infinity(), ',', "inf"},
                             FormatCase{-std::numeric_limits<float>::infinity(), ',', "-inf"},
                             FormatCase{std::numeric_limits<float>::quiet_NaN(), ',', "nan"}));

// An unchanged dialog writes back what it shows: the text of the float read from a shown text is that text.
TEST(FormatFloatParamSweep, ShownTextIsStableForFloatsOfEveryMagnitude) {
    std::mt19937 random(20240611u);
    std::uniform_int_distribution<std::uint32_t> bits;
    int checked = 0;
    for (int i = 0; i < 200000; ++i) {
        const float x = std::bit_cast<float>(bits(random));
        if (!std::isfinite(x)) {
            continue;
        }
        for (char separator : {',', '.'}) {
            const std::string shown = FormatFloatParam(x, separator);
            const std::optional<float> parsed = ParseFloatParam(shown, separator);
            ASSERT_TRUE(parsed.has_value()) << shown;
            ASSERT_EQ(FormatFloatParam(*parsed, separator), shown) << "x=" << x;
            if (std::fabs(x) >= 1e10f) {
                ASSERT_EQ(*parsed, x) << shown;  // the scientific form reads back to the same float
            }
        }
        ++checked;
    }
    EXPECT_GT(checked, 190000);
}

TEST(FormatFloatParam, NonFiniteTextIsRejectedWhenWrittenBack) {
    for (float x : {std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                    std::numeric_limits<float>::quiet_NaN()}) {
        EXPECT_FALSE(ParseFloatParam(FormatFloatParam(x, ','), ',').has_value());
    }
}

struct ParseCase {
    const char* text;
    char separator;
    std::optional<float> expected;
};

class ParseFloatParamTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseFloatParamTest, AcceptsExactlyTheWrittenForm) {
    const ParseCase& c = GetParam();
    const std::optional<float> result = ParseFloatParam(c.text, c.separator);
    ASSERT_EQ(result.has_value(), c.expected.has_value()) << '"' << c.text << '"';
    if (result) {
        EXPECT_EQ(*result, *c.expected) << '"' << c.text << '"';
    }
}

INSTANTIATE_TEST_SUITE_P(
    Accepted, ParseFloatParamTest,
    ::testing::Values(ParseCase{"1,5", ',', 1.5f}, ParseCase{"1.5", '.', 1.5f},
                      ParseCase{" -2,5E1 ", ',', -25.0f}, ParseCase{",", ',', 0.0f},
                      ParseCase{".", '.', 0.0f}, ParseCase{"+3", ',', 3.0f}, ParseCase{"   7   ", ',', 7.0f},
                      ParseCase{"5,", ',', 5.0f}, ParseCase{",25", ',', 0.25f}, ParseCase{"1E", ',', 1.0f},
                      ParseCase{"1e+", ',', 1.0f}, ParseCase{",E", ',', 0.0f}, ParseCase{"2e-1", ',', 0.2f},
                      ParseCase{"0,1", ',', 0.1f}, ParseCase{"1234,5678", ',', 1234.5678f},
                      ParseCase{"007", ',', 7.0f}, ParseCase{"3.4028234e38", '.', FLT_MAX},
                      ParseCase{"-3.4028235677973e38", '.', -FLT_MAX}, ParseCase{"1e-50", ',', 0.0f},
                      ParseCase{"1e-99999999999999999999", ',', 0.0f},
                      ParseCase{"0,000000000000000000001e21", ',', 1.0f},
                      ParseCase{"1,4e-45", ',', std::numeric_limits<float>::denorm_min()},
                      // 2^24 + 1 lies half-way between two floats: nearest even
                      ParseCase{"16777217", ',', 16777216.0f}));

INSTANTIATE_TEST_SUITE_P(
    Rejected, ParseFloatParamTest,
    ::testing::Values(ParseCase{"", ',', std::nullopt}, ParseCase{"   ", ',', std::nullopt},
                      ParseCase{"1.5", ',', std::nullopt}, ParseCase{"1,5", '.', std::nullopt},
                      ParseCase{"1,2,3", ',', std::nullopt}, ParseCase{"1 000", ',', std::nullopt},
                      ParseCase{"12a", ',', std::nullopt}, ParseCase{"+", ',', std::nullopt},
                      ParseCase{"-", ',', std::nullopt}, ParseCase{"E5", ',', std::nullopt},
                      ParseCase{"--1", ',', std::nullopt}, ParseCase{"+-1", ',', std::nullopt},
                      ParseCase{"1e+-2", ',', std::nullopt}, ParseCase{"1e5,0", ',', std::nullopt},
                      ParseCase{"\t1", ',', std::nullopt}, ParseCase{"1\n", ',', std::nullopt},
                      ParseCase{"1,5\xC2\xA0", ',', std::nullopt}, ParseCase{"0x10", ',', std::nullopt},
                      ParseCase{"inf", ',', std::nullopt}, ParseCase{"-inf", ',', std::nullopt},
                      ParseCase{"nan", ',', std::nullopt},
                      // beyond the float range: never sent as infinity
                      ParseCase{"3.4028236e38", '.', std::nullopt}, ParseCase{"1e39", ',', std::nullopt},
                      ParseCase{"-1e39", ',', std::nullopt},
                      ParseCase{"1e99999999999999999999", ',', std::nullopt}));

TEST(ParseFloatParam, NegativeZeroKeepsItsSign) {
    const std::optional<float> result = ParseFloatParam("-0", ',');
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(*result, 0.0f);
    EXPECT_TRUE(std::signbit(*result));
}

struct IntCase {
    const char* text;
    std::optional<std::int32_t> expected;
};

class ParseFiltrTest : public ::testing::TestWithParam<IntCase> {};

TEST_P(ParseFiltrTest, AcceptsZeroTo59999) {
    const std::optional<std::uint16_t> result = ParseFiltr(GetParam().text);
    ASSERT_EQ(result.has_value(), GetParam().expected.has_value()) << '"' << GetParam().text << '"';
    if (result) {
        EXPECT_EQ(*result, *GetParam().expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseFiltrTest,
    ::testing::Values(IntCase{"59999", 59999}, IntCase{"0", 0}, IntCase{" 25", 25}, IntCase{"+25", 25},
                      IntCase{"-0", 0}, IntCase{"00042", 42}, IntCase{"60000", std::nullopt},
                      IntCase{"-1", std::nullopt}, IntCase{"25 ", std::nullopt}, IntCase{"", std::nullopt},
                      IntCase{"  ", std::nullopt}, IntCase{"2 5", std::nullopt}, IntCase{"$10", std::nullopt},
                      IntCase{"0x10", std::nullopt}, IntCase{"1e3", std::nullopt}, IntCase{"+", std::nullopt},
                      IntCase{"65561", std::nullopt},  // would narrow to 25
                      IntCase{"4294967321", std::nullopt}, IntCase{"99999999999999999999", std::nullopt}));

class ParseAddressTest : public ::testing::TestWithParam<IntCase> {};

TEST_P(ParseAddressTest, AcceptsZeroTo126BeforeNarrowing) {
    const std::optional<std::uint8_t> result = ParseAddress(GetParam().text);
    ASSERT_EQ(result.has_value(), GetParam().expected.has_value()) << '"' << GetParam().text << '"';
    if (result) {
        EXPECT_EQ(*result, *GetParam().expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ParseAddressTest,
                         ::testing::Values(IntCase{"126", 126}, IntCase{"0", 0}, IntCase{"  5", 5},
                                           IntCase{"127", std::nullopt}, IntCase{"128", std::nullopt},
                                           IntCase{"300", std::nullopt}, IntCase{"-1", std::nullopt},
                                           IntCase{"382", std::nullopt}, IntCase{"-130", std::nullopt},
                                           IntCase{"12 ", std::nullopt}, IntCase{"x1", std::nullopt}));

TEST(FormatIntParam, PlainDecimal) {
    EXPECT_EQ(FormatIntParam(59999), "59999");
    EXPECT_EQ(FormatIntParam(-5), "-5");
    EXPECT_EQ(FormatIntParam(0), "0");
}

TEST(ConfigSwitches, BitsZeroToFiveOnly) {
    EXPECT_EQ(SwitchesFromConfig(0xC5), (ConfigSwitchItems{1, 0, 1, 0, 0, 0}));
    EXPECT_EQ(ConfigFromSwitches({1, 0, 1, 0, 0, 0}), 5);
    EXPECT_EQ(ConfigFromSwitches({0, 0, 0, 0, 0, 2}), 32);  // any item other than 0 sets the bit
    for (int config = 0; config < 256; ++config) {
        EXPECT_EQ(ConfigFromSwitches(SwitchesFromConfig(static_cast<std::uint8_t>(config))), config & 0x3F);
    }
}

}  // namespace
}  // namespace zt30
