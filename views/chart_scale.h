// The chart's axis scales: value ticks on readable 1-2-5 steps around the data, and time ticks on readable
// clock steps (seconds, minutes, hours, days) for the span shown. Times are the series' x: the local date
// and time as milliseconds since the epoch, so whole days fall on local midnight.
#pragma once

#include <cstdint>

namespace zt30 {

struct ValueTicks {
    double axisMin = 0.0;  // the axis' ends (whole multiples of step on a fitted axis)
    double axisMax = 1.0;
    double step = 1.0;
    double first = 0.0;  // the lowest tick, a whole multiple of step
    int count = 2;       // ticks at first + k · step for k in [0, count)
    int decimals = 0;    // digits after the separator that tell the ticks apart

    double Tick(int k) const { return first + static_cast<double>(k) * step; }
};

// Ticks for values from min to max with at most about maxTicks intervals (at least 1). A step of 1, 2 or
// 5 times a power of ten; the axis ends on the ticks around the data. No data (min > max) gives 0 to 1; one
// value is given a range around it; non-finite and huge values are brought to within ±1e300.
ValueTicks NiceValueTicks(double min, double max, int maxTicks);

// Ticks for an axis that runs exactly from min to max (min < max, both finite, as a zoomed value axis does):
// the same readable step as NiceValueTicks, the ticks being its multiples within [min, max].
ValueTicks FixedValueTicks(double min, double max, int maxTicks);

enum class TimeLabel { Time, DateAndTime, Date };

struct TimeTicks {
    std::int64_t first = 0;  // the first tick at or after the range's start
    std::int64_t step = 1000;
    int count = 0;  // ticks at first + k · step for k in [0, count)
    TimeLabel label = TimeLabel::Time;

    std::int64_t Tick(int k) const { return first + static_cast<std::int64_t>(k) * step; }
};

inline constexpr std::int64_t kSecondMs = 1000;
inline constexpr std::int64_t kMinuteMs = 60 * kSecondMs;
inline constexpr std::int64_t kHourMs = 60 * kMinuteMs;
inline constexpr std::int64_t kDayMs = 24 * kHourMs;

// Ticks within [begin, end) on the smallest clock step of at least minStep milliseconds (1, 2, 5, 10, 15,
// 30 s; 1, 2, 5, 10, 15, 30 min; 1, 2, 3, 6, 12 h; 1, 2, 7, 14 days, then whole years of 365 days times 1,
// 2, 5, 10, ...). The label says what a tick needs to be told apart: the time, the date (steps of a day or
// more) or both (a range over midnight). At most maxTicks ticks are given.
TimeTicks NiceTimeTicks(std::int64_t begin, std::int64_t end, std::int64_t minStep, int maxTicks = 200);

}  // namespace zt30
