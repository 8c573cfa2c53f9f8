// The chart's view: zoom and pan arithmetic with its limits, the pixel mapping and its inverse, the nearest
// point against a brute-force search, and the ticks of a zoomed value axis.
#include "views/chart_view.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "views/chart_scale.h"

namespace zt30 {
namespace {

constexpr std::int64_t kStart = 1'767'254'400'000;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(PlotMappingTest, TimesAndValuesComeBackFromTheirPixels) {
    const PlotMapping mappings[] = {
        {50, 20, 600, 300, {kStart, kStart + 600'001}, {-10.0, 90.0}},
        {0, 0, 7, 2, {-5, 30}, {1e-6, 2e-6}},
        {3, 9, 997, 451, {kStart, kStart + 86'400'000}, {-1e200, 1e200}},
    };
    for (const PlotMapping& m : mappings) {
        for (int column = 0; column < m.width; column += 1 + m.width / 50) {
            // The time at a column's centre lies in that column, which XOf gives back.
            const double centre = m.left + column + 0.5;
            const auto t = static_cast<std::int64_t>(std::floor(m.TimeAt(centre)));
            EXPECT_DOUBLE_EQ(m.XOf(t), centre) << column;
        }
        for (const double share : {0.0, 0.25, 0.5, 1.0}) {
            const double v = m.values.min + share * (m.values.max - m.values.min);
            EXPECT_NEAR(m.ValueAt(m.YOf(v)), v, 1e-9 * (m.values.max - m.values.min));
        }
        EXPECT_DOUBLE_EQ(m.YOf(m.values.max), m.top + 0.5);
        EXPECT_DOUBLE_EQ(m.YOf(m.values.min), m.top + m.height - 0.5);
    }
}

struct TimeZoomCase {
    const char* name;
    TimeRange shown;
    double anchor;
    double factor;
    TimeRange expected;
};

class TimeZoomTest : public ::testing::TestWithParam<TimeZoomCase> {};

TEST_P(TimeZoomTest, AnchorKeepsItsShareOfTheSpan) {
    const TimeZoomCase& c = GetParam();
    ChartViewport view;
    view.ZoomTime(c.shown, c.anchor, c.factor);
    ASSERT_TRUE(view.Time().has_value());
    EXPECT_EQ(*view.Time(), c.expected);
    EXPECT_FALSE(view.Live());
    EXPECT_FALSE(view.Values().has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Views, TimeZoomTest,
    ::testing::Values(
        TimeZoomCase{"HalfAboutTheMiddle",
                     {kStart, kStart + 100'000},
                     kStart + 50'000,
                     0.5,
                     {kStart + 25'000, kStart + 75'000}},
        TimeZoomCase{"HalfAboutAQuarter",
                     {kStart, kStart + 100'000},
                     kStart + 25'000,
                     0.5,
                     {kStart + 12'500, kStart + 62'500}},
        TimeZoomCase{"DoubleAboutTheEnd",
                     {kStart, kStart + 100'000},
                     kStart + 100'000,
                     2.0,
                     {kStart - 100'000, kStart + 100'000}},
        TimeZoomCase{"NoNarrowerThanASecond",
                     {kStart, kStart + 4'000},
                     kStart + 1'000,
                     0.01,
                     {kStart + 750, kStart + 1'750}},
        TimeZoomCase{
            "NoWiderThanAThousandYears", {0, 1'000'000}, 0.0, 1e30, {0, ChartViewport::kMaxTimeSpan}},
        // A range out at the end of the time axis is brought back to where it has ticks.
        TimeZoomCase{"BeyondTheAxis",
                     {99'999'999'999'990'000, 100'000'000'000'010'000},
                     1.0000000000001e17,
                     0.5,
                     {100'000'000'000'000'000 - 10'000, 100'000'000'000'000'000}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ChartViewportTest, NonsenseZoomsAndPansChangeNothing) {
    ChartViewport view;
    for (const double factor : {0.0, -1.0, kNaN}) {
        view.ZoomTime({kStart, kStart + 1000}, kStart, factor);
        view.ZoomValues({kStart, kStart + 1000}, {0.0, 1.0}, 0.5, factor);
    }
    view.ZoomTime({kStart, kStart + 10'000}, kNaN, 0.5);
    view.ZoomValues({kStart, kStart + 10'000}, {1.0, 1.0}, 1.0, 0.5);
    view.Pan({kStart, kStart}, 10.0, {0.0, 1.0}, 0.0);
    view.Pan({kStart, kStart + 1000}, std::numeric_limits<double>::infinity(), {0.0, 1.0}, 0.0);
    EXPECT_TRUE(view.Live());
}

TEST(ChartViewportTest, ValueZoomFixesBothAxesAndKeepsTheAnchor) {
    ChartViewport view;
    const TimeRange shown{kStart, kStart + 60'000};
    view.ZoomValues(shown, {0.0, 100.0}, 80.0, 0.5);
    EXPECT_FALSE(view.Live());
    EXPECT_EQ(view.Time(), shown);
    EXPECT_EQ(view.Values(), (ValueSpan{40.0, 90.0}));
    // Zooming the time afterwards keeps the zoomed values.
    view.ZoomTime(shown, kStart + 30'000, 0.5);
    EXPECT_EQ(view.Values(), (ValueSpan{40.0, 90.0}));
    // No narrower than a billionth of the values, no wider than the axis can label.
    view.ZoomValues(shown, {40.0, 90.0}, 50.0, 1e-30);
    EXPECT_NEAR(view.Values()->max - view.Values()->min, 50.0 * 1e-9, 1e-13);
    view.ZoomValues(shown, {-1.0, 1.0}, 0.0, 1e308);
    EXPECT_TRUE(std::isfinite(view.Values()->min) && std::isfinite(view.Values()->max));
    EXPECT_LT(view.Values()->min, view.Values()->max);
    view.ReturnToLive();
    EXPECT_TRUE(view.Live());
    EXPECT_FALSE(view.Time().has_value());
    EXPECT_FALSE(view.Values().has_value());
}

TEST(ChartViewportTest, PanMovesTheTimesAndZoomedValuesOnly) {
    ChartViewport view;
    view.Pan({kStart, kStart + 60'000}, -1'500.4, {0.0, 10.0}, 3.0);
    EXPECT_EQ(view.Time(), (TimeRange{kStart - 1'500, kStart + 58'500}));
    EXPECT_FALSE(view.Values().has_value());  // fitted values stay fitted
    view.ZoomValues(*view.Time(), {0.0, 10.0}, 5.0, 1.0);
    view.Pan(*view.Time(), 500.0, {0.0, 10.0}, 3.0);
    EXPECT_EQ(view.Time(), (TimeRange{kStart - 1'000, kStart + 59'000}));
    EXPECT_EQ(view.Values(), (ValueSpan{3.0, 13.0}));
    // The whole 64-bit range (a series with hostile times) pans to a range the axis can show.
    view.Pan({INT64_MIN, INT64_MAX}, 0.0, {0.0, 10.0}, 0.0);
    EXPECT_GE(view.Time()->begin, -100'000'000'000'000'000);
    EXPECT_LE(view.Time()->end, 100'000'000'000'000'000);
    EXPECT_LT(view.Time()->begin, view.Time()->end);
}

// The nearest point of random series against every point tried one by one.
TEST(NearestPointTest, MatchesABruteForceSearch) {
    std::mt19937 random(5);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int round = 0; round < 200; ++round) {
        ChartSeries series;
        const int count = 1 + static_cast<int>(unit(random) * (round % 2 == 0 ? 30 : 3000));
        std::int64_t x = kStart;
        for (int i = 0; i < count; ++i) {
            x += static_cast<std::int64_t>(unit(random) * 3000);  // also several at one time
            series.Add(x, unit(random) < 0.05 ? kNaN : unit(random) * 100.0, kColorRed);
        }
        const std::int64_t first = series.X(0);
        const std::int64_t last = series.X(series.Count() - 1);
        PlotMapping m{40, 10, 200 + round, 150 + round % 7, {first, last + 1}, {0.0, 100.0}};
        if (round % 3 == 1) {  // zoomed: only part of the points shown
            m.time = {first + (last - first) / 3, first + (last - first) / 2 + 1};
            m.values = {20.0, 70.0};
        }
        for (int probe = 0; probe < 20; ++probe) {
            const double px = m.left - 5 + unit(random) * (m.width + 10);
            const double py = m.top - 5 + unit(random) * (m.height + 10);
            std::optional<std::size_t> expected;
            double best = std::numeric_limits<double>::infinity();
            for (std::size_t i = 0; i < series.Count(); ++i) {
                const double v = series.Y(i);
                if (series.X(i) < m.time.begin || series.X(i) >= m.time.end || !std::isfinite(v) ||
                    v < m.values.min || v > m.values.max) {
                    continue;
                }
                const double dx = m.XOf(series.X(i)) - px;
                const double dy = m.YOf(v) - py;
                if (dx * dx + dy * dy < best) {
                    best = dx * dx + dy * dy;
                    expected = i;
                }
            }
            ASSERT_EQ(NearestPoint(series, m, px, py), expected) << "round " << round << " probe " << probe;
        }
    }
    EXPECT_FALSE(NearestPoint(ChartSeries(), PlotMapping{}, 0.0, 0.0).has_value());
}

struct FixedTicksCase {
    double min;
    double max;
    int maxTicks;
    double step;
    double first;
    int count;
};

class FixedValueTicksTest : public ::testing::TestWithParam<FixedTicksCase> {};

TEST_P(FixedValueTicksTest, TicksWithinTheExactEnds) {
    const FixedTicksCase& c = GetParam();
    const ValueTicks ticks = FixedValueTicks(c.min, c.max, c.maxTicks);
    EXPECT_EQ(ticks.axisMin, c.min);
    EXPECT_EQ(ticks.axisMax, c.max);
    EXPECT_DOUBLE_EQ(ticks.step, c.step);
    EXPECT_DOUBLE_EQ(ticks.first, c.first);
    EXPECT_EQ(ticks.count, c.count);
    for (int k = 0; k < ticks.count; ++k) {
        EXPECT_GE(ticks.Tick(k), c.min - 1e-9 * c.step);
        EXPECT_LE(ticks.Tick(k), c.max + 1e-9 * c.step);
    }
}

INSTANTIATE_TEST_SUITE_P(Views, FixedValueTicksTest,
                         ::testing::Values(FixedTicksCase{47.3, 53.9, 10, 1.0, 48.0, 6},
                                           FixedTicksCase{-0.37, 0.41, 4, 0.2, -0.2, 4},
                                           FixedTicksCase{10.0, 20.0, 5, 2.0, 10.0, 6},
                                           FixedTicksCase{1.00001, 1.00009, 4, 0.00002, 1.00002, 4},
                                           // Narrower than its one step: no tick inside.
                                           FixedTicksCase{0.31, 0.39, 1, 0.1, 0.4, 0}));

}  // namespace
}  // namespace zt30
