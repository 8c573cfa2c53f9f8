#include "views/chart_view.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zt30 {

namespace {

// Pixel coordinates are kept well inside what the rasteriser handles exactly.
constexpr double kPixelLimit = 1e5;
// Times a zoomed view may reach: where the time axis still has ticks.
constexpr double kFarthestTime = 1e17;
// Values a zoomed axis may reach, and its narrowest span relative to its values.
constexpr double kFarthestValue = 1e300;
constexpr double kNarrowestValueSpan = 1e-9;
constexpr double kSmallestValueSpan = 1e-250;

double ClampPixel(double value) {
    return std::clamp(value, -kPixelLimit, kPixelLimit);
}

// [begin, begin + span) moved as little as needed to lie within ±kFarthestTime, in whole milliseconds.
TimeRange WholeRange(double begin, double span) {
    begin = std::clamp(begin, -kFarthestTime, kFarthestTime - span);
    const auto first = static_cast<std::int64_t>(std::llround(begin));
    return TimeRange{first, first + std::max<std::int64_t>(std::llround(span), 1)};
}

double Span(TimeRange range) {
    return static_cast<double>(range.end) - static_cast<double>(range.begin);
}

}  // namespace

double PlotMapping::XOf(std::int64_t t) const {
    const double offset = static_cast<double>(t) - static_cast<double>(time.begin);
    return ClampPixel(left + 0.5 + std::floor(offset * width / Span(time)));
}

double PlotMapping::YOf(double v) const {
    return ClampPixel(top + 0.5 + (values.max - v) / (values.max - values.min) * (height - 1));
}

double PlotMapping::TimeAt(double x) const {
    return static_cast<double>(time.begin) + (x - left) * Span(time) / width;
}

double PlotMapping::ValueAt(double y) const {
    return values.max - (y - top - 0.5) / (height - 1) * (values.max - values.min);
}

std::optional<std::size_t> NearestPoint(const ChartSeries& series, const PlotMapping& mapping, double x,
                                        double y) {
    const std::size_t begin = series.LowerBound(mapping.time.begin);
    const std::size_t end = series.LowerBound(mapping.time.end, begin, series.Count());
    if (begin == end) {
        return std::nullopt;
    }
    std::optional<std::size_t> best;
    double bestDistance = std::numeric_limits<double>::infinity();
    const ValueSpan& shown = mapping.values;
    // The squared distance from the pointer to the nearest place where the shown points [from, to) of one
    // column can be, dx away from it horizontally: their y lies within their value range.
    const auto columnBound = [&](double dx, std::size_t from, std::size_t to) {
        const ValueRange values = series.FiniteRange(from, to);
        const double low = std::max(values.min, shown.min);
        const double high = std::min(values.max, shown.max);
        if (!(low <= high)) {
            return std::numeric_limits<double>::infinity();
        }
        const double top = mapping.YOf(high);
        const double bottom = mapping.YOf(low);
        const double dy = y < top ? top - y : y > bottom ? y - bottom : 0.0;
        return dx * dx + dy * dy;
    };
    const auto scan = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i) {
            const double value = series.Y(i);
            if (!std::isfinite(value) || value < shown.min || value > shown.max) {
                continue;
            }
            const double dx = mapping.XOf(series.X(i)) - x;
            const double dy = mapping.YOf(value) - y;
            const double distance = dx * dx + dy * dy;
            if (distance < bestDistance || (distance == bestDistance && best && i < *best)) {
                bestDistance = distance;
                best = i;
            }
        }
    };
    // Columns outwards from the pointer's, each looked into only when its points could be nearer than the
    // best found; a side ends where the horizontal distance alone is too far. So a search costs
    // O(columns · log n) however many points the plot shows, and usually a few columns.
    const int width = mapping.width;
    const int pointer = std::clamp(static_cast<int>(std::floor(x - mapping.left)), 0, width - 1);
    // Looks into column c unless it lies too far; false when it and every column beyond it do. Its points
    // lie at its centre, give or take a pixel where their time rounds to the next column.
    const auto visit = [&](int c) {
        if (c < 0 || c >= width) {
            return false;
        }
        const double dx = std::max(std::abs(mapping.left + c + 0.5 - x) - 1.0, 0.0);
        if (dx * dx > bestDistance) {
            return false;
        }
        const std::size_t from = series.LowerBound(ColumnEdge(mapping.time, width, c), begin, end);
        const std::size_t to = series.LowerBound(ColumnEdge(mapping.time, width, c + 1), from, end);
        if (from < to && columnBound(dx, from, to) <= bestDistance) {
            scan(from, to);
        }
        return true;
    };
    visit(pointer);
    bool right = true;
    bool left = true;
    for (int step = 1; right || left; ++step) {
        right = right && visit(pointer + step);
        left = left && visit(pointer - step);
    }
    return best;
}

void ChartViewport::ZoomTime(TimeRange shown, double anchor, double factor) {
    const double span = Span(shown);
    if (!(span > 0.0) || !std::isfinite(anchor) || !(factor > 0.0)) {
        return;
    }
    const double zoomed =
        std::clamp(span * factor, static_cast<double>(kMinTimeSpan), static_cast<double>(kMaxTimeSpan));
    const double begin = anchor - (anchor - static_cast<double>(shown.begin)) * (zoomed / span);
    time_ = WholeRange(begin, zoomed);
}

void ChartViewport::ZoomValues(TimeRange shownTime, ValueSpan shown, double anchor, double factor) {
    const double span = shown.max - shown.min;
    if (!(span > 0.0) || !std::isfinite(span) || !std::isfinite(anchor) || !(factor > 0.0)) {
        return;
    }
    const double narrowest = std::max(std::abs(anchor) * kNarrowestValueSpan, kSmallestValueSpan);
    const double zoomed = std::clamp(span * factor, narrowest, kFarthestValue);
    const double min =
        std::clamp(anchor - (anchor - shown.min) * (zoomed / span), -kFarthestValue, kFarthestValue - zoomed);
    values_ = ValueSpan{min, min + zoomed};
    if (!time_ && shownTime.end > shownTime.begin) {
        time_ = shownTime;
    }
}

void ChartViewport::Pan(TimeRange shownTime, double timeShift, ValueSpan shownValues, double valueShift) {
    const double span = Span(shownTime);
    if (!(span > 0.0) || !std::isfinite(timeShift)) {
        return;
    }
    time_ = WholeRange(static_cast<double>(shownTime.begin) + timeShift, std::min(span, 2 * kFarthestTime));
    const double valueSpan = shownValues.max - shownValues.min;
    if (values_ && valueSpan > 0.0 && valueSpan <= kFarthestValue && std::isfinite(valueShift)) {
        const double min =
            std::clamp(shownValues.min + valueShift, -kFarthestValue, kFarthestValue - valueSpan);
        values_ = ValueSpan{min, min + valueSpan};
    }
}

void ChartViewport::ReturnToLive() {
    time_.reset();
    values_.reset();
}

}  // namespace zt30
