#include "link/link_statistics.h"

#include <algorithm>
#include <bit>

namespace zt30 {

int ResponseHistogram::BucketOf(std::int64_t us) {
    if (us < kExact) {
        return static_cast<int>(std::max<std::int64_t>(us, 0));
    }
    const auto value = static_cast<std::uint64_t>(std::min<std::int64_t>(us, (std::int64_t{1} << 32) - 1));
    const int top = std::bit_width(value) - 1;  // 6 .. 31
    const int shift = top - 5;                  // keeps the top 6 bits: 32 .. 63
    const int within = static_cast<int>(value >> shift) - kPerDoubling;
    return kExact + (top - 6) * kPerDoubling + within;
}

std::int64_t ResponseHistogram::MiddleOf(int bucket) {
    if (bucket < kExact) {
        return bucket;
    }
    const int doubling = (bucket - kExact) / kPerDoubling;
    const int within = (bucket - kExact) % kPerDoubling;
    const int shift = doubling + 1;
    const std::int64_t low = static_cast<std::int64_t>(kPerDoubling + within) << shift;
    return low + (std::int64_t{1} << shift) / 2;
}

void ResponseHistogram::Add(std::int64_t us) {
    us = std::max<std::int64_t>(us, 0);
    ++buckets_[static_cast<std::size_t>(BucketOf(us))];
    min_ = count_ == 0 ? us : std::min(min_, us);
    max_ = count_ == 0 ? us : std::max(max_, us);
    ++count_;
}

void ResponseHistogram::Reset() {
    buckets_.fill(0);
    count_ = 0;
    min_ = 0;
    max_ = 0;
}

std::int64_t ResponseHistogram::Median() const {
    if (count_ == 0) {
        return 0;
    }
    const std::uint64_t rank = (count_ - 1) / 2;  // the lower median, counted from 0
    std::uint64_t seen = 0;
    for (int b = 0; b < kBuckets; ++b) {
        seen += buckets_[static_cast<std::size_t>(b)];
        if (seen > rank) {
            return std::clamp(MiddleOf(b), min_, max_);
        }
    }
    return max_;
}

std::uint64_t TrafficCounters::FailedReads() const {
    std::uint64_t failed = 0;
    for (int i = 0; i < kTrafficOutcomeCount; ++i) {
        if (IsFailedRead(static_cast<TrafficOutcome>(i))) {
            failed += byOutcome[static_cast<std::size_t>(i)];
        }
    }
    return failed;
}

bool TrafficCounters::Any() const {
    return std::any_of(byOutcome.begin(), byOutcome.end(), [](std::uint64_t n) { return n > 0; });
}

LinkStatistics::LinkStatistics() : counters_(kNone + 1) {}

void LinkStatistics::Add(const TelegramEvent& event) {
    const auto outcome = static_cast<std::size_t>(event.outcome);
    const bool timed = event.direction == TrafficDirection::Receive && event.lastByteUs >= 0;
    TrafficCounters& total = counters_[kTotal];
    ++total.byOutcome[outcome];
    if (timed) {
        total.responseTime.Add(event.lastByteUs);
    }
    if (event.destination < kStations) {
        TrafficCounters& station = counters_[event.destination];
        ++station.byOutcome[outcome];
        if (timed) {
            station.responseTime.Add(event.lastByteUs);
        }
    }
    ++version_;
}

void LinkStatistics::Reset() {
    for (TrafficCounters& counters : counters_) {
        counters.byOutcome.fill(0);
        counters.responseTime.Reset();
    }
    ++version_;
}

const TrafficCounters& LinkStatistics::Station(int address) const {
    if (address < 0 || address >= kStations) {
        return counters_[kNone];
    }
    return counters_[static_cast<std::size_t>(address)];
}

}  // namespace zt30
