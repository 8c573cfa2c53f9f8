// The chart's CSV export: ISO 8601 times over the whole 64-bit range, value texts that read back as the
// same number, and the file's exact bytes for both field separators.
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

constexpr std::int64_t kStart = 1'767'254'400'000;  // 2026-01-01 08:00 local

TEST(CsvTimeTest, IsoLocalTimeOverTheWholeRange) {
    const std::pair<std::int64_t, const char*> cases[] = {
        {0, "1970-01-01T00:00:00.000"},
        {-1, "1969-12-31T23:59:59.999"},
        {kStart + 1'234, "2026-01-01T08:00:01.234"},
        {1'709'210'096'789, "2024-02-29T12:34:56.789"},
        {1'740'787'199'999, "2025-02-28T23:59:59.999"},
        {951'782'400'000, "2000-02-29T00:00:00.000"},
        {253'402'300'799'999, "9999-12-31T23:59:59.999"},
        {253'402'300'800'000, "+10000-01-01T00:00:00.000"},
        {-62'167'219'200'000, "0000-01-01T00:00:00.000"},
        {-62'167'219'200'001, "-0001-12-31T23:59:59.999"},
        {-62'198'755'200'000, "-0001-01-01T00:00:00.000"},
        {INT64_MAX, "+292278994-08-17T07:12:55.807"},
        {INT64_MIN, "-292275055-05-16T16:47:04.192"},
    };
    for (const auto& [x, text] : cases) {
        EXPECT_EQ(IsoLocalTime(x), text) << x;
    }
}

TEST(CsvValueTest, FewestDigitsWithTheDecimalMark) {
    struct Case {
        double value;
        const char* point;
        const char* comma;
    };
    const Case cases[] = {
        {12.5, "12.5", "12,5"},
        {static_cast<float>(0.1), "0.1", "0,1"},  // the instrument's single precision, as it was sent
        {0.1, "0.1", "0,1"},
        {1.0 / 3.0, "0.3333333333333333", "0,3333333333333333"},
        {static_cast<float>(123456.789), "123456.79", "123456,79"},
        {-3.0, "-3", "-3"},
        {-0.0, "0", "0"},
        {0.0001, "0.0001", "0,0001"},
        {0.00001, "1e-05", "1e-05"},
        {static_cast<float>(1.5e-7), "1.5e-07", "1,5e-07"},
        {999'999'999'999'999.0, "999999999999999", "999999999999999"},
        {1e15, "1e+15", "1e+15"},
        {std::numeric_limits<float>::max(), "3.4028235e+38", "3,4028235e+38"},
        {1e300, "1e+300", "1e+300"},
        {std::numeric_limits<double>::quiet_NaN(), "", ""},
        {std::numeric_limits<double>::infinity(), "", ""},
        {-std::numeric_limits<double>::infinity(), "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CsvValueText(c.value, '.'), c.point) << c.value;
        EXPECT_EQ(CsvValueText(c.value, ','), c.comma) << c.value;
    }
}

// Whatever the number, the text reads back as it: as a double, or as a float when it is one.
TEST(CsvValueTest, TextsReadBackAsTheSameNumber) {
    std::mt19937_64 random(11);
    std::uniform_int_distribution<std::uint64_t> bits;
    for (int i = 0; i < 20'000; ++i) {
        double value = 0.0;
        const std::uint64_t pattern = bits(random);
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
            EXPECT_EQ(text, "");
            continue;
        }
        const bool single = std::abs(value) <= std::numeric_limits<float>::max() &&
                            static_cast<double>(static_cast<float>(value)) == value;
        if (single) {
            ASSERT_EQ(std::strtof(text.c_str(), nullptr), static_cast<float>(value)) << text;
        } else {
            ASSERT_EQ(std::strtod(text.c_str(), nullptr), value) << text;
        }
        ASSERT_LE(text.size(), 24u) << text;
    }
}

TEST(CsvFormatTest, SeparatorFollowsTheDecimalMark) {
    EXPECT_EQ(CsvFormatFor('.'), (CsvFormat{',', '.'}));
    EXPECT_EQ(CsvFormatFor(','), (CsvFormat{';', ','}));
    EXPECT_EQ(CsvFormatFor('\''), (CsvFormat{';', '\''}));
}

TEST(ChartCsvTest, HeaderThenOnePointALineForTheRangeAsked) {
    ChartSeries series;
    series.Add(kStart, 1.25, kColorRed);
    series.Add(kStart + 1'000, -2.0, kColorRed);
    series.Add(kStart + 2'500, std::numeric_limits<double>::quiet_NaN(), kColorRed);
    series.Add(kStart + 3'000, 1e20, kColorRed);
    EXPECT_EQ(ChartCsv(series, 0, 99, CsvFormatFor(',')),
              "\xEF\xBB\xBF"
              "Čas;Naměřená hodnota\r\n"
              "2026-01-01T08:00:00.000;1,25\r\n"
              "2026-01-01T08:00:01.000;-2\r\n"
              "2026-01-01T08:00:02.500;\r\n"
              "2026-01-01T08:00:03.000;1e+20\r\n");
    EXPECT_EQ(ChartCsv(series, 1, 3, CsvFormatFor('.')),
              "\xEF\xBB\xBF"
              "Čas,Naměřená hodnota\r\n"
              "2026-01-01T08:00:01.000,-2\r\n"
              "2026-01-01T08:00:02.500,\r\n");
    EXPECT_EQ(ChartCsv(series, 3, 2, CsvFormatFor('.')),
              "\xEF\xBB\xBF"
              "Čas,Naměřená hodnota\r\n");
    EXPECT_EQ(ChartCsv(ChartSeries(), 0, 10, CsvFormatFor(',')),
              "\xEF\xBB\xBF"
              "Čas;Naměřená hodnota\r\n");
}

}  // namespace
}  // namespace zt30
