// The chart's pixel-column reduction, ribbon geometry and axis scales, each against a brute-force
// reference or a table of hand-worked cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "views/chart_columns.h"
#include "views/chart_ribbon.h"
#include "views/chart_scale.h"

namespace zt30 {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(ColumnEdgeTest, SplitsAnyRangeExactlyAndInOrder) {
    const TimeRange ranges[] = {{0, 1000},
                                {-7, 3},
                                {1'767'254'400'000, 1'767'340'800'001},
                                {INT64_MIN, INT64_MAX},
                                {INT64_MAX - 5, INT64_MAX}};
    for (const TimeRange range : ranges) {
        for (const int columns : {1, 3, 997, 4096}) {
            EXPECT_EQ(ColumnEdge(range, columns, 0), range.begin);
            EXPECT_EQ(ColumnEdge(range, columns, columns), range.end);
            for (int c = 0; c < columns; ++c) {
                ASSERT_LE(ColumnEdge(range, columns, c), ColumnEdge(range, columns, c + 1));
            }
        }
    }
    // A second over ten columns: 100 ms each.
    EXPECT_EQ(ColumnEdge({5000, 6000}, 10, 3), 5300);
}

// Brute force: each point of the range goes to the column whose edges enclose it.
ColumnReduction ReferenceReduction(const ChartSeries& series, TimeRange range, int columns) {
    std::vector<std::int64_t> edges;
    for (int c = 0; c <= columns; ++c) {
        edges.push_back(ColumnEdge(range, columns, c));
    }
    ColumnReduction out;
    for (std::size_t i = 0; i < series.Count(); ++i) {
        const std::int64_t x = series.X(i);
        if (x < range.begin) {
            out.before = i;
            continue;
        }
        if (x >= range.end) {
            if (!out.after) {
                out.after = i;
            }
            continue;
        }
        const int column =
            static_cast<int>(std::upper_bound(edges.begin(), edges.end(), x) - edges.begin()) - 1;
        if (out.columns.empty() || out.columns.back().column != column) {
            out.columns.push_back({column, i, i, {}});
        }
        ColumnSummary& summary = out.columns.back();
        summary.last = i;
        const double y = series.Y(i);
        if (std::isfinite(y)) {
            summary.values.Include({y, y});
            out.values.Include({y, y});
        }
    }
    return out;
}

struct ReductionCase {
    const char* name;
    int points;
    int columns;
    int maxStep;      // time between neighbouring points: 0 to maxStep milliseconds
    double viewFrom;  // the range shown, as fractions of the data's time span
    double viewTo;
};

class ReduceColumnsTest : public ::testing::TestWithParam<ReductionCase> {};

TEST_P(ReduceColumnsTest, MatchesBruteForce) {
    const ReductionCase& param = GetParam();
    std::mt19937 random(static_cast<std::uint32_t>(param.points + param.columns));
    ChartSeries series;
    std::int64_t x = 1'767'254'400'000;
    // Start from a wrapped buffer, as a chart that has been running for a while has.
    for (int i = 0; i < param.points / 3; ++i) {
        series.Add(x - 1'000'000, 0.0, kColorWhite);
    }
    for (int i = 0; i < param.points; ++i) {
        x += std::uniform_int_distribution<int>(0, param.maxStep)(random);
        const double y = i % 101 == 7 ? kNaN : std::uniform_real_distribution<double>(-50.0, 50.0)(random);
        series.Add(x, y, static_cast<ToolkitColor>(std::uniform_int_distribution<int>(0, 3)(random)));
        if (i % 3 == 0 && series.X(0) < 1'767'254'400'000) {
            series.RemoveFirst();
        }
    }
    while (series.X(0) < 1'767'254'400'000) {
        series.RemoveFirst();
    }
    const double first = static_cast<double>(series.X(0));
    const double span = static_cast<double>(series.X(series.Count() - 1) + 1) - first;
    const TimeRange range{static_cast<std::int64_t>(first + param.viewFrom * span),
                          static_cast<std::int64_t>(first + param.viewTo * span) + 1};

    ColumnReduction actual;
    ReduceColumns(series, range, param.columns, actual);
    const ColumnReduction expected = ReferenceReduction(series, range, param.columns);
    ASSERT_EQ(actual.columns.size(), expected.columns.size());
    for (std::size_t i = 0; i < expected.columns.size(); ++i) {
        ASSERT_EQ(actual.columns[i], expected.columns[i]) << "column " << expected.columns[i].column;
    }
    EXPECT_EQ(actual.before, expected.before);
    EXPECT_EQ(actual.after, expected.after);
    EXPECT_EQ(actual.values.min, expected.values.min);
    EXPECT_EQ(actual.values.max, expected.values.max);
}

INSTANTIATE_TEST_SUITE_P(
    Data, ReduceColumnsTest,
    ::testing::Values(ReductionCase{"FullChartWholeRange", 100'000, 1000, 2000, 0.0, 1.0},
                      ReductionCase{"FullChartZoomedTenth", 100'000, 1000, 2000, 0.45, 0.55},
                      ReductionCase{"FewerPointsThanColumns", 200, 997, 2000, 0.0, 1.0},
                      ReductionCase{"ManyEqualTimes", 20'000, 300, 1, 0.0, 1.0},
                      ReductionCase{"ViewBeyondTheData", 5'000, 640, 1500, 0.8, 1.7},
                      ReductionCase{"ViewBeforeTheData", 5'000, 640, 1500, -0.5, -0.1},
                      ReductionCase{"OneColumn", 3'000, 1, 1000, 0.0, 1.0}),
    [](const auto& info) { return std::string(info.param.name); });

// Brute force for the sweep: the union of the raised spans of the window, column by column.
std::vector<PixelSpan> ReferenceSweep(const std::vector<PixelSpan>& front, int depth, float rise) {
    std::vector<PixelSpan> out(front.size() + static_cast<std::size_t>(depth));
    for (int x = 0; x < static_cast<int>(out.size()); ++x) {
        for (int k = std::max(0, x - depth); k <= x && k < static_cast<int>(front.size()); ++k) {
            const PixelSpan& span = front[static_cast<std::size_t>(k)];
            if (!span.Empty()) {
                out[static_cast<std::size_t>(x)].Include(span.top - static_cast<float>(x - k) * rise);
                out[static_cast<std::size_t>(x)].Include(span.bottom - static_cast<float>(x - k) * rise);
            }
        }
    }
    return out;
}

TEST(SweepSpansTest, MatchesBruteForceForAnyDepthAndGaps) {
    std::mt19937 random(5);
    for (const int depth : {0, 1, 7, 60, 400}) {
        for (const float rise : {1.0f, 0.5f}) {
            std::vector<PixelSpan> front(300);
            for (std::size_t k = 0; k < front.size(); ++k) {
                if (k % 37 < 30) {
                    const float a = static_cast<float>(std::uniform_int_distribution<int>(0, 500)(random));
                    const float b = static_cast<float>(std::uniform_int_distribution<int>(0, 500)(random));
                    front[k] = {std::min(a, b), std::max(a, b)};
                }
            }
            std::vector<PixelSpan> actual;
            SweepSpans(front, depth, rise, actual);
            const std::vector<PixelSpan> expected = ReferenceSweep(front, depth, rise);
            ASSERT_EQ(actual.size(), expected.size());
            for (std::size_t x = 0; x < expected.size(); ++x) {
                ASSERT_EQ(actual[x].Empty(), expected[x].Empty()) << "depth " << depth << " column " << x;
                if (!expected[x].Empty()) {
                    ASSERT_FLOAT_EQ(actual[x].top, expected[x].top) << "depth " << depth << " column " << x;
                    ASSERT_FLOAT_EQ(actual[x].bottom, expected[x].bottom)
                        << "depth " << depth << " column " << x;
                }
            }
        }
    }
}

TEST(AddSegmentTest, CoversTheColumnsCrossedAndKeepsTheFirstColourOfEachColumn) {
    std::vector<ColumnSpan> columns(10);
    // A point in column 2 (red) and the segment from it to a point in column 6 (white, value 18).
    AddSegment(columns, 2.5f, 10.0f, 2.5f, 10.0f, kColorRed);
    AddSegment(columns, 2.5f, 10.0f, 6.5f, 18.0f, kColorWhite);
    EXPECT_TRUE(columns[1].span.Empty());
    EXPECT_EQ(columns[2].span, (PixelSpan{10.0f, 11.0f}));
    EXPECT_EQ(columns[2].color, kColorRed);
    EXPECT_EQ(columns[3].span, (PixelSpan{11.0f, 13.0f}));
    EXPECT_EQ(columns[5].span, (PixelSpan{15.0f, 17.0f}));
    EXPECT_EQ(columns[6].span, (PixelSpan{17.0f, 18.0f}));
    for (const int k : {3, 4, 5, 6}) {
        EXPECT_EQ(columns[static_cast<std::size_t>(k)].color, kColorWhite) << k;
    }
    EXPECT_TRUE(columns[7].span.Empty());

    // Parts outside the columns are dropped, and so are non-finite ends.
    AddSegment(columns, -20.0f, 0.0f, 0.5f, 2.0f, kColorBlack);
    EXPECT_FLOAT_EQ(columns[0].span.top, 2.0f - 0.5f * 2.0f / 20.5f);
    AddSegment(columns, 8.5f, 1.0f, 50.0f, 1.0f, kColorBlack);
    EXPECT_EQ(columns[9].span, (PixelSpan{1.0f, 1.0f}));
    AddSegment(columns, 7.5f, std::numeric_limits<float>::quiet_NaN(), 7.5f, 3.0f, kColorBlack);
    EXPECT_TRUE(columns[7].span.Empty());
}

// Every pixel of the spans is covered exactly once, whatever the spans look like.
TEST(CoverColumnsTest, CoversEachPixelOfTheSpansOnce) {
    std::mt19937 random(9);
    for (const int shape : {0, 1, 2, 3}) {
        std::vector<PixelSpan> spans(400);
        float walk = 200.0f;
        for (std::size_t k = 0; k < spans.size(); ++k) {
            walk += std::uniform_real_distribution<float>(-3.0f, 3.0f)(random);
            const float height = shape == 0   ? 0.4f
                                 : shape == 1 ? 90.0f
                                 : shape == 2 ? 5.0f + (k % 7) * 20.0f
                                              : 40.0f;
            if (shape == 3 && k % 50 > 44) {
                continue;  // gaps between runs
            }
            // A ribbon's edges run diagonally: one row up per column.
            const float top = shape == 1 ? 400.0f - static_cast<float>(k) * 0.9f : walk;
            spans[k] = {top + 0.25f, top + height};
        }
        std::vector<PixelRect> rects{{-99, -99, 1, 1}};
        CoverColumns(spans, 10, rects);
        ASSERT_EQ(rects.front(), (PixelRect{-99, -99, 1, 1})) << "appends";
        std::vector<std::vector<int>> hits(spans.size(), std::vector<int>(700, 0));
        long filledRows = 0;
        for (std::size_t r = 1; r < rects.size(); ++r) {
            const PixelRect& rect = rects[r];
            ASSERT_GT(rect.width, 0);
            ASSERT_GT(rect.height, 0);
            filledRows += rect.height;
            for (int x = rect.x; x < rect.x + rect.width; ++x) {
                for (int y = rect.y; y < rect.y + rect.height; ++y) {
                    ASSERT_TRUE(x >= 10 && x < 410 && y >= 0 && y < 700) << x << "," << y;
                    ++hits[static_cast<std::size_t>(x - 10)][static_cast<std::size_t>(y)];
                }
            }
        }
        long spanRows = 0;
        for (std::size_t k = 0; k < spans.size(); ++k) {
            for (int y = 0; y < 700; ++y) {
                const bool inside = !spans[k].Empty() && y >= FirstRow(spans[k]) && y <= LastRow(spans[k]);
                ASSERT_EQ(hits[k][static_cast<std::size_t>(y)], inside ? 1 : 0)
                    << "shape " << shape << " column " << k << " row " << y;
                spanRows += inside ? 1 : 0;
            }
        }
        // Tall neighbouring spans share rectangles: far fewer rows are filled than one column at a time.
        if (shape == 1) {
            EXPECT_LT(filledRows * 3, spanRows);
        }
        EXPECT_LE(filledRows, spanRows);
    }
}

struct ValueTicksCase {
    double min;
    double max;
    int maxTicks;
    double axisMin;
    double axisMax;
    double step;
    int decimals;
};

class NiceValueTicksTest : public ::testing::TestWithParam<ValueTicksCase> {};

TEST_P(NiceValueTicksTest, ReadableStepsAroundTheData) {
    const ValueTicksCase& c = GetParam();
    const ValueTicks ticks = NiceValueTicks(c.min, c.max, c.maxTicks);
    EXPECT_DOUBLE_EQ(ticks.step, c.step);
    EXPECT_DOUBLE_EQ(ticks.axisMin, c.axisMin);
    EXPECT_DOUBLE_EQ(ticks.axisMax, c.axisMax);
    EXPECT_EQ(ticks.decimals, c.decimals);
    EXPECT_EQ(ticks.count, static_cast<int>(std::lround((ticks.axisMax - ticks.axisMin) / ticks.step)) + 1);
    EXPECT_LE(ticks.count, c.maxTicks + 2);
}

INSTANTIATE_TEST_SUITE_P(Values, NiceValueTicksTest,
                         ::testing::Values(ValueTicksCase{47.7, 53.3, 10, 47.0, 54.0, 1.0, 0},
                                           ValueTicksCase{0.0, 1.0, 5, 0.0, 1.0, 0.2, 1},
                                           ValueTicksCase{47.7, 53.3, 20, 47.5, 53.5, 0.5, 1},
                                           ValueTicksCase{-52.3, 127.9, 12, -60.0, 140.0, 20.0, 0},
                                           ValueTicksCase{0.0012, 0.0047, 8, 0.001, 0.005, 0.0005, 4},
                                           ValueTicksCase{12345.0, 98765.0, 4, 0.0, 100000.0, 50000.0, 0},
                                           // One value: a tenth of it either side; zero: one either side.
                                           ValueTicksCase{50.0, 50.0, 10, 45.0, 55.0, 1.0, 0},
                                           ValueTicksCase{0.0, 0.0, 4, -1.0, 1.0, 0.5, 1},
                                           // No data at all.
                                           ValueTicksCase{1.0, 0.0, 5, 0.0, 1.0, 0.2, 1}));

TEST(NiceValueTicksTest, ExtremeValuesGiveAFiniteAxis) {
    const double extremes[][2] = {
        {-1e308, 1e308},
        {-std::numeric_limits<double>::infinity(), 5.0},
        {1e-320, 1e-320},
        {std::numeric_limits<double>::lowest(), std::numeric_limits<double>::max()}};
    for (const auto& range : extremes) {
        const ValueTicks ticks = NiceValueTicks(range[0], range[1], 10);
        EXPECT_TRUE(std::isfinite(ticks.axisMin) && std::isfinite(ticks.axisMax))
            << range[0] << " " << range[1];
        EXPECT_GT(ticks.step, 0.0);
        EXPECT_LT(ticks.axisMin, ticks.axisMax);
        EXPECT_GE(ticks.count, 2);
        EXPECT_LE(ticks.count, 1001);
    }
}

struct TimeTicksCase {
    const char* name;
    std::int64_t begin;
    std::int64_t end;
    std::int64_t minStep;
    std::int64_t step;
    std::int64_t first;
    int count;
    TimeLabel label;
};

class NiceTimeTicksTest : public ::testing::TestWithParam<TimeTicksCase> {};

TEST_P(NiceTimeTicksTest, ClockStepsOnWholeTimes) {
    const TimeTicksCase& c = GetParam();
    const TimeTicks ticks = NiceTimeTicks(c.begin, c.end, c.minStep);
    EXPECT_EQ(ticks.step, c.step);
    EXPECT_EQ(ticks.first, c.first);
    EXPECT_EQ(ticks.count, c.count);
    EXPECT_EQ(ticks.label, c.label);
}

constexpr std::int64_t kDay0 = 20454 * kDayMs;  // 2026-01-01 00:00, a whole number of weeks after the epoch

INSTANTIATE_TEST_SUITE_P(
    Spans, NiceTimeTicksTest,
    ::testing::Values(
        TimeTicksCase{"OneMinuteOfReadings", kDay0 + 8 * kHourMs + 1500, kDay0 + 8 * kHourMs + 61'001, 4'200,
                      5'000, kDay0 + 8 * kHourMs + 5'000, 12, TimeLabel::Time},
        TimeTicksCase{"TwoHours", kDay0 + 9 * kHourMs, kDay0 + 11 * kHourMs + 1, 11 * kMinuteMs,
                      15 * kMinuteMs, kDay0 + 9 * kHourMs, 9, TimeLabel::Time},
        TimeTicksCase{"OverMidnight", kDay0 - 2 * kHourMs, kDay0 + 2 * kHourMs, 50 * kMinuteMs, kHourMs,
                      kDay0 - 2 * kHourMs, 4, TimeLabel::DateAndTime},
        TimeTicksCase{"Weeks", kDay0 + 5 * kHourMs, kDay0 + 40 * kDayMs, 3 * kDayMs, 7 * kDayMs,
                      kDay0 + 7 * kDayMs, 5, TimeLabel::Date},
        TimeTicksCase{"BeforeTheEpoch", -10'500, -1'000, 1'500, 2'000, -10'000, 5, TimeLabel::Time},
        TimeTicksCase{"Years", 0, 40 * 365 * kDayMs, 3 * 365 * kDayMs, 5 * 365 * kDayMs, 0, 8,
                      TimeLabel::Date},
        TimeTicksCase{"NoSpan", 5'000, 5'000, 1'000, 1'000, 0, 0, TimeLabel::Time},
        TimeTicksCase{"BeyondMillionsOfYears", INT64_MIN, INT64_MAX, kDayMs, 1'000, 0, 0, TimeLabel::Time}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zt30
