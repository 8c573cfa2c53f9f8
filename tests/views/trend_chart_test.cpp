// The trend chart rendered offscreen into images: where its colours go, the 3D projection, the colour of
// each segment and column, the legend's rows, the point limit rule, and the toolkit colour conversions.
#include "views/trend_chart_widget.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QRectF>
#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "views/chart_text_cache_qt.h"
#include "views/toolkit_color_qt.h"

namespace zt30 {
namespace {

constexpr std::int64_t kStart = 1'767'254'400'000;  // 2026-01-01 08:00
constexpr ToolkitColor kBlue = 0x00FF0000u;
const QColor kButtonFace(190, 230, 170);
const QColor kBase(200, 10, 150);

// A palette whose button face and base are colours nothing else paints.
QPalette DistinctPalette() {
    QPalette palette;
    palette.setColor(QPalette::Button, kButtonFace);
    palette.setColor(QPalette::Base, kBase);
    palette.setColor(QPalette::Window, QColor(90, 90, 250));
    palette.setColor(QPalette::Highlight, QColor(1, 2, 3));
    palette.setColor(QPalette::ButtonText, QColor(4, 5, 6));
    return palette;
}

QImage Render(TrendChart& chart) {
    QImage image(chart.size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    chart.render(&image);
    return image;
}

struct Pixels {
    int count = 0;
    QRect box;  // bounding box
    std::vector<int> columns;
};

Pixels Find(const QImage& image, const QColor& color) {
    Pixels found;
    const QRgb wanted = color.rgb();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) == wanted) {
                ++found.count;
                found.box |= QRect(x, y, 1, 1);
                if (std::find(found.columns.begin(), found.columns.end(), x) == found.columns.end()) {
                    found.columns.push_back(x);
                }
            }
        }
    }
    return found;
}

class TrendChartTest : public ::testing::Test {
protected:
    TrendChartTest() {
        chart.setPalette(DistinctPalette());
        chart.resize(500, 320);
    }

    TrendChart chart;
};

TEST(ToolkitColorTest, PlainColoursBothWays) {
    const std::pair<ToolkitColor, QColor> cases[] = {{0x000000FFu, QColor(255, 0, 0)},
                                                     {0x00FF0000u, QColor(0, 0, 255)},
                                                     {0x00336699u, QColor(0x99, 0x66, 0x33)},
                                                     {0x00FFFFFFu, QColor(255, 255, 255)},
                                                     {0x00000000u, QColor(0, 0, 0)}};
    for (const auto& [number, color] : cases) {
        EXPECT_EQ(ToQColor(number, QPalette()), color) << std::hex << number;
        EXPECT_EQ(ToToolkitColor(color), number) << std::hex << number;
    }
    // What a colour dialog can hand back: its alpha is dropped; an invalid colour is black.
    EXPECT_EQ(ToToolkitColor(QColor(0x12, 0x34, 0x56, 10)), 0x00563412u);
    EXPECT_EQ(ToToolkitColor(QColor::fromHsv(240, 255, 255)), 0x00FF0000u);
    EXPECT_EQ(ToToolkitColor(QColor()), kColorBlack);
    // A high byte other than the system flag is read as a plain colour.
    EXPECT_EQ(ToQColor(0x02336699u, QPalette()), QColor(0x99, 0x66, 0x33));
}

TEST(ToolkitColorTest, SystemColoursComeFromThePalette) {
    const QPalette palette = DistinctPalette();
    EXPECT_EQ(ToQColor(kColorButtonFace, palette), kButtonFace);
    EXPECT_EQ(ToQColor(SystemColor(SystemColorIndex::Window), palette), kBase);
    EXPECT_EQ(ToQColor(SystemColor(SystemColorIndex::Highlight), palette), QColor(1, 2, 3));
    EXPECT_EQ(ToQColor(SystemColor(SystemColorIndex::ButtonText), palette), QColor(4, 5, 6));
    EXPECT_EQ(ToQColor(0x800000FFu, palette), QColor(90, 90, 250));  // unknown index: the window colour
}

// Legend texts come from the instrument's values through the owner's formatter: markup is never read.
TEST(ChartTextCacheTest, TextsArePlainAndFollowTheFont) {
    ChartTextCache cache;
    QFont font;
    font.setPixelSize(12);
    cache.SetFont(font);
    const double plain = cache.Width(QStringLiteral("12"));
    EXPECT_EQ(cache.Get(QStringLiteral("<b>12</b>")).textFormat(), Qt::PlainText);
    EXPECT_GT(cache.Width(QStringLiteral("<b>12</b>")), 3 * plain);
    cache.EndPaint();
    font.setPixelSize(24);
    cache.SetFont(font);
    EXPECT_GT(cache.Width(QStringLiteral("12")), 1.5 * plain);
}

TEST_F(TrendChartTest, DefaultsAndLimits) {
    EXPECT_EQ(chart.Color(), kColorButtonFace);
    EXPECT_EQ(chart.BackColor(), kColorWhite);
    EXPECT_FALSE(chart.View3D());
    EXPECT_EQ(chart.Chart3DPercent(), 5);
    EXPECT_EQ(chart.LegendFirstValue(), 0);
    EXPECT_EQ(chart.LegendRowsShown(), 0);
    EXPECT_FALSE(chart.accessibleName().isEmpty());
    const std::pair<int, int> percents[] = {{0, 1}, {-7, 1}, {1, 1}, {35, 35}, {100, 100}, {101, 100}};
    for (const auto& [set, expected] : percents) {
        chart.SetChart3DPercent(set);
        EXPECT_EQ(chart.Chart3DPercent(), expected) << set;
    }
    chart.SetLegendFirstValue(-3);
    EXPECT_EQ(chart.LegendFirstValue(), 0);
}

TEST_F(TrendChartTest, SystemColoursStayNumbersAndPaintThroughThePalette) {
    chart.SetColor(kColorButtonFace);
    chart.SetBackColor(SystemColor(SystemColorIndex::Window));
    EXPECT_EQ(chart.Color(), 0x8000000Fu);
    EXPECT_EQ(chart.BackColor(), 0x80000005u);
    const QImage image = Render(chart);
    EXPECT_EQ(QColor(image.pixel(1, 1)), kButtonFace);
    EXPECT_EQ(QColor(image.pixel(image.width() - 2, image.height() - 2)), kButtonFace);
    EXPECT_GT(Find(image, kBase).count, image.width() * image.height() / 3);

    // A new palette reaches a background the chart had kept.
    Render(chart);
    QPalette palette = DistinctPalette();
    palette.setColor(QPalette::Button, QColor(33, 44, 55));
    chart.setPalette(palette);
    EXPECT_EQ(QColor(Render(chart).pixel(1, 1)), QColor(33, 44, 55));
}

TEST_F(TrendChartTest, BackWallIsClearUntilItsColourIsSet) {
    EXPECT_EQ(Find(Render(chart), Qt::white).count, 0);
    chart.SetBackColor(kColorWhite);
    EXPECT_GT(Find(Render(chart), Qt::white).count, chart.width() * chart.height() / 3);
}

TEST_F(TrendChartTest, ThreeDimensionalViewMovesTheBackWallUpAndRightAndDrawsARibbon) {
    const QColor wall(0x99, 0x66, 0x33);
    chart.SetBackColor(0x00336699u);
    for (int i = 0; i < 50; ++i) {
        chart.AddPoint(kStart + i * 1000, std::sin(i / 5.0));
    }
    const QImage flat = Render(chart);
    const Pixels flatWall = Find(flat, wall);
    chart.SetView3D(true);
    chart.SetChart3DPercent(60);
    const QImage deep = Render(chart);
    const Pixels deepWall = Find(deep, wall);
    ASSERT_GT(flatWall.count, 0);
    ASSERT_GT(deepWall.count, 0);
    EXPECT_GT(deepWall.box.left(), flatWall.box.left() + 10);
    EXPECT_LT(deepWall.box.bottom(), flatWall.box.bottom() - 10);
    EXPECT_LT(deepWall.count, flatWall.count);
    // The panel stays where it was; the ribbon's face is a shade of the line's colour that 2D never paints.
    EXPECT_EQ(QColor(deep.pixel(1, 1)), kButtonFace);
    const QColor ribbon = QColor(Qt::red).darker(150);
    EXPECT_EQ(Find(flat, ribbon).count, 0);
    EXPECT_GT(Find(deep, ribbon).count, 100);
    EXPECT_GT(Find(deep, Qt::red).count, 0);

    // A greater depth moves the wall further.
    chart.SetChart3DPercent(100);
    EXPECT_GT(Find(Render(chart), wall).box.left(), deepWall.box.left());
}

// Three points: up to a red one, then down to a blue one; the segment down takes the blue point's colour.
class SegmentColourTest : public TrendChartTest, public ::testing::WithParamInterface<bool> {};

TEST_P(SegmentColourTest, SegmentTakesTheColourOfThePointItLeadsTo) {
    chart.SetView3D(GetParam());
    chart.SetChart3DPercent(20);
    chart.SetLegendFirstValue(100);  // no legend, so its colour markers are not counted
    chart.AddPoint(kStart, 0.0, kColorRed);
    chart.AddPoint(kStart + 10'000, 10.0, kColorRed);
    chart.AddPoint(kStart + 20'000, 0.0, kBlue);
    const QImage image = Render(chart);
    const Pixels red = Find(image, Qt::red);
    const Pixels blue = Find(image, Qt::blue);
    ASSERT_GT(red.count, 50);
    ASSERT_GT(blue.count, 50);
    EXPECT_LE(red.box.right(), blue.box.left() + 1);
    EXPECT_NEAR(red.box.top(), blue.box.top(), 1);
    EXPECT_EQ(chart.LegendRowsShown(), 0);
}

INSTANTIATE_TEST_SUITE_P(Views, SegmentColourTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "ThreeD" : "TwoD"; });

TEST_F(TrendChartTest, ColumnOfManyPointsTakesTheColourOfItsLastPoint) {
    std::mt19937 random(3);
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    for (int i = 0; i < 100'000; ++i) {
        chart.AddPoint(kStart + i * 1000, noise(random), i == 99'999 ? kBlue : kColorRed);
    }
    chart.SetLegendFirstValue(200'000);
    const QImage image = Render(chart);
    const Pixels blue = Find(image, Qt::blue);
    ASSERT_GT(blue.count, 10);  // the last column spans its points' whole range, in blue
    // Blue only in the last column and the one before it, which the segment into it touches.
    EXPECT_LE(blue.box.width(), 2);
    const int last = blue.box.right();
    for (int y = 0; y < image.height(); ++y) {
        ASSERT_NE(image.pixel(last, y), QColor(Qt::red).rgb()) << "row " << y;
    }
    EXPECT_GT(Find(image, Qt::red).count, 1000);
}

TEST_F(TrendChartTest, LegendListsValuesFromItsFirstShownEntry) {
    std::vector<double> asked;
    chart.SetValueFormatter([&asked](double value) {
        asked.push_back(value);
        return QString::number(value, 'f', 1);
    });
    for (int i = 0; i < 100; ++i) {
        chart.AddPoint(kStart + i * 1000, i);
    }
    struct Case {
        int first;
        int rows;  // -1: as many as fit
    };
    int fit = 0;
    for (const Case c : {Case{0, -1}, Case{95, 5}, Case{99, 1}, Case{100, 0}, Case{5000, 0}, Case{10, -1}}) {
        chart.SetLegendFirstValue(c.first);
        asked.clear();
        Render(chart);
        if (c.first == 0) {
            fit = chart.LegendRowsShown();
            ASSERT_GT(fit, 5);
            ASSERT_LT(fit, 100);
        }
        const int rows = c.rows < 0 ? fit : c.rows;
        EXPECT_EQ(chart.LegendRowsShown(), rows) << "first " << c.first;
        std::vector<double> expected;
        for (int k = 0; k < rows; ++k) {
            expected.push_back(c.first + k);
        }
        EXPECT_EQ(asked, expected) << "first " << c.first;
    }
    // A taller chart shows more rows.
    chart.resize(500, 640);
    chart.SetLegendFirstValue(0);
    Render(chart);
    EXPECT_GT(chart.LegendRowsShown(), fit);
}

TEST_F(TrendChartTest, LimitedPointsKeepLimitPlusOneAndTheLegendFollowsTheLatest) {
    std::vector<double> asked;
    chart.SetValueFormatter([&asked](double value) {
        asked.push_back(value);
        return QString::number(value);
    });
    chart.resize(400, 150);
    constexpr int kLimit = 20;
    for (int i = 0; i < 60; ++i) {
        chart.AddLimitedPoint(kLimit, kStart + i * 1000, i, kColorRed);
        EXPECT_EQ(chart.PointCount(), std::min(i + 1, kLimit + 1));
        asked.clear();
        Render(chart);
    }
    EXPECT_EQ(chart.Series().X(0), kStart + 39'000);
    const int rows = chart.LegendRowsShown();
    ASSERT_GT(rows, 1);
    ASSERT_LT(rows, kLimit);
    // The first entry was set before the newest point arrived: the rows end with the one before it.
    EXPECT_EQ(chart.LegendFirstValue(), kLimit - rows);
    ASSERT_EQ(asked.size(), static_cast<std::size_t>(rows));
    EXPECT_EQ(asked.front(), 59.0 - rows);
    EXPECT_EQ(asked.back(), 58.0);

    // A lowered limit keeps the count, one point leaving as one arrives; an earlier time goes in place.
    chart.AddLimitedPoint(10, kStart + 45'500, -1.0, kColorRed);
    EXPECT_EQ(chart.PointCount(), kLimit + 1);
    EXPECT_EQ(chart.Series().X(0), kStart + 40'000);
    EXPECT_EQ(chart.Series().At(6), (ChartPoint{kStart + 45'500, -1.0, kColorRed}));
    EXPECT_EQ(chart.Series().X(7), kStart + 46'000);
}

TEST_F(TrendChartTest, ChangedRegionalFormatReachesAKeptBackground) {
    for (int i = 0; i < 30; ++i) {
        chart.AddPoint(kStart + i * 1000, i * 0.25);
    }
    Render(chart);
    const QImage kept = Render(chart);
    EXPECT_EQ(Render(chart), kept);
    chart.SetRegionalFormat(
        {QStringLiteral("yyyy-MM-dd"), QStringLiteral("H 'h' m 'min' s 's'"), QLatin1Char(',')});
    EXPECT_NE(Render(chart), kept);
    EXPECT_EQ(chart.RegionalFormat().decimalSeparator, QLatin1Char(','));
}

// A time range narrower than the data (a zoomed view): the line comes in from the point before the range and
// goes on to the point after it, so it crosses the whole plot although only one point lies inside.
TEST(ChartPainterTest, NarrowerTimeRangeDrawsTheLineThroughItsEdges) {
    ChartSeries series;
    // The value axis fits the one point inside (10.5, give or take a tenth), which holds 10 too.
    series.Add(kStart, 10.0, kColorRed);
    series.Add(kStart + 10'000, 10.5, kColorRed);
    series.Add(kStart + 20'000, 10.0, kColorRed);
    ChartStyle style;
    style.palette = DistinctPalette();
    ChartLook look;
    look.legendFirstValue = 10;
    ChartPainter painter;
    const auto paint = [&](std::optional<TimeRange> range) {
        QImage image(400, 300, QImage::Format_RGB32);
        QPainter imagePainter(&image);
        EXPECT_EQ(painter.Paint(imagePainter, image.size(), series, look, style, range), 0);
        return Find(image, Qt::red);
    };
    const Pixels whole = paint(std::nullopt);
    const Pixels zoomed = paint(TimeRange{kStart + 5'000, kStart + 15'000});
    ASSERT_GT(whole.count, 0);
    ASSERT_GT(zoomed.count, 0);
    EXPECT_NEAR(zoomed.box.left(), whole.box.left(), 1);
    EXPECT_NEAR(zoomed.box.right(), whole.box.right(), 1);
    // Beyond the data on both sides nothing is drawn.
    EXPECT_EQ(paint(TimeRange{kStart + 30'000, kStart + 40'000}).count, 0);
}

// The axis labels of charts whose first time tick falls on the plot's left edge (next to the lowest value
// label), over midnight (two lines), in 3D and beside a legend: no two labels touch, none leaves the panel.
TEST(ChartPainterTest, AxisLabelsNeverOverlap) {
    struct Case {
        std::int64_t start;
        std::int64_t step;
        bool view3D;
        int legendFirst;
    };
    const Case cases[] = {{kStart, 1000, false, 1000},
                          {kStart, 1000, true, 1000},
                          {kStart - 30'000, 1000, false, 0},
                          {kStart + 16 * kHourMs - 20'000, 1000, true, 0},
                          {kStart, 61'000, false, 1000}};
    for (const Case& c : cases) {
        ChartSeries series;
        for (int i = 0; i < 60; ++i) {
            series.Add(c.start + i * c.step, i % 7 * 0.125, kColorRed);
        }
        ChartLook look;
        look.view3D = c.view3D;
        look.legendFirstValue = c.legendFirst;
        ChartPainter painter;
        for (const QSize size : {QSize(300, 200), QSize(500, 320), QSize(1000, 600)}) {
            QImage image(size, QImage::Format_RGB32);
            QPainter imagePainter(&image);
            painter.Paint(imagePainter, size, series, look, ChartStyle{});
            const std::vector<QRectF>& labels = painter.LastLabels();
            ASSERT_GE(labels.size(), 4u);
            for (std::size_t i = 0; i < labels.size(); ++i) {
                EXPECT_TRUE(QRectF(QPointF(0, 0), QSizeF(size)).contains(labels[i])) << labels[i].x();
                for (std::size_t j = i + 1; j < labels.size(); ++j) {
                    EXPECT_FALSE(labels[i].intersects(labels[j]))
                        << size.width() << " " << c.start << ": " << i << " and " << j;
                }
            }
        }
    }
}

// A steep jump, in the live view, under a zoomed value axis and from a point beyond the times shown: the
// line and its ribbon stay within the box of front plane, floor, walls and back wall.
TEST(ChartPainterTest, RibbonStaysInsideThePlotBox) {
    ChartSeries series;
    for (int i = 0; i < 40; ++i) {
        series.Add(kStart + i * 1000, i == 20 ? 1e4 : (i % 3) * 0.5, kColorRed);
    }
    ChartLook look;
    look.view3D = true;
    look.depthPercent = 100;
    look.legendFirstValue = 100;
    const QColor ribbon = QColor(Qt::red).darker(150);
    ChartPainter painter;
    const auto check = [&](std::optional<TimeRange> time, std::optional<ValueSpan> values) {
        QImage image(500, 320, QImage::Format_RGB32);
        image.fill(Qt::black);
        QPainter imagePainter(&image);
        painter.Paint(imagePainter, image.size(), series, look, ChartStyle{}, time, values);
        ASSERT_TRUE(painter.LastFrame());
        const PlotMapping& front = painter.LastFrame()->mapping;
        const int depth = painter.LastFrame()->plot.width() - front.width;
        ASSERT_GT(depth, 10);
        int drawn = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                if (pixel != ribbon && pixel != QColor(Qt::red)) {
                    continue;
                }
                ++drawn;
                // Inside when the pixel is a pixel of the front plane moved back by some t of the depth.
                const int low = std::max({0, x - (front.left + front.width - 1), front.top - y});
                const int high = std::min({depth, x - front.left, front.top + front.height - 1 - y});
                ASSERT_LE(low, high) << "at " << x << ", " << y;
            }
        }
        EXPECT_GT(drawn, 200);
    };
    check(std::nullopt, std::nullopt);
    check(std::nullopt, ValueSpan{0.0, 1.0});
    check(TimeRange{kStart + 21'000, kStart + 30'000}, std::nullopt);
}

// Values and times nobody should send, and sizes nobody should choose, still paint without harm.
struct Hostile {
    const char* name;
    std::vector<std::pair<std::int64_t, double>> points;
};

class HostileDataTest : public ::testing::TestWithParam<Hostile> {};

TEST_P(HostileDataTest, PaintsAtAnySizeIn2DAnd3D) {
    TrendChart chart;
    for (const auto& [x, y] : GetParam().points) {
        chart.AddPoint(x, y);
    }
    for (const bool view3D : {false, true}) {
        chart.SetView3D(view3D);
        chart.SetChart3DPercent(100);
        for (const QSize size : {QSize(0, 0), QSize(1, 1), QSize(30, 20), QSize(90, 60), QSize(700, 400)}) {
            chart.resize(size);
            if (size.isEmpty()) {
                QImage image(1, 1, QImage::Format_RGB32);
                chart.render(&image);
            } else {
                Render(chart);
            }
            EXPECT_GE(chart.LegendRowsShown(), 0);
            EXPECT_LE(chart.LegendRowsShown(), chart.PointCount());
        }
    }
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Data, HostileDataTest,
    ::testing::Values(Hostile{"NoPoints", {}}, Hostile{"OnePoint", {{kStart, 1.0}}},
                      Hostile{"NonFinite", {{kStart, kNaN}, {kStart + 1000, kInf}, {kStart + 2000, -kInf}}},
                      Hostile{"NaNAmongValues", {{kStart, 1.0}, {kStart + 1000, kNaN}, {kStart + 2000, 3.0}}},
                      Hostile{"Huge", {{kStart, 1e308}, {kStart + 1000, -1e308}, {kStart + 2000, 1e-320}}},
                      Hostile{"SameTime", {{kStart, 1.0}, {kStart, 2.0}, {kStart, 3.0}}},
                      Hostile{"ExtremeTimes", {{INT64_MIN, 1.0}, {0, 2.0}, {INT64_MAX, 3.0}}},
                      Hostile{"YearsApart", {{0, 1.0}, {kStart, 2.0}}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zt30
