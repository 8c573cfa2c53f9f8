// The chart's view: zoom and pan arithmetic at its limits, and the nearest point against a brute-force
// search.
#include "views/chart_view.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace zt30 {
namespace {

constexpr std::int64_t kStart = 1'767'254'400'000;
constexpr std::int64_t kFar = 100'000'000'000'000'000;  // the last time the axis labels
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(ChartViewportTest, TimeZoomStaysWithinItsLimits) {
    struct Case {
        TimeRange shown;
        double anchor;
        double factor;
        TimeRange expected;
    };
    const Case cases[] = {
        {{kStart, kStart + 100'000}, kStart + 25'000, 0.5, {kStart + 12'500, kStart + 62'500}},
        {{kStart, kStart + 4'000},
         kStart + 1'000,
         0.01,
         {kStart + 750, kStart + 1'750}},                               // a second at least
        {{0, 1'000'000}, 0.0, 1e30, {0, ChartViewport::kMaxTimeSpan}},  // a thousand years at most
        {{kFar - 10'000, kFar + 10'000}, kFar + 10'000, 0.5, {kFar - 10'000, kFar}},  // back on the axis
    };
    for (const Case& c : cases) {
        ChartViewport view;
        view.ZoomTime(c.shown, c.anchor, c.factor);
        EXPECT_EQ(view.Time(), c.expected) << c.shown.begin << " " << c.factor;
        EXPECT_FALSE(view.Live());
    }
    ChartViewport view;
    for (const double factor : {0.0, -1.0, kNaN}) {
        view.ZoomTime({kStart, kStart + 1000}, kStart, factor);
        view.ZoomValues({kStart, kStart + 1000}, {0.0, 1.0}, 0.5, factor);
    }
    view.ZoomValues({kStart, kStart + 1000}, {1.0, 1.0}, 1.0, 0.5);
    view.Pan({kStart, kStart + 1000}, std::numeric_limits<double>::infinity(), {0.0, 1.0}, 0.0);
    EXPECT_TRUE(view.Live());
}

TEST(ChartViewportTest, ValueZoomAndPanStayWithinWhatTheAxesCanShow) {
    ChartViewport view;
    const TimeRange shown{kStart, kStart + 60'000};
    view.ZoomValues(shown, {40.0, 90.0}, 50.0, 1e-30);  // a billionth of the values at least
    EXPECT_NEAR(view.Values()->max - view.Values()->min, 50.0 * 1e-9, 1e-13);
    EXPECT_EQ(view.Time(), shown);
    view.ZoomValues(shown, {-1.0, 1.0}, 0.0, 1e308);
    EXPECT_EQ(view.Values(), (ValueSpan{-5e299, 5e299}));
    // The whole 64-bit range (a series with hostile times) pans to a range the time axis can label.
    view.Pan({INT64_MIN, INT64_MAX}, 0.0, {0.0, 10.0}, 0.0);
    EXPECT_EQ(view.Time(), (TimeRange{-kFar, kFar}));
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
                const double d = std::pow(m.XOf(series.X(i)) - px, 2) + std::pow(m.YOf(v) - py, 2);
                if (d < best) {
                    best = d;
                    expected = i;
                }
            }
            ASSERT_EQ(NearestPoint(series, m, px, py), expected) << "round " << round << " probe " << probe;
        }
    }
}

}  // namespace
}  // namespace zt30
