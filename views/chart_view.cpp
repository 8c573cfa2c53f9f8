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
    const double cursorTime = std::clamp(mapping.TimeAt(x), static_cast<double>(mapping.time.begin),
                                         static_cast<double>(mapping.time.end));
    const std::size_t start =
        series.LowerBound(static_cast<std::int64_t>(std::floor(cursorTime)), begin, end);
    std::optional<std::size_t> best;
    double bestDistance = std::numeric_limits<double>::infinity();
    const auto consider = [&](std::size_t i, double dx) {
        const double value = series.Y(i);
        if (!std::isfinite(value) || value < mapping.values.min || value > mapping.values.max) {
            return;
        }
        const double dy = mapping.YOf(value) - y;
        const double distance = dx * dx + dy * dy;
        if (distance < bestDistance || (distance == bestDistance && best && i < *best)) {
            bestDistance = distance;
            best = i;
        }
    };
    // The points' x grow with their index, so each side ends where its horizontal distance alone is no
    // better than the best found.
    for (std::size_t i = start; i < end; ++i) {
        const double dx = mapping.XOf(series.X(i)) - x;
        if (dx >= 0.0 && dx * dx > bestDistance) {
            break;
        }
        consider(i, dx);
    }
    for (std::size_t i = start; i-- > begin;) {
        const double dx = mapping.XOf(series.X(i)) - x;
        if (dx <= 0.0 && dx * dx > bestDistance) {
            break;
        }
        consider(i, dx);
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
