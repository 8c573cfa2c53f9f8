// Pixel geometry of the chart's 3D ribbon: the line's vertical extent in each pixel column of the front
// plane, and that extent swept back along the depth vector (depth columns to the right and rise pixels up
// per column), which is the ribbon's outline column by column. Both are O(width), whatever the depth, so the
// 3D view costs about what the 2D line does.
#pragma once

#include <span>
#include <vector>

#include "views/toolkit_color.h"

namespace zt30 {

// The rows [top, bottom] that something covers in one pixel column (y grows downwards); empty when
// top > bottom.
struct PixelSpan {
    float top = 1.0f;
    float bottom = 0.0f;

    bool Empty() const { return !(top <= bottom); }
    void Include(float y) {
        if (Empty()) {
            top = bottom = y;
            return;
        }
        top = y < top ? y : top;
        bottom = y > bottom ? y : bottom;
    }
    friend bool operator==(const PixelSpan&, const PixelSpan&) = default;
};

// One pixel column of the line: where it is and the colour of the point it belongs to.
struct ColumnSpan {
    PixelSpan span;
    ToolkitColor color = kColorRed;
};

// Adds the segment from (x0, y0) to (x1, y1), x0 <= x1, to the columns it crosses (column k covers
// k <= x < k + 1; the parts outside [0, columns.size()) are dropped). A column takes color when it held
// nothing before, so the column of a point keeps that point's colour and the columns in between take the
// colour of the point the segment leads to.
void AddSegment(std::span<ColumnSpan> columns, float x0, float y0, float x1, float y1, ToolkitColor color);

// For each output column X in [0, front.size() + depth): the union of front[k] raised by (X - k) · rise
// for k in [X - depth, X], as one span (the columns of one connected line overlap, so it has no holes).
// out is resized to front.size() + depth.
void SweepSpans(std::span<const PixelSpan> front, int depth, float rise, std::vector<PixelSpan>& out);

// A rectangle of whole pixels: columns [x, x + width), rows [y, y + height).
struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// The rows a span covers in one column: from floor(top) to floor(bottom).
int FirstRow(const PixelSpan& span);
int LastRow(const PixelSpan& span);

// Rectangles that cover exactly the rows of spans[i] in column firstColumn + i, each pixel once, appended to
// out. Filling costs about one call per rectangle row, so neighbouring columns share a rectangle for the
// rows they all cover (with one for each column's rows above and below it) as long as that saves rows.
void CoverColumns(std::span<const PixelSpan> spans, int firstColumn, std::vector<PixelRect>& out);

}  // namespace zt30
