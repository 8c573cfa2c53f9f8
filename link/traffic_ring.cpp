#include "link/traffic_ring.h"

#include <algorithm>

namespace zt30 {

TrafficRing::TrafficRing(std::size_t capacity) : records_(std::max<std::size_t>(capacity, 1)) {}

void TrafficRing::Push(const TelegramEvent& event, std::int64_t wallUs) {
    TrafficRecord& r = records_[static_cast<std::size_t>(end_ % records_.size())];
    r.sequence = end_;
    r.wallUs = wallUs;
    r.monotonicUs = event.monotonicUs;
    r.firstByteUs = event.firstByteUs;
    r.lastByteUs = event.lastByteUs;
    r.exchange = event.exchange;
    r.direction = event.direction;
    r.pattern = event.pattern;
    r.outcome = event.outcome;
    r.destination = event.destination;
    r.source = event.source;
    const std::size_t length = std::min(event.bytes.size(), r.data.size());
    r.length = static_cast<std::uint16_t>(length);
    std::copy_n(event.bytes.begin(), length, r.data.begin());
    ++end_;
    if (end_ - begin_ > records_.size()) {
        ++begin_;
    }
}

void TrafficRing::Clear() {
    begin_ = end_;
}

const TrafficRecord* TrafficRing::Find(std::uint64_t sequence) const {
    if (sequence < begin_ || sequence >= end_) {
        return nullptr;
    }
    return &records_[static_cast<std::size_t>(sequence % records_.size())];
}

}  // namespace zt30
