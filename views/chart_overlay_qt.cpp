#include "views/chart_overlay_qt.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <algorithm>

namespace zt30 {

namespace {

constexpr int kPad = 4;
constexpr int kRing = 5;     // radius of the ring around the point
constexpr int kOffset = 10;  // from the point to its box
const QColor kBoxFill(255, 255, 225);
const QColor kBoxText(0, 0, 0);
const QColor kBoxFrame(64, 64, 64);

}  // namespace

void DrawReadout(QPainter& painter, const QRect& plot, QPointF at, QColor pointColor,
                 const QStringList& lines, const QFont& font) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::NoBrush);
    // A white ring inside a black one shows on any back wall and over any line colour; the dot in it has the
    // point's colour.
    painter.setPen(QPen(Qt::black, 3.5));
    painter.drawEllipse(at, kRing, kRing);
    painter.setPen(QPen(Qt::white, 1.5));
    painter.drawEllipse(at, kRing, kRing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(pointColor);
    painter.drawEllipse(at, 2.0, 2.0);
    painter.setBrush(Qt::NoBrush);
    painter.setRenderHint(QPainter::Antialiasing, false);

    const QFontMetrics metrics(font);
    int width = 0;
    for (const QString& line : lines) {
        width = std::max(width, metrics.horizontalAdvance(line));
    }
    const QSize size(width + 2 * kPad, static_cast<int>(lines.size()) * metrics.height() + 2 * kPad);
    // Right of and above the point; flipped to the other side where the plot ends.
    int left = static_cast<int>(at.x()) + kOffset;
    if (left + size.width() > plot.right()) {
        left = static_cast<int>(at.x()) - kOffset - size.width();
    }
    int top = static_cast<int>(at.y()) - kOffset - size.height();
    if (top < plot.top()) {
        top = static_cast<int>(at.y()) + kOffset;
    }
    left = std::clamp(left, plot.left(), std::max(plot.left(), plot.right() - size.width()));
    top = std::clamp(top, plot.top(), std::max(plot.top(), plot.bottom() - size.height()));
    const QRect box(QPoint(left, top), size);
    painter.fillRect(box, kBoxFill);
    painter.setPen(QPen(kBoxFrame, 0));
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    painter.setFont(font);
    painter.setPen(kBoxText);
    int baseline = box.top() + kPad + metrics.ascent();
    for (const QString& line : lines) {
        painter.drawText(QPointF(box.left() + kPad, baseline), line);
        baseline += metrics.height();
    }
    painter.restore();
}

void DrawPlotNote(QPainter& painter, const QRect& plot, const QString& text, const QFont& font) {
    painter.save();
    QFont small = font;
    if (small.pointSizeF() > 0) {
        small.setPointSizeF(small.pointSizeF() * 0.9);
    }
    const QFontMetrics metrics(small);
    const QRect box(
        plot.left() + kPad, plot.top() + kPad,
        std::min(metrics.horizontalAdvance(text) + 2 * kPad, std::max(plot.width() - 2 * kPad, 0)),
        metrics.height() + kPad);
    painter.setClipRect(plot);
    painter.fillRect(box, kBoxFill);
    painter.setPen(QPen(kBoxFrame, 0));
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    painter.setFont(small);
    painter.setPen(kBoxText);
    painter.setClipRect(box.adjusted(1, 1, -1, -1));
    painter.drawText(QPointF(box.left() + kPad, box.top() + kPad / 2 + metrics.ascent()), text);
    painter.restore();
}

void DrawFocusFrame(QPainter& painter, const QRect& area, QColor color) {
    painter.save();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(color, 1, Qt::DotLine));
    painter.drawRect(area.adjusted(1, 1, -2, -2));
    painter.restore();
}

}  // namespace zt30
