// The main window's time chart (Chart1): one line series of the measured value over a date-time axis, its
// points in ascending time order with a colour each, a legend of point values with a settable first shown
// entry, a 3D view with a depth in per cent, and the back-wall and panel colours that the graph settings
// dialog previews. The main window adds the points and owns the settings; the chart keeps colours as the
// toolkit's numbers and resolves them only for painting.
#pragma once

#include <QPixmap>
#include <QSize>
#include <QWidget>
#include <cstdint>

#include "views/chart_painter.h"
#include "views/chart_series.h"
#include "views/toolkit_color.h"

namespace zt30 {

class TrendChart final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TrendChart)

public:
    explicit TrendChart(QWidget* parent = nullptr);
    ~TrendChart() override;

    // The panel around the plot (a toolkit colour number, kept as given); button face at first.
    void SetColor(ToolkitColor color);
    ToolkitColor Color() const { return look_.color; }

    // The back wall's colour; setting it also paints the wall solid (at first it is clear, in white).
    void SetBackColor(ToolkitColor color);
    ToolkitColor BackColor() const { return look_.backColor; }

    // 3D view (an oblique projection with walls, floor and a ribbon) or 2D; 2D at first.
    void SetView3D(bool on);
    bool View3D() const { return look_.view3D; }

    // The 3D depth in per cent, brought to within 1 to 100; 5 at first.
    void SetChart3DPercent(int percent);
    int Chart3DPercent() const { return look_.depthPercent; }

    // Index of the first point the legend lists (FirstValue); a negative one is taken as 0.
    void SetLegendFirstValue(int index);
    int LegendFirstValue() const { return look_.legendFirstValue; }

    // Number of value rows the legend showed when the chart was last painted (0 before the first paint).
    int LegendRowsShown() const { return legendRowsShown_; }

    // How point values read in the legend; an empty formatter shows three decimals.
    void SetValueFormatter(ChartValueFormatter formatter);

    // The date and time patterns of the time axis and the value axis' decimal separator.
    void SetRegionalFormat(const ChartRegionalFormat& format);
    const ChartRegionalFormat& RegionalFormat() const { return style_.regional; }

    int PointCount() const { return static_cast<int>(series_.Count()); }

    // Adds a point: x the local date and time in milliseconds since the epoch, placed after every point
    // whose x is not later; y its value; color its toolkit colour.
    void AddPoint(std::int64_t x, double y, ToolkitColor color = kColorRed);

    // Removes the earliest point; false when the chart holds none.
    bool DeleteFirstPoint();

    // Removes every point.
    void Clear();

    // Adds a reading to a chart limited to limit + 1 points: if it holds more than limit points the
    // earliest goes; then, when the points outnumber the legend's rows of its last paint, the legend's
    // first entry moves so that it lists the latest values; then the point is added.
    void AddLimitedPoint(int limit, std::int64_t x, double y, ToolkitColor color);

    // The points, for reading.
    const ChartSeries& Series() const { return series_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // What a finished frame depends on: every change of points, look or style makes a new version.
    struct FrameKey {
        std::uint64_t version = 0;
        QSize size;
        qreal pixelRatio = 1.0;

        friend bool operator==(const FrameKey&, const FrameKey&) = default;
    };

    // Counts a change of what the chart shows and schedules a repaint.
    void Changed();

    ChartSeries series_;
    ChartLook look_;
    ChartStyle style_;
    ChartPainter painter_;
    int legendRowsShown_ = 0;
    std::uint64_t version_ = 1;
    QPixmap frame_;
    bool frameValid_ = false;
    FrameKey frameKey_;
    FrameKey lastKey_;
};

}  // namespace zt30
