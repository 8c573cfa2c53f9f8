// The read time-out rule that every backend of the serial line keeps (ReadTimeouts): a read of n bytes ends
// at n bytes, intervalMs after its last byte, or totalConstantMs + totalMultiplierMs * n after it began.
// Times are nanoseconds of one monotonic clock, given by the caller.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "link/serial_line.h"

namespace zt30 {

inline constexpr std::int64_t kNanosPerMs = 1'000'000;
// A deadline that never comes: every limit of the read is off.
inline constexpr std::int64_t kNoDeadline = std::numeric_limits<std::int64_t>::max();

class ReadDeadline final {
public:
    // A read of `bytes` bytes that began at `start`.
    ReadDeadline(const ReadTimeouts& timeouts, std::size_t bytes, std::int64_t start)
        : interval_(static_cast<std::int64_t>(timeouts.intervalMs) * kNanosPerMs) {
        const std::uint64_t totalMs =
            timeouts.totalConstantMs + static_cast<std::uint64_t>(timeouts.totalMultiplierMs) * bytes;
        // Beyond a day the limit no longer matters, and the clamp keeps the arithmetic from overflowing.
        total_ = totalMs == 0
                     ? kNoDeadline
                     : start + static_cast<std::int64_t>(std::min<std::uint64_t>(totalMs, 86'400'000)) *
                                   kNanosPerMs;
    }

    // A byte arrived at `now`: the interval runs from here.
    void ByteArrived(std::int64_t now) { lastByte_ = now; }

    // When the read ends as things stand; kNoDeadline when nothing limits it.
    std::int64_t At() const {
        if (interval_ > 0 && lastByte_ != kNoDeadline) {
            return std::min(total_, lastByte_ + interval_);
        }
        return total_;
    }

    bool Passed(std::int64_t now) const {
        const std::int64_t at = At();
        return at != kNoDeadline && now >= at;
    }

private:
    std::int64_t interval_;
    std::int64_t total_ = kNoDeadline;
    std::int64_t lastByte_ = kNoDeadline;
};

}  // namespace zt30
