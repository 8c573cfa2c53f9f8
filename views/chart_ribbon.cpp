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

}  // namespace zt30
