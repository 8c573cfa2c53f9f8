#include "views/chart_painter_qt.h"

#include <QDateTime>
#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <QPen>
#include <QPolygonF>
#include <QStaticText>
#include <QTimeZone>
#include <algorithm>
#include <cmath>

#include "views/toolkit_color_qt.h"

namespace zt30 {

namespace {

constexpr int kMargin = 8;
constexpr int kGap = 6;
constexpr int kLegendPad = 4;
constexpr int kMarker = 8;
// The least room between two axis labels side by side.
constexpr double kLabelGap = 4.0;
// Depth in pixels per per cent of the plot's smaller side: 100 % gives three tenths of it.
constexpr double kDepthPerPercent = 0.003;
// The ribbon's face is its line's colour darkened by this (per cent, as QColor::darker takes it).
constexpr int kRibbonShade = 150;

const QColor kGridColor(128, 128, 128);
const QColor kFrameColor(64, 64, 64);

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

QString WithSeparator(QString text, QChar separator) {
    if (separator != QLatin1Char('.')) {
        text.replace(QLatin1Char('.'), separator);
    }
    return text;
}

QString AxisValueText(double value, const ValueTicks& ticks, QChar separator) {
    if (std::abs(value) < ticks.step * 1e-9) {
        value = 0.0;
    }
    const double magnitude = std::max(std::abs(ticks.axisMin), std::abs(ticks.axisMax));
    const bool scientific = magnitude >= 1e9 || ticks.decimals > 9;
    return WithSeparator(
        scientific ? QString::number(value, 'g', 6) : QString::number(value, 'f', ticks.decimals), separator);
}

QDateTime ToDateTime(std::int64_t x) {
    // x is the local wall-clock time counted as if it were UTC, so no zone may shift it again.
    return QDateTime::fromMSecsSinceEpoch(x, QTimeZone::utc());
}

QString DefaultValueText(double value, QChar separator) {
    const bool plain = std::isfinite(value) && std::abs(value) < 1e15;
    return WithSeparator(plain ? QString::number(value, 'f', 3) : QString::number(value, 'g', 7), separator);
}

void AppendRects(const std::vector<PixelRect>& rects, QVector<QRect>& out) {
    for (const PixelRect& rect : rects) {
        out.append(QRect(rect.x, rect.y, rect.width, rect.height));
    }
}

// The time range of the whole series, widened to a second around a series that spans less. A point at the
// very end of the 64-bit range lies outside it.
std::optional<TimeRange> LiveRange(const ChartSeries& series) {
    if (series.Empty()) {
        return std::nullopt;
    }
    const std::int64_t first = std::min(series.X(0), INT64_MAX - 1);
    const std::int64_t last = std::min(series.X(series.Count() - 1), INT64_MAX - 1);
    // Points are sorted, so the unsigned difference is exact even across the whole range.
    const std::uint64_t span = static_cast<std::uint64_t>(last) - static_cast<std::uint64_t>(first);
    if (span >= static_cast<std::uint64_t>(kSecondMs)) {
        return TimeRange{first, last + 1};
    }
    const auto pad = static_cast<std::int64_t>((static_cast<std::uint64_t>(kSecondMs) - span) / 2);
    const std::int64_t begin = first < INT64_MIN + kSecondMs ? first : first - pad;
    return TimeRange{begin, begin > INT64_MAX - kSecondMs ? INT64_MAX : begin + kSecondMs};
}

}  // namespace

QString ChartTimeText(std::int64_t x, const ChartStyle& style) {
    return style.locale.toString(ToDateTime(x), style.regional.longTimeFormat);
}

QString ChartDateText(std::int64_t x, const ChartStyle& style) {
    return style.locale.toString(ToDateTime(x).date(), style.regional.shortDateFormat);
}

QString ChartValueText(double value, const ChartStyle& style) {
    return style.formatter ? style.formatter(value)
                           : DefaultValueText(value, style.regional.decimalSeparator);
}

int ChartPainter::Paint(QPainter& painter, QSize size, const ChartSeries& series, const ChartLook& look,
                        const ChartStyle& style, std::optional<TimeRange> visibleTime,
                        std::optional<ValueSpan> visibleValues) {
    texts_.SetFont(style.font);
    const Layout layout = ComputeLayout(size, series, look, style, visibleTime, visibleValues);
    if (layout.hasPlot && layout.hasTime) {
        lastFrame_ = ChartFrame{layout.plot, layout.mapping};
    } else {
        lastFrame_.reset();
    }
    DrawBackgroundCached(painter, layout, look, style);
    if (layout.hasPlot && layout.hasTime) {
        painter.save();
        painter.setClipRect(layout.plot);
        DrawSeries(painter, layout, series, style);
        painter.restore();
    }
    DrawLegend(painter, layout, series, style);
    texts_.EndPaint();
    return layout.legendRows;
}

int ChartPainter::TextWidth(const QString& text) {
    return static_cast<int>(std::ceil(texts_.Width(text)));
}

ChartPainter::Layout ChartPainter::ComputeLayout(QSize size, const ChartSeries& series, const ChartLook& look,
                                                 const ChartStyle& style,
                                                 std::optional<TimeRange> visibleTime,
                                                 std::optional<ValueSpan> visibleValues) {
    Layout layout;
    const QFontMetrics metrics(style.font);
    const int textHeight = metrics.height();
    layout.panel = ToQColor(look.color, style.palette);
    layout.wall = ToQColor(look.backColor, style.palette);
    layout.text = qGray(layout.panel.rgb()) < 128 ? QColor(Qt::white) : QColor(Qt::black);
    layout.size = size;
    layout.outer = QRect(QPoint(0, 0), size).adjusted(kMargin, kMargin, -kMargin, -kMargin);

    const std::size_t count = series.Count();
    ValueRange values;
    if (visibleTime && visibleTime->end > visibleTime->begin) {
        layout.time = *visibleTime;
        layout.hasTime = true;
        const std::size_t begin = series.LowerBound(layout.time.begin);
        values = series.FiniteRange(begin, series.LowerBound(layout.time.end, begin, count));
    } else if (const auto live = LiveRange(series)) {
        layout.time = *live;
        layout.hasTime = true;
        values = series.FiniteRange(0, count);
    }

    // The legend lists the values from its first shown entry, as many as fit its height.
    layout.rowHeight = std::max(textHeight, kMarker) + 2;
    const int capacity = std::max(0, (layout.outer.height() - 2 * kLegendPad) / layout.rowHeight);
    const std::size_t first = static_cast<std::size_t>(std::max(look.legendFirstValue, 0));
    layout.legendFirst = first;
    layout.legendRows = first < count ? static_cast<int>(std::min<std::size_t>(capacity, count - first)) : 0;
    legendTexts_.resize(static_cast<std::size_t>(layout.legendRows));
    int textWidth = 0;
    for (int row = 0; row < layout.legendRows; ++row) {
        const double value = series.Y(first + static_cast<std::size_t>(row));
        QString& text = legendTexts_[static_cast<std::size_t>(row)];
        text = ChartValueText(value, style);
        textWidth = std::max(textWidth, TextWidth(text));
    }
    int chartRight = layout.outer.right();
    if (layout.legendRows > 0) {
        // Whole steps of 8 pixels keep the plot from shifting with every new value text.
        int width = 2 * kLegendPad + kMarker + 4 + textWidth;
        width = std::min((width + 7) / 8 * 8, std::max(layout.outer.width() / 2, 0));
        layout.legend = QRect(layout.outer.right() + 1 - width, layout.outer.top(), width,
                              layout.legendRows * layout.rowHeight + 2 * kLegendPad);
        chartRight = layout.legend.left() - kGap - 1;
    }

    const bool crossesDay =
        layout.hasTime && FloorDiv(layout.time.begin, kDayMs) != FloorDiv(layout.time.end - 1, kDayMs);
    const int bottomSpace = (crossesDay ? 2 : 1) * textHeight + 4;
    const int topSpace = textHeight / 2;
    const int estimatedHeight = layout.outer.height() - bottomSpace - topSpace;
    const int maxTicks = std::max(1, estimatedHeight / (2 * textHeight));
    const bool fixedValues = visibleValues && visibleValues->min < visibleValues->max &&
                             std::isfinite(visibleValues->max - visibleValues->min);
    layout.values = fixedValues ? FixedValueTicks(visibleValues->min, visibleValues->max, maxTicks)
                                : NiceValueTicks(values.min, values.max, maxTicks);
    int labelWidth = 0;
    for (int k = 0; k < layout.values.count; ++k) {
        labelWidth = std::max(labelWidth, TextWidth(AxisValueText(layout.values.Tick(k), layout.values,
                                                                  style.regional.decimalSeparator)));
    }
    layout.plot = QRect(QPoint(layout.outer.left() + labelWidth + kGap, layout.outer.top() + topSpace),
                        QPoint(chartRight, layout.outer.bottom() - bottomSpace));
    if (layout.plot.width() < 8 || layout.plot.height() < 8) {
        return layout;
    }
    if (look.view3D) {
        const int side = std::min(layout.plot.width(), layout.plot.height());
        layout.depth =
            std::max(1, static_cast<int>(std::lround(look.depthPercent * side * kDepthPerPercent)));
    }
    layout.front = QRect(layout.plot.left(), layout.plot.top() + layout.depth,
                         layout.plot.width() - layout.depth, layout.plot.height() - layout.depth);
    layout.back = layout.front.translated(layout.depth, -layout.depth);
    layout.hasPlot = true;
    layout.mapping = PlotMapping{layout.front.left(),  layout.front.top(),
                                 layout.front.width(), layout.front.height(),
                                 layout.time,          {layout.values.axisMin, layout.values.axisMax}};

    if (layout.hasTime) {
        int sample = TextWidth(ChartTimeText(layout.time.begin, style));
        if (crossesDay) {
            sample = std::max(sample, TextWidth(ChartDateText(layout.time.begin, style)));
        }
        const double span = static_cast<double>(layout.time.end) - static_cast<double>(layout.time.begin);
        const double minStep = std::ceil((sample + 16.0) * span / layout.front.width());
        layout.times = NiceTimeTicks(layout.time.begin, layout.time.end,
                                     static_cast<std::int64_t>(std::min(minStep, 9e18)));
    }
    return layout;
}

void ChartPainter::DrawBackgroundCached(QPainter& painter, const Layout& layout, const ChartLook& look,
                                        const ChartStyle& style) {
    const qreal ratio = painter.device() != nullptr ? painter.device()->devicePixelRatioF() : 1.0;
    const BackgroundKey key{layout.size,           ratio,
                            layout.panel.rgb(),    layout.wall.rgb(),
                            look.backWallSolid,    layout.front,
                            layout.depth,          layout.time,
                            layout.hasTime,        layout.values.axisMin,
                            layout.values.axisMax, layout.values.step,
                            layout.times.step,     layout.legend};
    if (cacheValid_ && key == cacheKey_) {
        painter.drawPixmap(0, 0, cache_);
        labels_ = cacheLabels_;
        return;
    }
    if (!lastKey_ || !(*lastKey_ == key)) {
        // A background seen once (a live chart moves its time axis with every point) is drawn directly;
        // one that comes back (a repaint of unchanged data) is kept.
        lastKey_ = key;
        DrawBackground(painter, layout, look, style);
        return;
    }
    cache_ = QPixmap(key.size * ratio);
    cache_.setDevicePixelRatio(ratio);
    {
        QPainter cachePainter(&cache_);
        DrawBackground(cachePainter, layout, look, style);
    }
    cacheLabels_ = labels_;
    cacheKey_ = key;
    cacheValid_ = true;
    painter.drawPixmap(0, 0, cache_);
}

void ChartPainter::DrawBackground(QPainter& painter, const Layout& layout, const ChartLook& look,
                                  const ChartStyle& style) {
    painter.fillRect(QRect(QPoint(0, 0), layout.size), layout.panel);
    labels_.clear();
    if (!layout.hasPlot) {
        return;
    }
    const QRect& front = layout.front;
    const QRect& back = layout.back;
    const int depth = layout.depth;
    const QColor surface = look.backWallSolid ? layout.wall : layout.panel;
    if (depth > 0) {
        const QPointF frontTopLeft(front.left(), front.top());
        const QPointF frontBottomLeft(front.left(), front.bottom() + 1);
        const QPointF frontBottomRight(front.right() + 1, front.bottom() + 1);
        const QPointF shift(depth, -depth);
        painter.setPen(Qt::NoPen);
        painter.setBrush(surface.darker(115));
        painter.drawPolygon(
            QPolygonF({frontTopLeft, frontBottomLeft, frontBottomLeft + shift, frontTopLeft + shift}));
        painter.setBrush(surface.darker(130));
        painter.drawPolygon(QPolygonF(
            {frontBottomLeft, frontBottomRight, frontBottomRight + shift, frontBottomLeft + shift}));
        painter.setBrush(Qt::NoBrush);
    }
    if (look.backWallSolid) {
        painter.fillRect(back, layout.wall);
    }

    painter.setPen(QPen(kGridColor, 0, Qt::DotLine));
    for (int k = 0; k < layout.values.count; ++k) {
        const double y = layout.mapping.YOf(layout.values.Tick(k)) - depth;
        painter.drawLine(QLineF(back.left(), y, back.right() + 1, y));
        if (depth > 0) {
            painter.drawLine(QLineF(front.left(), y + depth, back.left(), y));
        }
    }
    for (int k = 0; k < layout.times.count; ++k) {
        const double x = layout.mapping.XOf(layout.times.Tick(k)) + depth;
        painter.drawLine(QLineF(x, back.top(), x, back.bottom() + 1));
        if (depth > 0) {
            painter.drawLine(QLineF(x - depth, front.bottom() + 1, x, back.bottom() + 1));
        }
    }
    painter.setPen(QPen(kFrameColor, 0));
    painter.drawRect(back.adjusted(0, 0, -1, -1));
    if (depth > 0) {
        painter.drawLine(QLineF(front.left() + 0.5, front.top(), front.left() + 0.5, front.bottom() + 0.5));
        painter.drawLine(QLineF(front.left(), front.bottom() + 0.5, front.right() + 1, front.bottom() + 0.5));
        painter.drawLine(QLineF(front.left() + 0.5, front.top() + 0.5, back.left() + 0.5, back.top() + 0.5));
        painter.drawLine(
            QLineF(front.right() + 0.5, front.bottom() + 0.5, back.right() + 0.5, back.bottom() + 0.5));
    }

    DrawAxisLabels(painter, layout, style);
}

void ChartPainter::DrawAxisLabels(QPainter& painter, const Layout& layout, const ChartStyle& style) {
    const QRect& front = layout.front;
    painter.setFont(style.font);
    painter.setPen(layout.text);
    const QFontMetrics metrics(style.font);
    const double middle = (metrics.ascent() - metrics.descent()) / 2.0;
    labels_.clear();
    for (int k = 0; k < layout.values.count; ++k) {
        const QString text =
            AxisValueText(layout.values.Tick(k), layout.values, style.regional.decimalSeparator);
        const double y = layout.mapping.YOf(layout.values.Tick(k));
        const QRectF box(front.left() - kGap + 1 - texts_.Width(text), y + middle - metrics.ascent(),
                         texts_.Width(text), metrics.height());
        painter.drawStaticText(box.topLeft(), texts_.Get(text));
        labels_.push_back(box);
    }
    // A time label is left out (its grid line stays) where it would touch a value label, the time label
    // before it or the legend, or reach beyond the panel.
    const QRectF panel(QPointF(0, 0), QSizeF(layout.size));
    const QRectF legend = layout.legend.isEmpty() ? QRectF() : QRectF(layout.legend);
    const std::size_t valueLabels = labels_.size();
    const double top = front.bottom() + 4;
    for (int k = 0; k < layout.times.count; ++k) {
        const std::int64_t tick = layout.times.Tick(k);
        const double x = layout.mapping.XOf(tick);
        const bool time = layout.times.label != TimeLabel::Date;
        const bool date = layout.times.label != TimeLabel::Time;
        const QString timeText = time ? ChartTimeText(tick, style) : QString();
        const QString dateText = date ? ChartDateText(tick, style) : QString();
        const double width =
            std::max(time ? texts_.Width(timeText) : 0.0, date ? texts_.Width(dateText) : 0.0);
        const QRectF box(x - width / 2.0, top, width, (time && date ? 2 : 1) * metrics.height());
        const QRectF apart = box.adjusted(-kLabelGap, 0, kLabelGap, 0);
        const bool fits =
            panel.contains(box) && !apart.intersects(legend) &&
            std::none_of(labels_.begin(), labels_.begin() + static_cast<std::ptrdiff_t>(valueLabels),
                         [&](const QRectF& other) { return apart.intersects(other); }) &&
            (labels_.size() == valueLabels || !apart.intersects(labels_.back()));
        if (!fits) {
            continue;
        }
        double lineTop = top;
        if (time) {
            painter.drawStaticText(QPointF(x - texts_.Width(timeText) / 2.0, lineTop), texts_.Get(timeText));
            lineTop += metrics.height();
        }
        if (date) {
            painter.drawStaticText(QPointF(x - texts_.Width(dateText) / 2.0, lineTop), texts_.Get(dateText));
        }
        labels_.push_back(box);
    }
}

QVector<QRect>& ChartPainter::BatchFor(ToolkitColor color) {
    for (std::size_t i = batchesUsed_; i-- > 0;) {
        if (batches_[i].first == color) {
            return batches_[i].second;
        }
    }
    if (batchesUsed_ == batches_.size()) {
        batches_.emplace_back();
    }
    auto& batch = batches_[batchesUsed_++];
    batch.first = color;
    batch.second.clear();
    return batch.second;
}

template <typename Visit>
void ChartPainter::ForEachRun(Visit visit) {
    std::size_t x = 0;
    while (x < frontSpans_.size()) {
        if (frontSpans_[x].span.Empty()) {
            ++x;
            continue;
        }
        const std::size_t start = x;
        const ToolkitColor color = frontSpans_[x].color;
        runSpans_.clear();
        while (x < frontSpans_.size() && !frontSpans_[x].span.Empty() && frontSpans_[x].color == color) {
            runSpans_.push_back(frontSpans_[x].span);
            ++x;
        }
        visit(start, color);
    }
}

void ChartPainter::DrawSeries(QPainter& painter, const Layout& layout, const ChartSeries& series,
                              const ChartStyle& style) {
    const QRect& front = layout.front;
    const int columns = front.width();
    ReduceColumns(series, layout.time, columns, reduction_);
    // The line is laid out as the rows it covers in each pixel column and filled as rectangles in one call
    // per colour, which costs a fraction of what stroking the same pixels as lines does.
    frontSpans_.assign(static_cast<std::size_t>(columns), ColumnSpan{});
    const double left = front.left();
    const PlotMapping& mapping = layout.mapping;
    const auto map = [&](double value) { return static_cast<float>(mapping.YOf(value)); };
    const auto addLine = [&](float x0, float y0, float x1, float y1, ToolkitColor color) {
        AddSegment(frontSpans_, x0, y0, x1, y1, color);
    };

    bool connected = false;
    float previousX = 0.0f;
    float previousY = 0.0f;
    if (reduction_.before && std::isfinite(series.Y(*reduction_.before))) {
        connected = true;
        previousX = static_cast<float>(mapping.XOf(series.X(*reduction_.before)) - left);
        previousY = map(series.Y(*reduction_.before));
    }
    for (const ColumnSummary& column : reduction_.columns) {
        const ToolkitColor color = series.ColorAt(column.last);
        const float x = static_cast<float>(column.column) + 0.5f;
        const double firstValue = series.Y(column.first);
        const bool enters = connected && std::isfinite(firstValue);
        if (enters) {
            addLine(previousX, previousY, x, map(firstValue), color);
        }
        if (!column.values.Empty()) {
            addLine(x, map(column.values.max), x, map(column.values.min), color);
        }
        const double lastValue = series.Y(column.last);
        connected = std::isfinite(lastValue);
        previousX = x;
        previousY = map(lastValue);
    }
    if (reduction_.after && connected && std::isfinite(series.Y(*reduction_.after))) {
        const std::size_t after = *reduction_.after;
        addLine(previousX, previousY, static_cast<float>(mapping.XOf(series.X(after)) - left),
                map(series.Y(after)), series.ColorAt(after));
    }

    // A line that leaves the value axis (a zoomed axis, or a point beyond the shown times) is cut at the
    // front plane's edges, so neither it nor the ribbon swept back from it reaches out of the box.
    const auto frontTop = static_cast<float>(front.top());
    const auto frontBottom = static_cast<float>(front.bottom());
    for (ColumnSpan& column : frontSpans_) {
        column.span.top = std::max(column.span.top, frontTop);
        column.span.bottom = std::min(column.span.bottom, frontBottom);
    }
    painter.setPen(Qt::NoPen);
    if (layout.depth > 0) {
        DrawRibbon(painter, layout, style);
    }
    batchesUsed_ = 0;
    ForEachRun([&](std::size_t start, ToolkitColor color) {
        rects_.clear();
        CoverColumns(runSpans_, front.left() + static_cast<int>(start), rects_);
        AppendRects(rects_, BatchFor(color));
    });
    for (std::size_t i = 0; i < batchesUsed_; ++i) {
        painter.setBrush(ToQColor(batches_[i].first, style.palette));
        painter.drawRects(batches_[i].second);
    }
    painter.setBrush(Qt::NoBrush);
}

void ChartPainter::DrawRibbon(QPainter& painter, const Layout& layout, const ChartStyle& style) {
    // A run further right lies in front of the runs before it, so it is painted later. Each run is swept
    // back along the depth as a whole.
    ForEachRun([&](std::size_t start, ToolkitColor color) {
        SweepSpans(runSpans_, layout.depth, 1.0f, swept_);
        rects_.clear();
        CoverColumns(swept_, layout.front.left() + static_cast<int>(start), rects_);
        fill_.clear();
        AppendRects(rects_, fill_);
        painter.setBrush(ToQColor(color, style.palette).darker(kRibbonShade));
        painter.drawRects(fill_);
    });
}

void ChartPainter::DrawLegend(QPainter& painter, const Layout& layout, const ChartSeries& series,
                              const ChartStyle& style) {
    if (layout.legendRows == 0) {
        return;
    }
    const QRect& box = layout.legend;
    painter.fillRect(box, Qt::white);
    painter.setPen(QPen(Qt::black, 0));
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    painter.save();
    painter.setClipRect(box.adjusted(1, 1, -1, -1));
    painter.setFont(style.font);
    const QFontMetrics metrics(style.font);
    const double textOffset = (layout.rowHeight + metrics.ascent() - metrics.descent()) / 2.0;
    for (int row = 0; row < layout.legendRows; ++row) {
        const int top = box.top() + kLegendPad + row * layout.rowHeight;
        const QRect marker(box.left() + kLegendPad, top + (layout.rowHeight - kMarker) / 2, kMarker, kMarker);
        painter.fillRect(marker, ToQColor(series.ColorAt(layout.legendFirst + static_cast<std::size_t>(row)),
                                          style.palette));
        painter.drawRect(marker.adjusted(0, 0, -1, -1));
        painter.drawStaticText(QPointF(marker.right() + 5, top + textOffset - metrics.ascent()),
                               texts_.Get(legendTexts_[static_cast<std::size_t>(row)]));
    }
    painter.restore();
}

}  // namespace zt30
