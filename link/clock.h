// Monotonic time and blocking pauses. The telegram layer's pauses between a request and its re-send go
// through this seam, so the transaction patterns can be tested against a fake clock without waiting.
#pragma once

#include <cstdint>

namespace zt30 {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds on a monotonic clock with an arbitrary origin.
    virtual std::int64_t NowMs() = 0;
    // Microseconds on the same clock; a clock that keeps only milliseconds scales them.
    virtual std::int64_t NowUs() { return NowMs() * 1000; }
    // Blocks the calling thread for ms milliseconds (no effect for ms <= 0).
    virtual void SleepMs(int ms) = 0;
};

// The real monotonic clock of the system.
class SystemClock final : public Clock {
public:
    std::int64_t NowMs() override;
    std::int64_t NowUs() override;
    void SleepMs(int ms) override;
};

}  // namespace zt30
