// What the trend chart shows of its series and how the user moves it. The live view shows the whole series,
// the newest point at the right edge, with the value axis fitted to the data; zooming or panning turns it
// into a fixed time range that new points do not move, the value axis staying fitted to the points shown
// until the user zooms it too (which fixes the time range as well). PlotMapping is where a paint put the
// plot: it turns times and values into pixels as the painter draws them, and back, and finds the point
// nearest to a place in the plot.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "views/chart_columns.h"
#include "views/chart_series.h"

namespace zt30 {

// A value axis from min to max (min < max).
struct ValueSpan {
    double min = 0.0;
    double max = 1.0;

    friend bool operator==(const ValueSpan&, const ValueSpan&) = default;
};

// The plot's front plane (pixels, y downwards) and the times and values its edges stand for.
struct PlotMapping {
    int left = 0;
    int top = 0;
    int width = 1;   // at least 1
    int height = 2;  // at least 2
    TimeRange time;
    ValueSpan values;

    // The x of the centre of the pixel column that holds time t (clamped to ±1e5 pixels).
    double XOf(std::int64_t t) const;
    // The y of value v, axis maximum at the top row's centre, minimum at the bottom row's (clamped likewise).
    double YOf(double v) const;
    // The time and value at a place in the plot, as the inverse of XOf and YOf (unclamped).
    double TimeAt(double x) const;
    double ValueAt(double y) const;
    bool Contains(double x, double y) const {
        return x >= left && x < left + width && y >= top && y < top + height;
    }
};

// The point of series nearest to (x, y) in pixels among the points the mapping shows (time within its
// range, a finite value within its value axis); nullopt when it shows none. Ties go to the earlier point.
// Costs O(width · log n) at most, whatever the number of points shown.
std::optional<std::size_t> NearestPoint(const ChartSeries& series, const PlotMapping& mapping, double x,
                                        double y);

class ChartViewport final {
public:
    // The narrowest and the widest time span a zoom may reach, in milliseconds.
    static constexpr std::int64_t kMinTimeSpan = 1000;
    static constexpr std::int64_t kMaxTimeSpan = 1000LL * 365 * 24 * 3600 * 1000;

    // True while the chart follows the newest point with its value axis fitted to the data.
    bool Live() const { return !time_ && !values_; }
    // The fixed time range shown; nullopt in the live view.
    const std::optional<TimeRange>& Time() const { return time_; }
    // The value axis the user zoomed to; nullopt while it is fitted to the points shown.
    const std::optional<ValueSpan>& Values() const { return values_; }

    // Zooms the time axis shown now (shown) by factor (below 1 in, above 1 out) about the time anchor, which
    // keeps its place on the screen. The span stays within kMinTimeSpan and kMaxTimeSpan.
    void ZoomTime(TimeRange shown, double anchor, double factor);

    // Zooms the value axis shown now about the value anchor likewise; from then on it is no longer fitted,
    // and the time range shown now (shownTime) stays where it is.
    void ZoomValues(TimeRange shownTime, ValueSpan shown, double anchor, double factor);

    // Shows shownTime moved by timeShift milliseconds; a zoomed value axis moves by valueShift as well (a
    // fitted one stays fitted, as dragging along the time is what panning is mostly for).
    void Pan(TimeRange shownTime, double timeShift, ValueSpan shownValues, double valueShift);

    // Back to the live view.
    void ReturnToLive();

private:
    std::optional<TimeRange> time_;
    std::optional<ValueSpan> values_;
};

}  // namespace zt30
