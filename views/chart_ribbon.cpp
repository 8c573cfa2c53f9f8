#include "views/chart_ribbon.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace zt30 {

void AddSegment(std::span<ColumnSpan> columns, float x0, float y0, float x1, float y1, ToolkitColor color) {
    const auto width = static_cast<float>(columns.size());
    if (!(x0 <= x1) || !std::isfinite(y0) || !std::isfinite(y1) || x1 < 0.0f || x0 >= width) {
        return;
    }
    const float slope = x1 > x0 ? (y1 - y0) / (x1 - x0) : 0.0f;
    const auto at = [&](float x) { return x1 > x0 ? y0 + (x - x0) * slope : y1; };
    const int first = static_cast<int>(std::floor(std::max(x0, 0.0f)));
    const int last = std::min(static_cast<int>(std::floor(x1)), static_cast<int>(columns.size()) - 1);
    for (int k = first; k <= last; ++k) {
        ColumnSpan& column = columns[static_cast<std::size_t>(k)];
        if (column.span.Empty()) {
            column.color = color;
        }
        const float from = std::max(x0, static_cast<float>(k));
        const float to = std::min(x1, static_cast<float>(k + 1));
        column.span.Include(at(from));
        column.span.Include(at(to));
        if (x1 == x0) {
            column.span.Include(y0);
        }
    }
}

void SweepSpans(std::span<const PixelSpan> front, int depth, float rise, std::vector<PixelSpan>& out) {
    depth = std::max(depth, 0);
    const int count = static_cast<int>(front.size());
    out.assign(front.size() + static_cast<std::size_t>(depth), PixelSpan{});
    // front[k] raised by (X - k)·rise has top (top_k + k·rise) - X·rise: a sliding-window minimum of
    // top_k + k·rise and maximum of bottom_k + k·rise over k in [X - depth, X], kept in two monotonic queues.
    // Each column enters a queue once, so a vector with a moving front is enough.
    std::vector<int> tops(front.size());
    std::vector<int> bottoms(front.size());
    std::size_t topsFront = 0, topsBack = 0, bottomsFront = 0, bottomsBack = 0;
    const auto topKey = [&](int k) {
        return front[static_cast<std::size_t>(k)].top + static_cast<float>(k) * rise;
    };
    const auto bottomKey = [&](int k) {
        return front[static_cast<std::size_t>(k)].bottom + static_cast<float>(k) * rise;
    };
    for (int x = 0; x < count + depth; ++x) {
        if (x < count && !front[static_cast<std::size_t>(x)].Empty()) {
            while (topsBack > topsFront && topKey(tops[topsBack - 1]) >= topKey(x)) {
                --topsBack;
            }
            tops[topsBack++] = x;
            while (bottomsBack > bottomsFront && bottomKey(bottoms[bottomsBack - 1]) <= bottomKey(x)) {
                --bottomsBack;
            }
            bottoms[bottomsBack++] = x;
        }
        while (topsBack > topsFront && tops[topsFront] < x - depth) {
            ++topsFront;
        }
        while (bottomsBack > bottomsFront && bottoms[bottomsFront] < x - depth) {
            ++bottomsFront;
        }
        if (topsBack > topsFront) {
            const float shift = static_cast<float>(x) * rise;
            out[static_cast<std::size_t>(x)] = {topKey(tops[topsFront]) - shift,
                                                bottomKey(bottoms[bottomsFront]) - shift};
        }
    }
}

int FirstRow(const PixelSpan& span) {
    return static_cast<int>(std::floor(span.top));
}

int LastRow(const PixelSpan& span) {
    return static_cast<int>(std::floor(span.bottom));
}

void CoverColumns(std::span<const PixelSpan> spans, int firstColumn, std::vector<PixelRect>& out) {
    // A rectangle costs about as much as this many rows of filling.
    constexpr long kRectCost = 7;
    constexpr std::size_t kMaxGroup = 64;
    const std::size_t count = spans.size();
    std::size_t i = 0;
    while (i < count) {
        if (spans[i].Empty()) {
            ++i;
            continue;
        }
        // Grow the group [i, end) while the rows filled per column fall: a group of g columns whose span
        // rows add up to rows and share band rows fills rows - (g - 1)·band rows in 1 + 2g rectangles.
        int bandTop = FirstRow(spans[i]);
        int bandBottom = LastRow(spans[i]);
        long rows = bandBottom - bandTop + 1;
        double costPerColumn = static_cast<double>(rows + kRectCost);
        std::size_t end = i + 1;
        while (end < count && !spans[end].Empty() && end - i < kMaxGroup) {
            const int top = std::max(bandTop, FirstRow(spans[end]));
            const int bottom = std::min(bandBottom, LastRow(spans[end]));
            if (bottom < top) {
                break;
            }
            const long g = static_cast<long>(end - i) + 1;
            const long grownRows = rows + LastRow(spans[end]) - FirstRow(spans[end]) + 1;
            const double cost =
                static_cast<double>(grownRows - (g - 1) * (bottom - top + 1) + kRectCost * (1 + 2 * g)) /
                static_cast<double>(g);
            if (cost > costPerColumn) {
                break;
            }
            bandTop = top;
            bandBottom = bottom;
            rows = grownRows;
            costPerColumn = cost;
            ++end;
        }
        const int x = firstColumn + static_cast<int>(i);
        if (end == i + 1) {
            out.push_back({x, bandTop, 1, bandBottom - bandTop + 1});
        } else {
            out.push_back({x, bandTop, static_cast<int>(end - i), bandBottom - bandTop + 1});
            for (std::size_t k = i; k < end; ++k) {
                const int column = firstColumn + static_cast<int>(k);
                const int top = FirstRow(spans[k]);
                const int bottom = LastRow(spans[k]);
                if (top < bandTop) {
                    out.push_back({column, top, 1, bandTop - top});
                }
                if (bottom > bandBottom) {
                    out.push_back({column, bandBottom + 1, 1, bottom - bandBottom});
                }
            }
        }
        i = end;
    }
}

}  // namespace zt30
