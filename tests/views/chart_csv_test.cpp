// The chart's CSV texts: ISO 8601 times over the whole 64-bit range, and value texts with the fewest digits
// that read back as the same number.
#include "views/chart_csv.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace zt30 {
namespace {

TEST(CsvTextTest, IsoLocalTimeOverTheWholeRange) {
    const std::pair<std::int64_t, const char*> cases[] = {
        {0, "1970-01-01T00:00:00.000"},
        {-1, "1969-12-31T23:59:59.999"},
        {1'709'210'096'789, "2024-02-29T12:34:56.789"},
        {253'402'300'800'000, "+10000-01-01T00:00:00.000"},
        {-62'167'219'200'001, "-0001-12-31T23:59:59.999"},
        {INT64_MAX, "+292278994-08-17T07:12:55.807"},
        {INT64_MIN, "-292275055-05-16T16:47:04.192"},
    };
    for (const auto& [x, text] : cases) {
        EXPECT_EQ(IsoLocalTime(x), text) << x;
    }
}

TEST(CsvTextTest, ValuesWithTheDecimalMark) {
    const std::pair<double, const char*> cases[] = {
        {static_cast<float>(0.1), "0,1"},  // the instrument's single precision, as it was sent
        {1.0 / 3.0, "0,3333333333333333"},
        {-0.0, "0"},
        {0.00001, "1e-05"},
        {static_cast<float>(1.5e-7), "1,5e-07"},
        {1e15, "1e+15"},
        {std::numeric_limits<double>::quiet_NaN(), ""},
        {-std::numeric_limits<double>::infinity(), ""},
    };
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(CsvValueText(value, ','), text) << value;
    }
    EXPECT_EQ(CsvFormatFor('.'), (CsvFormat{',', '.'}));
    EXPECT_EQ(CsvFormatFor(','), (CsvFormat{';', ','}));
}

// Whatever the number, the text reads back as it: as a double, or as a float when it is one.
TEST(CsvTextTest, ValuesReadBackAsTheSameNumber) {
    std::mt19937_64 random(11);
    for (int i = 0; i < 20'000; ++i) {
        // Any bit pattern of a double, or of a float.
        const std::uint64_t pattern = random();
        double value = 0.0;
        if (i % 2 == 0) {
            std::memcpy(&value, &pattern, sizeof value);
        } else {
            float single = 0.0f;
            const auto half = static_cast<std::uint32_t>(pattern);
            std::memcpy(&single, &half, sizeof single);
            value = single;
        }
        const std::string text = CsvValueText(value, '.');
        if (!std::isfinite(value)) {
            ASSERT_EQ(text, "");
        } else if (std::abs(value) <= std::numeric_limits<float>::max() &&
                   static_cast<double>(static_cast<float>(value)) == value) {
            ASSERT_EQ(std::strtof(text.c_str(), nullptr), static_cast<float>(value)) << text;
        } else {
            ASSERT_EQ(std::strtod(text.c_str(), nullptr), value) << text;
        }
    }
}

}  // namespace
}  // namespace zt30
