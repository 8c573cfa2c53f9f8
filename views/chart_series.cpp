#include "views/chart_series.h"

#include <cmath>

namespace zt30 {

namespace {

constexpr std::size_t kFirstCapacity = 256;
// Below this many points a range is scanned directly; the tree pays only for longer ones.
constexpr std::size_t kScanLimit = 32;

ValueRange RangeOf(double y) {
    return std::isfinite(y) ? ValueRange{y, y} : ValueRange{};
}

}  // namespace

std::size_t ChartSeries::Add(std::int64_t x, double y, ToolkitColor color) {
    if (count_ == xs_.size()) {
        Grow();
    }
    std::size_t index = count_;
    if (count_ > 0 && x < X(count_ - 1)) {
        // Upper bound: the new point goes after every point with the same x.
        std::size_t low = 0;
        std::size_t high = count_;
        while (low < high) {
            const std::size_t middle = low + (high - low) / 2;
            if (X(middle) <= x) {
                low = middle + 1;
            } else {
                high = middle;
            }
        }
        index = low;
        if (index < count_ / 2) {
            // Move points 0 to index-1 one slot towards the front.
            head_ = (head_ + mask_) & mask_;
            for (std::size_t i = 0; i < index; ++i) {
                CopySlot(Slot(i), Slot(i + 1));
            }
        } else {
            for (std::size_t i = count_; i > index; --i) {
                CopySlot(Slot(i), Slot(i - 1));
            }
        }
    }
    const std::size_t slot = Slot(index);
    xs_[slot] = x;
    ys_[slot] = y;
    colors_[slot] = color;
    MarkDirty(slot);
    ++count_;
    return index;
}

bool ChartSeries::RemoveFirst() {
    if (count_ == 0) {
        return false;
    }
    head_ = (head_ + 1) & mask_;
    --count_;
    return true;
}

void ChartSeries::Clear() {
    head_ = 0;
    count_ = 0;
}

std::size_t ChartSeries::LowerBound(std::int64_t x, std::size_t from, std::size_t to) const {
    if (to > count_) {
        to = count_;
    }
    std::size_t low = from < to ? from : to;
    std::size_t high = to;
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (X(middle) < x) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low;
}

ValueRange ChartSeries::FiniteRange(std::size_t begin, std::size_t end) const {
    if (end > count_) {
        end = count_;
    }
    if (begin >= end) {
        return {};
    }
    const std::size_t length = end - begin;
    const std::size_t first = Slot(begin);
    if (length <= kScanLimit) {
        ValueRange range;
        for (std::size_t i = begin; i < end; ++i) {
            range.Include(RangeOf(Y(i)));
        }
        return range;
    }
    RefreshTree();
    const std::size_t capacity = xs_.size();
    if (first + length <= capacity) {
        return SlotRange(first, first + length);
    }
    ValueRange range = SlotRange(first, capacity);
    range.Include(SlotRange(0, first + length - capacity));
    return range;
}

void ChartSeries::Grow() {
    const std::size_t capacity = xs_.empty() ? kFirstCapacity : xs_.size() * 2;
    std::vector<std::int64_t> xs(capacity);
    std::vector<double> ys(capacity);
    std::vector<ToolkitColor> colors(capacity);
    for (std::size_t i = 0; i < count_; ++i) {
        const std::size_t slot = Slot(i);
        xs[i] = xs_[slot];
        ys[i] = ys_[slot];
        colors[i] = colors_[slot];
    }
    xs_.swap(xs);
    ys_.swap(ys);
    colors_.swap(colors);
    head_ = 0;
    mask_ = capacity - 1;
    tree_.assign(capacity, ValueRange{});
    dirty_.clear();
    rebuild_ = true;
}

void ChartSeries::CopySlot(std::size_t to, std::size_t from) {
    xs_[to] = xs_[from];
    ys_[to] = ys_[from];
    colors_[to] = colors_[from];
    MarkDirty(to);
}

void ChartSeries::MarkDirty(std::size_t slot) const {
    if (rebuild_) {
        return;
    }
    // Refreshing k paths costs k·log(capacity) nodes; past capacity/32 of them a full rebuild is cheaper.
    if (dirty_.size() >= xs_.size() / 32) {
        dirty_.clear();
        rebuild_ = true;
        return;
    }
    dirty_.push_back(static_cast<std::uint32_t>(slot));
}

void ChartSeries::RefreshTree() const {
    const std::size_t capacity = xs_.size();
    if (rebuild_) {
        for (std::size_t node = capacity - 1; node >= 1; --node) {
            UpdateNode(node);
        }
        rebuild_ = false;
        dirty_.clear();
        return;
    }
    for (const std::uint32_t slot : dirty_) {
        for (std::size_t node = (capacity + slot) / 2; node >= 1; node /= 2) {
            UpdateNode(node);
        }
    }
    dirty_.clear();
}

void ChartSeries::UpdateNode(std::size_t node) const {
    ValueRange range = NodeRange(2 * node);
    range.Include(NodeRange(2 * node + 1));
    tree_[node] = range;
}

ValueRange ChartSeries::NodeRange(std::size_t node) const {
    const std::size_t capacity = xs_.size();
    return node >= capacity ? RangeOf(ys_[node - capacity]) : tree_[node];
}

ValueRange ChartSeries::SlotRange(std::size_t from, std::size_t to) const {
    const std::size_t capacity = xs_.size();
    ValueRange range;
    for (std::size_t low = from + capacity, high = to + capacity; low < high; low /= 2, high /= 2) {
        if (low & 1) {
            range.Include(NodeRange(low++));
        }
        if (high & 1) {
            range.Include(NodeRange(--high));
        }
    }
    return range;
}

}  // namespace zt30
