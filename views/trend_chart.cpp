#include "views/trend_chart.h"

#include <QEvent>
#include <QPainter>
#include <algorithm>
#include <utility>

namespace zt30 {

TrendChart::TrendChart(QWidget* parent) : QWidget(parent) {
    // Every pixel is painted, so Qt need not clear the widget first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(QStringLiteral("Graf naměřené hodnoty"));
    setAccessibleDescription(QStringLiteral("Průběh naměřené hodnoty v čase s legendou hodnot bodů"));
    style_.palette = palette();
    style_.font = font();
}

TrendChart::~TrendChart() = default;

void TrendChart::SetColor(ToolkitColor color) {
    look_.color = color;
    update();
}

void TrendChart::SetBackColor(ToolkitColor color) {
    look_.backColor = color;
    look_.backWallSolid = true;
    update();
}

void TrendChart::SetView3D(bool on) {
    look_.view3D = on;
    update();
}

void TrendChart::SetChart3DPercent(int percent) {
    look_.depthPercent = std::clamp(percent, 1, 100);
    update();
}

void TrendChart::SetLegendFirstValue(int index) {
    look_.legendFirstValue = std::max(index, 0);
    update();
}

void TrendChart::SetValueFormatter(ChartValueFormatter formatter) {
    style_.formatter = std::move(formatter);
    update();
}

void TrendChart::SetRegionalFormat(const ChartRegionalFormat& format) {
    style_.regional = format;
    painter_.Invalidate();
    update();
}

void TrendChart::AddPoint(std::int64_t x, double y, ToolkitColor color) {
    series_.Add(x, y, color);
    update();
}

bool TrendChart::DeleteFirstPoint() {
    if (!series_.RemoveFirst()) {
        return false;
    }
    update();
    return true;
}

void TrendChart::Clear() {
    series_.Clear();
    update();
}

void TrendChart::AddLimitedPoint(int limit, std::int64_t x, double y, ToolkitColor color) {
    if (PointCount() > limit) {
        series_.RemoveFirst();
    }
    const int count = PointCount();
    if (count > legendRowsShown_) {
        look_.legendFirstValue = count - legendRowsShown_;
    }
    AddPoint(x, y, color);
}

QSize TrendChart::sizeHint() const {
    return {480, 300};
}

QSize TrendChart::minimumSizeHint() const {
    return {120, 80};
}

void TrendChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    legendRowsShown_ = painter_.Paint(painter, size(), series_, look_, style_);
}

void TrendChart::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange) {
        style_.palette = palette();
        style_.font = font();
        painter_.Invalidate();
    }
    QWidget::changeEvent(event);
}

}  // namespace zt30
