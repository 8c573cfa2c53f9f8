#include "views/trend_chart.h"

#include <QEvent>
#include <QPaintDevice>
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
    style_.locale = locale();
}

TrendChart::~TrendChart() = default;

void TrendChart::SetColor(ToolkitColor color) {
    look_.color = color;
    Changed();
}

void TrendChart::SetBackColor(ToolkitColor color) {
    look_.backColor = color;
    look_.backWallSolid = true;
    Changed();
}

void TrendChart::SetView3D(bool on) {
    look_.view3D = on;
    Changed();
}

void TrendChart::SetChart3DPercent(int percent) {
    look_.depthPercent = std::clamp(percent, 1, 100);
    Changed();
}

void TrendChart::SetLegendFirstValue(int index) {
    look_.legendFirstValue = std::max(index, 0);
    Changed();
}

void TrendChart::SetValueFormatter(ChartValueFormatter formatter) {
    style_.formatter = std::move(formatter);
    Changed();
}

void TrendChart::SetRegionalFormat(const ChartRegionalFormat& format) {
    style_.regional = format;
    painter_.Invalidate();
    Changed();
}

void TrendChart::AddPoint(std::int64_t x, double y, ToolkitColor color) {
    series_.Add(x, y, color);
    Changed();
}

bool TrendChart::DeleteFirstPoint() {
    if (!series_.RemoveFirst()) {
        return false;
    }
    Changed();
    return true;
}

void TrendChart::Clear() {
    series_.Clear();
    Changed();
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

void TrendChart::Changed() {
    ++version_;
    update();
}

void TrendChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const FrameKey key{version_, size(), painter.device()->devicePixelRatioF()};
    if (frameValid_ && key == frameKey_) {
        painter.drawPixmap(0, 0, frame_);
        return;
    }
    if (!(key == lastKey_)) {
        // The first paint of a new state goes straight to the screen: a live chart changes every second.
        lastKey_ = key;
        legendRowsShown_ = painter_.Paint(painter, size(), series_, look_, style_);
        return;
    }
    // The same state painted again (a window moved over the chart, a dialog closed): keep the frame.
    frame_ = QPixmap(size() * key.pixelRatio);
    frame_.setDevicePixelRatio(key.pixelRatio);
    {
        QPainter framePainter(&frame_);
        legendRowsShown_ = painter_.Paint(framePainter, size(), series_, look_, style_);
    }
    frameKey_ = key;
    frameValid_ = true;
    painter.drawPixmap(0, 0, frame_);
}

void TrendChart::changeEvent(QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::PaletteChange || type == QEvent::FontChange || type == QEvent::LocaleChange) {
        style_.palette = palette();
        style_.font = font();
        style_.locale = locale();
        painter_.Invalidate();
        Changed();
    }
    QWidget::changeEvent(event);
}

}  // namespace zt30
