// Draws the trend chart: the panel, the back wall (with the left wall and the floor in 3D), the grid, the
// value and time axes, the series as a line (2D) or a ribbon of the set depth (3D) and the value legend.
// The series is reduced to one summary per pixel column first and the line laid out as the rows it covers in
// each column, filled in one batch per colour, so a paint costs O(width · log n) whatever the number of
// points; a background that comes back unchanged is kept in a pixmap.
#pragma once

#include <QColor>
#include <QFont>
#include <QLocale>
#include <QPalette>
#include <QPixmap>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QVector>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "views/chart_columns.h"
#include "views/chart_ribbon.h"
#include "views/chart_scale.h"
#include "views/chart_series.h"
#include "views/chart_text_cache_qt.h"
#include "views/chart_view.h"
#include "views/toolkit_color.h"

class QPainter;

namespace zt30 {

// The regional formats of the chart's labels: Qt date and time patterns for the time axis and the decimal
// separator of the value axis (the user's regional settings, as the record file uses them).
struct ChartRegionalFormat {
    QString shortDateFormat = QStringLiteral("dd.MM.yyyy");
    QString longTimeFormat = QStringLiteral("HH:mm:ss");
    QChar decimalSeparator = QLatin1Char('.');

    friend bool operator==(const ChartRegionalFormat&, const ChartRegionalFormat&) = default;
};

// Turns a point's value into its legend text.
using ChartValueFormatter = std::function<QString(double)>;

// Everything of the look that is not a point.
struct ChartLook {
    ToolkitColor color = kColorButtonFace;  // the panel around the plot
    ToolkitColor backColor = kColorWhite;   // the back wall, painted only when backWallSolid
    bool backWallSolid = false;
    bool view3D = false;
    int depthPercent = 5;      // 1 to 100
    int legendFirstValue = 0;  // index of the first point the legend lists
};

// The fonts, palette and texts a paint uses.
struct ChartStyle {
    QPalette palette;
    QFont font;
    QLocale locale;  // names of months and days, where the patterns ask for them
    ChartRegionalFormat regional;
    ChartValueFormatter formatter;  // an empty one shows three decimals with the regional separator
};

// A point's time as the time axis labels it (the long time format) and its date (the short date format).
QString ChartTimeText(std::int64_t x, const ChartStyle& style);
QString ChartDateText(std::int64_t x, const ChartStyle& style);
// A point's value as the legend shows it.
QString ChartValueText(double value, const ChartStyle& style);

// Where a paint put the plot: the front plane and the back wall together (plot) and the front plane's
// mapping of times and values to pixels.
struct ChartFrame {
    QRect plot;
    PlotMapping mapping;
};

class ChartPainter final {
public:
    // Paints the chart of series at (0, 0) in size (logical pixels) and returns the number of value rows the
    // legend showed. visibleTime, when given, is the time range shown; otherwise the whole series is.
    // visibleValues, when given, is the value axis; otherwise it is fitted to the points shown.
    int Paint(QPainter& painter, QSize size, const ChartSeries& series, const ChartLook& look,
              const ChartStyle& style, std::optional<TimeRange> visibleTime = std::nullopt,
              std::optional<ValueSpan> visibleValues = std::nullopt);

    // The plot of the last paint; nullopt before it or when that paint had no room or no time axis.
    const std::optional<ChartFrame>& LastFrame() const { return lastFrame_; }

    // The boxes of the axis labels the last paint drew (value labels first, then time labels), in the
    // paint's pixels.
    const std::vector<QRectF>& LastLabels() const { return labels_; }

    // Forgets the kept background (after a font, palette or format change).
    void Invalidate() { cacheValid_ = false; }

private:
    // Where everything goes, worked out afresh for each paint.
    struct Layout {
        QSize size;     // the whole panel
        QRect outer;    // the panel less its margin
        QRect plot;     // the front plane and the back wall together
        QRect front;    // the plane the values are drawn on
        QRect back;     // the back wall (the front plane moved back by depth)
        int depth = 0;  // the depth in pixels, right and up alike; 0 in 2D
        bool hasPlot = false;
        TimeRange time;  // the times shown, front.left() to front.right()
        bool hasTime = false;
        ValueTicks values;
        PlotMapping mapping;  // of front, time and values, once hasPlot
        TimeTicks times;
        QRect legend;  // empty when no row is shown
        std::size_t legendFirst = 0;
        int legendRows = 0;
        int rowHeight = 0;
        QColor panel;  // the resolved colours
        QColor wall;
        QColor text;
    };

    // What the background depends on besides the font, palette and formats (which invalidate it).
    struct BackgroundKey {
        QSize size;
        qreal pixelRatio = 1.0;
        QRgb panel = 0;
        QRgb wall = 0;
        bool solid = false;
        QRect front;
        int depth = 0;
        TimeRange time;
        bool hasTime = false;
        double axisMin = 0.0;
        double axisMax = 0.0;
        double step = 0.0;
        std::int64_t timeStep = 0;
        QRect legend;  // the time labels keep clear of it

        friend bool operator==(const BackgroundKey&, const BackgroundKey&) = default;
    };

    Layout ComputeLayout(QSize size, const ChartSeries& series, const ChartLook& look,
                         const ChartStyle& style, std::optional<TimeRange> visibleTime,
                         std::optional<ValueSpan> visibleValues);
    void DrawBackground(QPainter& painter, const Layout& layout, const ChartLook& look,
                        const ChartStyle& style);
    void DrawBackgroundCached(QPainter& painter, const Layout& layout, const ChartLook& look,
                              const ChartStyle& style);
    void DrawAxisLabels(QPainter& painter, const Layout& layout, const ChartStyle& style);
    void DrawSeries(QPainter& painter, const Layout& layout, const ChartSeries& series,
                    const ChartStyle& style);
    void DrawLegend(QPainter& painter, const Layout& layout, const ChartSeries& series,
                    const ChartStyle& style);
    void DrawRibbon(QPainter& painter, const Layout& layout, const ChartStyle& style);
    // Calls visit(start, color) for each run of neighbouring line columns of one colour, left to right,
    // with the run's spans in runSpans_.
    template <typename Visit>
    void ForEachRun(Visit visit);
    QVector<QRect>& BatchFor(ToolkitColor color);
    // The width of text in the paint's font, in whole pixels.
    int TextWidth(const QString& text);

    // Kept between paints so that a paint allocates nothing once the sizes have settled.
    ColumnReduction reduction_;
    std::vector<ColumnSpan> frontSpans_;
    std::vector<PixelSpan> runSpans_;
    std::vector<PixelSpan> swept_;
    std::vector<PixelRect> rects_;
    std::vector<std::pair<ToolkitColor, QVector<QRect>>> batches_;
    std::size_t batchesUsed_ = 0;
    QVector<QRect> fill_;
    std::vector<QString> legendTexts_;
    std::vector<QRectF> labels_;
    std::vector<QRectF> cacheLabels_;  // the labels of the kept background
    ChartTextCache texts_;

    QPixmap cache_;
    bool cacheValid_ = false;
    BackgroundKey cacheKey_;
    std::optional<BackgroundKey> lastKey_;
    std::optional<ChartFrame> lastFrame_;
};

}  // namespace zt30
