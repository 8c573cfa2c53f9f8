// The chart's point store against a plain sorted deque: order, insertion of earlier points, removal of the
// earliest, and the value range of any run of points, at the chart's full size of 100,000 points.
#include "views/chart_series.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>
#include <random>
#include <vector>

namespace zt30 {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// The reference: a deque kept sorted by x, an earlier point going after the points with the same x.
struct Reference {
    std::deque<ChartPoint> points;

    void Add(std::int64_t x, double y, ToolkitColor color) {
        const auto at = std::upper_bound(points.begin(), points.end(), x,
                                         [](std::int64_t value, const ChartPoint& p) { return value < p.x; });
        points.insert(at, {x, y, color});
    }
    void RemoveFirst() { points.pop_front(); }
    ValueRange Range(std::size_t begin, std::size_t end) const {
        ValueRange range;
        for (std::size_t i = begin; i < end && i < points.size(); ++i) {
            if (std::isfinite(points[i].y)) {
                range.Include({points[i].y, points[i].y});
            }
        }
        return range;
    }
};

void ExpectSame(const ChartSeries& series, const Reference& reference) {
    ASSERT_EQ(series.Count(), reference.points.size());
    for (std::size_t i = 0; i < series.Count(); ++i) {
        ASSERT_EQ(series.At(i).x, reference.points[i].x) << "at " << i;
        ASSERT_EQ(series.At(i).color, reference.points[i].color) << "at " << i;
        const double y = series.Y(i);
        ASSERT_TRUE(y == reference.points[i].y || (std::isnan(y) && std::isnan(reference.points[i].y)))
            << "at " << i;
    }
}

void ExpectRange(const ValueRange& actual, const ValueRange& expected, std::size_t begin, std::size_t end) {
    ASSERT_EQ(actual.Empty(), expected.Empty()) << "[" << begin << ", " << end << ")";
    if (!expected.Empty()) {
        ASSERT_EQ(actual.min, expected.min) << "[" << begin << ", " << end << ")";
        ASSERT_EQ(actual.max, expected.max) << "[" << begin << ", " << end << ")";
    }
}

TEST(ChartSeriesTest, FullChartDropsItsEarliestPointAsEachNewOneArrivesInConstantSpace) {
    ChartSeries series;
    constexpr std::int64_t kLimit = 100'000;
    for (std::int64_t i = 0; i <= kLimit; ++i) {
        series.Add(i * 1000, static_cast<double>(i), static_cast<ToolkitColor>(i));
    }
    const std::size_t capacity = series.Capacity();
    EXPECT_LE(capacity, 131'072u);
    // Three times round the buffer: the earliest always leaves, the order never breaks, no slot is added.
    for (std::int64_t i = kLimit + 1; i < 4 * kLimit; ++i) {
        ASSERT_TRUE(series.RemoveFirst());
        ASSERT_EQ(series.Add(i * 1000, static_cast<double>(i), static_cast<ToolkitColor>(i)),
                  static_cast<std::size_t>(kLimit));
    }
    EXPECT_EQ(series.Capacity(), capacity);
    ASSERT_EQ(series.Count(), static_cast<std::size_t>(kLimit + 1));
    for (std::size_t i = 0; i < series.Count(); ++i) {
        const std::int64_t expected = 3 * kLimit - 1 + static_cast<std::int64_t>(i);
        ASSERT_EQ(series.At(i), (ChartPoint{expected * 1000, static_cast<double>(expected),
                                            static_cast<ToolkitColor>(expected)}));
    }
    ExpectRange(series.FiniteRange(0, series.Count()), {3.0 * kLimit - 1, 4.0 * kLimit - 1}, 0,
                series.Count());
}

TEST(ChartSeriesTest, EmptySeriesHasNothingToRemoveAndIsReusedAfterClear) {
    ChartSeries series;
    EXPECT_FALSE(series.RemoveFirst());
    EXPECT_TRUE(series.FiniteRange(0, 10).Empty());
    EXPECT_EQ(series.LowerBound(5), 0u);
    for (int i = 0; i < 1000; ++i) {
        series.Add(i, i, kColorRed);
    }
    series.Clear();
    EXPECT_EQ(series.Count(), 0u);
    EXPECT_FALSE(series.RemoveFirst());
    series.Add(7, 3.5, kColorWhite);
    EXPECT_EQ(series.At(0), (ChartPoint{7, 3.5, kColorWhite}));
    ExpectRange(series.FiniteRange(0, 1), {3.5, 3.5}, 0, 1);
}

// A clock set back puts a point among the earlier ones; the earliest point is still the one removed.
struct Insertion {
    const char* name;
    std::int64_t x;  // the new point's time, the others being 0, 10, 20, ... 90
};

class ChartSeriesInsertionTest : public ::testing::TestWithParam<Insertion> {};

TEST_P(ChartSeriesInsertionTest, EarlierPointGoesInPlaceAfterEqualTimes) {
    ChartSeries series;
    Reference reference;
    for (std::int64_t x = 0; x < 100; x += 10) {
        series.Add(x, static_cast<double>(x), kColorRed);
        reference.Add(x, static_cast<double>(x), kColorRed);
    }
    series.Add(GetParam().x, -1.0, kColorWhite);
    reference.Add(GetParam().x, -1.0, kColorWhite);
    ExpectSame(series, reference);
    series.RemoveFirst();
    reference.RemoveFirst();
    ExpectSame(series, reference);
}

INSTANTIATE_TEST_SUITE_P(Times, ChartSeriesInsertionTest,
                         ::testing::Values(Insertion{"BeforeAll", -5}, Insertion{"EqualToFirst", 0},
                                           Insertion{"InFrontHalf", 15}, Insertion{"EqualInFrontHalf", 30},
                                           Insertion{"InBackHalf", 75}, Insertion{"EqualToLast", 90},
                                           Insertion{"AfterAll", 95}),
                         [](const auto& info) { return std::string(info.param.name); });

// Random work on a store that has wrapped round its buffer: appends, earlier points, removals, non-finite
// values; after each step the points and the value range of random runs match the reference.
class ChartSeriesRandomTest : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(ChartSeriesRandomTest, MatchesSortedReference) {
    std::mt19937 random(GetParam());
    ChartSeries series;
    Reference reference;
    std::int64_t now = 0;
    const auto value = [&]() {
        const int kind = std::uniform_int_distribution<int>(0, 49)(random);
        if (kind == 0) {
            return kNaN;
        }
        if (kind <= 2) {
            return kind == 1 ? kInf : -kInf;
        }
        return std::uniform_real_distribution<double>(-1e6, 1e6)(random);
    };
    for (int step = 0; step < 6000; ++step) {
        const int action = std::uniform_int_distribution<int>(0, 99)(random);
        if (action < 55) {
            now += std::uniform_int_distribution<int>(0, 3)(random);
            const double y = value();
            series.Add(now, y, static_cast<ToolkitColor>(step));
            reference.Add(now, y, static_cast<ToolkitColor>(step));
        } else if (action < 65 && !reference.points.empty()) {
            const std::int64_t x = now - std::uniform_int_distribution<std::int64_t>(0, now + 1)(random);
            const double y = value();
            series.Add(x, y, static_cast<ToolkitColor>(step));
            reference.Add(x, y, static_cast<ToolkitColor>(step));
        } else if (!reference.points.empty()) {
            ASSERT_TRUE(series.RemoveFirst());
            reference.RemoveFirst();
        }
        if (step % 7 == 0) {
            const std::size_t count = reference.points.size() + 1;
            for (int query = 0; query < 3; ++query) {
                std::size_t begin = std::uniform_int_distribution<std::size_t>(0, count)(random);
                std::size_t end = std::uniform_int_distribution<std::size_t>(0, count)(random);
                if (begin > end) {
                    std::swap(begin, end);
                }
                ExpectRange(series.FiniteRange(begin, end), reference.Range(begin, end), begin, end);
                const std::int64_t x = std::uniform_int_distribution<std::int64_t>(-2, now + 2)(random);
                const auto expected =
                    std::lower_bound(reference.points.begin(), reference.points.end(), x,
                                     [](const ChartPoint& p, std::int64_t v) { return p.x < v; });
                ASSERT_EQ(series.LowerBound(x),
                          static_cast<std::size_t>(expected - reference.points.begin()));
            }
        }
    }
    ExpectSame(series, reference);
}

INSTANTIATE_TEST_SUITE_P(Seeds, ChartSeriesRandomTest, ::testing::Values(1u, 2u, 3u, 4u, 5u));

TEST(ChartSeriesTest, ValueRangeOfRunsOfAFullWrappedStore) {
    std::mt19937 random(11);
    std::uniform_real_distribution<double> values(-1000.0, 1000.0);
    ChartSeries series;
    Reference reference;
    for (std::int64_t i = 0; i < 100'001; ++i) {
        const double y = i % 997 == 0 ? kNaN : values(random);
        series.Add(i, y, kColorRed);
        reference.points.push_back({i, y, kColorRed});
    }
    for (std::int64_t i = 100'001; i < 160'000; ++i) {
        const double y = values(random);
        series.RemoveFirst();
        series.Add(i, y, kColorRed);
        reference.RemoveFirst();
        reference.points.push_back({i, y, kColorRed});
        if (i % 9973 == 0) {
            // Now and then an earlier point, as when the clock is set back by a minute.
            series.Add(i - 60, -5000.0, kColorWhite);
            reference.Add(i - 60, -5000.0, kColorWhite);
        }
    }
    for (int query = 0; query < 300; ++query) {
        std::size_t begin = std::uniform_int_distribution<std::size_t>(0, series.Count())(random);
        std::size_t end = std::uniform_int_distribution<std::size_t>(begin, series.Count())(random);
        ExpectRange(series.FiniteRange(begin, end), reference.Range(begin, end), begin, end);
    }
    ExpectSame(series, reference);
}

}  // namespace
}  // namespace zt30
