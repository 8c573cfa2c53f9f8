#include "views/chart_columns.h"

#include <algorithm>

namespace zt30 {

std::int64_t ColumnEdge(TimeRange range, int columns, int c) {
    if (columns < 1) {
        columns = 1;
    }
    c = std::clamp(c, 0, columns);
    // Unsigned arithmetic keeps end - begin exact for any pair; the split keeps span · c from overflowing.
    const std::uint64_t span =
        static_cast<std::uint64_t>(range.end) - static_cast<std::uint64_t>(range.begin);
    const auto n = static_cast<std::uint64_t>(columns);
    const auto k = static_cast<std::uint64_t>(c);
    const std::uint64_t offset = (span / n) * k + (span % n) * k / n;
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(range.begin) + offset);
}

namespace {

// The first point at or after edge in (from, to), from's point being before edge. A column holds few points
// compared with the series, so galloping from the column's start beats a search over the whole rest.
std::size_t NextColumnStart(const ChartSeries& series, std::int64_t edge, std::size_t from, std::size_t to) {
    std::size_t low = from + 1;
    std::size_t step = 1;
    while (low + step < to && series.X(low + step) < edge) {
        low += step + 1;
        step *= 2;
    }
    return series.LowerBound(edge, low, std::min(low + step + 1, to));
}

}  // namespace

void ReduceColumns(const ChartSeries& series, TimeRange range, int columns, ColumnReduction& out) {
    out.columns.clear();
    out.before.reset();
    out.after.reset();
    out.values = ValueRange{};
    if (columns < 1) {
        columns = 1;
    }
    const std::size_t count = series.Count();
    const std::size_t begin = series.LowerBound(range.begin);
    const std::size_t end = range.end > range.begin ? series.LowerBound(range.end, begin, count) : begin;
    if (begin > 0) {
        out.before = begin - 1;
    }
    if (end < count) {
        out.after = end;
    }
    std::size_t index = begin;
    for (int c = 0; c < columns && index < end; ++c) {
        const std::int64_t nextEdge = ColumnEdge(range, columns, c + 1);
        if (series.X(index) >= nextEdge) {
            continue;
        }
        const std::size_t next = c + 1 == columns ? end : NextColumnStart(series, nextEdge, index, end);
        ColumnSummary summary{c, index, next - 1, series.FiniteRange(index, next)};
        out.values.Include(summary.values);
        out.columns.push_back(summary);
        index = next;
    }
}

}  // namespace zt30
