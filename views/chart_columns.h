// Reduces the points of a visible time range to one summary per pixel column (first, last, min and max
// value), which is all a 1-pixel line can show. Column edges are found by binary search and each column's
// value range comes from the series' min/max tree, so the cost is O(columns · log n) whatever the number of
// points, and a range narrower than the data only ever touches its own points.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "views/chart_series.h"

namespace zt30 {

// A half-open time range [begin, end) in the series' x unit; end must be after begin.
struct TimeRange {
    std::int64_t begin = 0;
    std::int64_t end = 1;

    friend bool operator==(const TimeRange&, const TimeRange&) = default;
};

// The x where column c (0 to columns) starts: begin + floor((end - begin) · c / columns), exact for any
// 64-bit range. Column c holds the points with ColumnEdge(c) <= x < ColumnEdge(c + 1).
std::int64_t ColumnEdge(TimeRange range, int columns, int c);

struct ColumnSummary {
    int column = 0;
    std::size_t first = 0;  // index of the column's first point
    std::size_t last = 0;   // index of its last point, whose colour the column takes
    ValueRange values;      // of the column's finite values

    friend bool operator==(const ColumnSummary& a, const ColumnSummary& b) {
        return a.column == b.column && a.first == b.first && a.last == b.last &&
               a.values.Empty() == b.values.Empty() &&
               (a.values.Empty() || (a.values.min == b.values.min && a.values.max == b.values.max));
    }
};

struct ColumnReduction {
    std::vector<ColumnSummary> columns;  // the columns that hold points, left to right
    std::optional<std::size_t> before;   // the last point before the range, where the line comes from
    std::optional<std::size_t> after;    // the first point after it, where the line goes on
    ValueRange values;                   // of every finite value in the range
};

// Summarises the points of range into columns (at least 1); reuses out's memory.
void ReduceColumns(const ChartSeries& series, TimeRange range, int columns, ColumnReduction& out);

}  // namespace zt30
