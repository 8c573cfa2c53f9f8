// The main window's time chart (Chart1): one line series of the measured value over a date-time axis, its
// points in ascending time order with a colour each, a legend of point values with a settable first shown
// entry, a 3D view with a depth in per cent, and the back-wall and panel colours that the graph settings
// dialog previews. The main window adds the points and owns the settings; the chart keeps colours as the
// toolkit's numbers and resolves them only for painting. The user zooms (wheel; Shift+wheel for the values)
// and pans (drag) the view, reads the point nearest to the pointer, and from the context menu saves or copies
// the picture, exports the points shown to a CSV file or returns to the live view (also double-click, Home).
#pragma once

#include <QImage>
#include <QPixmap>
#include <QPointF>
#include <QSize>
#include <QWidget>
#include <cstdint>
#include <optional>
#include <string>

#include "link/ui_services.h"
#include "views/chart_painter_qt.h"
#include "views/chart_series.h"
#include "views/chart_view.h"
#include "views/toolkit_color.h"

class QAction;
class QMenu;

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

    // The services the context menu's file dialogs and messages go through; the caller keeps them alive as
    // long as the chart. Without them (nullptr, at first) the items that save a file are disabled.
    void SetUiServices(UiServices* ui);

    // True while the chart follows the newest point with its value axis fitted to the data.
    bool LiveView() const { return view_.Live(); }
    // Leaves a zoomed or panned view for the live view.
    void ReturnToLiveView();
    // What the user zoomed or panned to.
    const ChartViewport& Viewport() const { return view_; }

    // Where the last paint put the plot and what it showed; nullopt before the first paint, or when it had
    // no room for a plot or no point to show.
    const std::optional<ChartFrame>& Frame() const { return painter_.LastFrame(); }

    // Index of the point whose time and value the read-out shows (the one nearest to the pointer over the
    // plot of the last paint); nullopt when the pointer is elsewhere or no point is shown.
    std::optional<std::size_t> ReadoutIndex() const;

    // What the chart shows, in words, for a screen reader: the number of points, the newest one's value and
    // time, and the times and values in sight at the last paint.
    QString ShownText() const;

    // The chart as it shows now, at its size in logical pixels, without the read-out and the view's note.
    QImage ToImage();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // What a finished frame depends on: every change of points, look or style makes a new version.
    struct FrameKey {
        std::uint64_t version = 0;
        QSize size;
        qreal pixelRatio = 1.0;

        friend bool operator==(const FrameKey&, const FrameKey&) = default;
    };

    // Where a drag began and what was shown then: the view follows the pointer from there.
    struct Drag {
        QPointF start;
        PlotMapping mapping;
        bool panning = false;
    };

    // Counts a change of what the chart shows and schedules a repaint.
    void Changed();
    // Paints the chart itself (no read-out) with the view, and keeps the legend's row count.
    void PaintChart(QPainter& painter);
    // Draws the read-out, the note of a zoomed view and the focus frame over the painted chart.
    void PaintOverlay(QPainter& painter);
    void BuildMenu();
    // Opens the context menu at a global position, or at the plot's centre when none is given.
    void ShowMenu(std::optional<QPoint> globalPos);
    // The mapping of the last paint with the times and values the view shows now.
    std::optional<PlotMapping> CurrentMapping() const;
    // Zooms the time axis (or the value axis) about a point of the plot; factor below 1 zooms in.
    void ZoomAt(QPointF at, double factor, bool values);
    // Moves the time axis by a share of what it shows.
    void PanBy(double share);
    // Asks for the name of a file to save, starting from the one chosen last (which it remembers).
    std::optional<QString> AskFileName(FileDialogRequest request, std::string& lastName);
    // Writes bytes to the file whole, or shows why it could not.
    void WriteFile(const QString& fileName, const QByteArray& bytes);

    // The context menu's handlers.
    void mn_saveImageClick();
    void mn_copyChartClick();
    void mn_exportCsvClick();
    void mn_liveViewClick();

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

    UiServices* ui_ = nullptr;
    ChartViewport view_;
    std::optional<QPointF> pointer_;
    std::optional<Drag> drag_;
    std::string imageFileName_ = "Zantor30.png";
    std::string csvFileName_ = "Zantor30.csv";
    QMenu* mn_chart = nullptr;
    QAction* mn_saveImage = nullptr;
    QAction* mn_copyChart = nullptr;
    QAction* mn_exportCsv = nullptr;
    QAction* mn_liveView = nullptr;
};

}  // namespace zt30
