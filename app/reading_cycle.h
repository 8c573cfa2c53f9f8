// The reading cycle's own state, apart from the window that shows it: the change-of-second test of the
// 200 ms timer (at most one reading per second of the wall clock) and the count of failed readings after
// which the value panels fall back to "0". The main window feeds it the clock's second and each reading's
// result and shows what it answers.
#pragma once

#include <cstdint>

namespace zt30 {

class ReadingCycle {
public:
    // What the value panels show after a reading.
    enum class Display {
        Values,  // the new value and sum
        Keep,    // what they showed before
        Zeros,   // "0" in both (the fourth failure in a row, and every fourth after it)
    };

    // A timer tick at `second` of the minute (0 to 59): true when it differs from the second of the last tick
    // that did work, which it then becomes. Seconds are compared, not counted: a tick a whole minute later at
    // the same second does nothing.
    bool NewSecond(int second);

    // The result of one reading. A success resets the failure count; the fourth failure in a row shows zeros
    // and starts the count again.
    Display AfterReading(bool success);

    std::uint16_t lastSecond() const { return lastSecond_; }
    std::int32_t failCount() const { return failCount_; }

private:
    std::uint16_t lastSecond_ = 0;
    std::int32_t failCount_ = 0;
};

}  // namespace zt30
