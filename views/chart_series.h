// The points of the trend chart's one line series: a time x (the local date and time as milliseconds since
// the epoch), a value y and a colour each, kept in ascending x order. The main window adds one point a
// second and drops the earliest one once its limit is reached, so both ends are O(1) (a ring buffer of three
// flat arrays); a min/max tree over the buffer's slots answers the value range of any run of points in
// O(log n), which is what lets a repaint of 100,000 points cost O(width · log n).
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "views/toolkit_color.h"

namespace zt30 {

// The finite values' range of some points; empty (min > max) when none of them is finite.
struct ValueRange {
    double min = std::numeric_limits<double>::infinity();
    double max = -std::numeric_limits<double>::infinity();

    bool Empty() const { return !(min <= max); }
    void Include(const ValueRange& other) {
        min = other.min < min ? other.min : min;
        max = other.max > max ? other.max : max;
    }
};

struct ChartPoint {
    std::int64_t x = 0;
    double y = 0.0;
    ToolkitColor color = kColorRed;

    friend bool operator==(const ChartPoint&, const ChartPoint&) = default;
};

class ChartSeries final {
public:
    ChartSeries() = default;

    std::size_t Count() const { return count_; }
    bool Empty() const { return count_ == 0; }

    // Point i, 0 being the earliest; i must be below Count().
    std::int64_t X(std::size_t i) const { return xs_[Slot(i)]; }
    double Y(std::size_t i) const { return ys_[Slot(i)]; }
    ToolkitColor ColorAt(std::size_t i) const { return colors_[Slot(i)]; }
    ChartPoint At(std::size_t i) const { return {X(i), Y(i), ColorAt(i)}; }

    // Adds a point after every point whose x is not later than x and returns its index. A point at or after
    // the last one is appended in amortised O(1); an earlier one is moved into place, shifting the shorter
    // side of the buffer. Any y is kept, also a non-finite one (it is shown, never scaled or drawn).
    std::size_t Add(std::int64_t x, double y, ToolkitColor color);

    // Removes point 0 (the earliest) in O(1); false when there is none.
    bool RemoveFirst();

    // Removes every point; the memory is kept for the points to come.
    void Clear();

    // The index of the first point whose x is not before x, searched in [from, to); to when there is none.
    std::size_t LowerBound(std::int64_t x, std::size_t from, std::size_t to) const;
    std::size_t LowerBound(std::int64_t x) const { return LowerBound(x, 0, count_); }

    // The range of the finite y of points [begin, end) (end clipped to Count()), in O(log n).
    ValueRange FiniteRange(std::size_t begin, std::size_t end) const;

    // Slots held; grows by doubling.
    std::size_t Capacity() const { return xs_.size(); }

private:
    std::size_t Slot(std::size_t i) const { return (head_ + i) & mask_; }
    void Grow();
    void CopySlot(std::size_t to, std::size_t from);
    void MarkDirty(std::size_t slot) const;
    void RefreshTree() const;
    void UpdateNode(std::size_t node) const;
    ValueRange NodeRange(std::size_t node) const;
    ValueRange SlotRange(std::size_t from, std::size_t to) const;

    std::vector<std::int64_t> xs_;
    std::vector<double> ys_;
    std::vector<ToolkitColor> colors_;
    std::size_t head_ = 0;
    std::size_t count_ = 0;
    std::size_t mask_ = 0;

    // Node k (1 to capacity-1) holds the range of its two children; node capacity+s stands for slot s and
    // is read from ys_. Every slot written since the last query is listed and its path refreshed lazily, so
    // an append costs O(1) and removing the earliest point touches nothing (queries never cover a free slot).
    mutable std::vector<ValueRange> tree_;
    mutable std::vector<std::uint32_t> dirty_;
    mutable bool rebuild_ = false;
};

}  // namespace zt30
