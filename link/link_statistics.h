// Statistics of the line traffic since the last reset, per station address (the link's DA of each event) and
// in total: requests, re-sends, every outcome of a read, purges, and the response time (end of the request to
// the last answer byte) as minimum, median and maximum from a fixed histogram. Fed by the line monitor or by
// zt30ctl with telegram events; all memory is taken at construction, so adding an event never allocates.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "link/traffic.h"

namespace zt30 {

// Response times in microseconds: exact below 64 µs, above that 32 buckets per doubling (each within about
// 3 % of its values), up to about 71 minutes; longer times count in the last bucket.
class ResponseHistogram {
public:
    void Add(std::int64_t us);
    void Reset();

    std::uint64_t Count() const { return count_; }
    // 0 when empty. Min and Max are exact; Median is the middle of the bucket holding the lower median,
    // kept within Min and Max.
    std::int64_t Min() const { return count_ ? min_ : 0; }
    std::int64_t Max() const { return count_ ? max_ : 0; }
    std::int64_t Median() const;

private:
    static constexpr int kExact = 64;
    static constexpr int kPerDoubling = 32;
    static constexpr int kDoublings = 26;  // 2^6 .. 2^32 µs
    static constexpr int kBuckets = kExact + kPerDoubling * kDoublings;

    static int BucketOf(std::int64_t us);
    static std::int64_t MiddleOf(int bucket);

    std::array<std::uint32_t, kBuckets> buckets_{};
    std::uint64_t count_ = 0;
    std::int64_t min_ = 0;
    std::int64_t max_ = 0;
};

struct TrafficCounters {
    // Events by outcome: Sent counts the requests, Resent the re-sends, Purged the purges, and each read
    // outcome its reads.
    std::array<std::uint64_t, kTrafficOutcomeCount> byOutcome{};
    ResponseHistogram responseTime;  // every read that delivered bytes

    std::uint64_t Count(TrafficOutcome outcome) const { return byOutcome[static_cast<std::size_t>(outcome)]; }
    // Reads the layer refused, of every kind.
    std::uint64_t FailedReads() const;
    // True when anything was counted.
    bool Any() const;
};

class LinkStatistics {
public:
    static constexpr int kStations =
        128;  // addresses 0 to 127; events for a DA above count in the total only

    LinkStatistics();

    void Add(const TelegramEvent& event);
    void Reset();

    const TrafficCounters& Total() const { return counters_[kTotal]; }
    // The counters of one address (0 to 127; all zero for another).
    const TrafficCounters& Station(int address) const;
    // Changes with every Add and Reset, so a window can tell when to show the figures again.
    std::uint64_t Version() const { return version_; }

private:
    static constexpr std::size_t kTotal = kStations;
    static constexpr std::size_t kNone = kStations + 1;  // stays zero: what Station() gives for no station

    std::vector<TrafficCounters> counters_;  // the stations, the total, none
    std::uint64_t version_ = 0;
};

}  // namespace zt30
