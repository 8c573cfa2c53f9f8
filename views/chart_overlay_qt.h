// What the trend chart draws over its finished picture and never into an exported one: the read-out of the
// point nearest to the pointer (a ring around the point and a box with its time and value), the note that
// says how to get back to the live view, and the keyboard focus frame. Texts are drawn as plain text.
#pragma once

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QRect>
#include <QString>
#include <QStringList>

class QPainter;

namespace zt30 {

// Draws a ring of the point's colour around at and, beside it within plot, a box with lines of text.
void DrawReadout(QPainter& painter, const QRect& plot, QPointF at, QColor pointColor,
                 const QStringList& lines, const QFont& font);

// Draws text in a box in the top left corner of plot.
void DrawPlotNote(QPainter& painter, const QRect& plot, const QString& text, const QFont& font);

// Draws the dotted frame that shows the keyboard focus, just inside area.
void DrawFocusFrame(QPainter& painter, const QRect& area, QColor color);

}  // namespace zt30
