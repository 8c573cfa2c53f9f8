// The recorded line traffic: a ring of fixed capacity, allocated once, that keeps the newest telegram events
// (link/traffic.h) with their bytes copied in. Recording overwrites the oldest record when the ring is full
// and never allocates. Every record carries a sequence number, so a reader (the traffic window) can ask for
// the records it has not seen yet and notice the ones the ring has dropped.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "link/frame_constants.h"
#include "link/traffic.h"

namespace zt30 {

inline constexpr std::size_t kDefaultTrafficCapacity = 10'000;

struct TrafficRecord {
    std::uint64_t sequence = 0;  // from 0, in the order of recording; never reused
    std::int64_t wallUs = 0;     // microseconds since 1970-01-01 00:00 UTC
    std::int64_t monotonicUs = 0;
    std::int64_t firstByteUs = -1;  // see TelegramEvent
    std::int64_t lastByteUs = -1;
    std::uint32_t exchange = 0;
    TrafficDirection direction = TrafficDirection::Transmit;
    TrafficPattern pattern = TrafficPattern::None;
    TrafficOutcome outcome = TrafficOutcome::Sent;
    std::uint8_t destination = 0;
    std::uint8_t source = 0;
    std::uint16_t length = 0;
    std::array<std::uint8_t, frame::kBufferSize> data;  // the first `length` bytes count

    std::span<const std::uint8_t> Bytes() const { return {data.data(), length}; }
};

class TrafficRing {
public:
    // Allocates room for `capacity` records (at least 1) at once.
    explicit TrafficRing(std::size_t capacity = kDefaultTrafficCapacity);

    // Records one event at wall time wallUs; bytes beyond the 256 of a frame buffer are cut off.
    void Push(const TelegramEvent& event, std::int64_t wallUs);
    // Forgets every record; sequence numbers go on where they were.
    void Clear();

    std::size_t Capacity() const { return records_.size(); }
    std::size_t Size() const { return static_cast<std::size_t>(end_ - begin_); }
    // The sequence number of the oldest record held, and one past the newest (equal when empty).
    std::uint64_t BeginSequence() const { return begin_; }
    std::uint64_t EndSequence() const { return end_; }
    // The record with that sequence number, or nullptr when it is not (or no longer) held.
    const TrafficRecord* Find(std::uint64_t sequence) const;

private:
    std::vector<TrafficRecord> records_;
    std::uint64_t begin_ = 0;
    std::uint64_t end_ = 0;
};

}  // namespace zt30
