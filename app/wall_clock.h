// The local wall clock of the reading cycle and the chart: the time of a tick and of a chart point. The
// program uses the system's clock (wall_clock_qt.h); tests set the time by hand.
#pragma once

#include <cstdint>

#include "config/regional_settings.h"

namespace zt30 {

struct WallTime {
    // The local date and time as milliseconds since 1970-01-01 00:00 of the local calendar (the chart's x).
    std::int64_t localMs = 0;
    LocalDateTime local;  // the same instant in the local calendar and time of day
};

class WallClock {
public:
    virtual ~WallClock() = default;
    virtual WallTime Now() = 0;
};

}  // namespace zt30
