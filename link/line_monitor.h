// The program's line monitor: the telegram observer that keeps the recent traffic in a ring (for the
// "Provoz linky" window) and the statistics since the last reset (for "Statistika komunikace"). Attached to
// the link's telegram layer for as long as it lives; recording takes a fixed amount of memory, allocated when
// the monitor is made, and never allocates.
#pragma once

#include <cstdint>
#include <functional>

#include "link/link_statistics.h"
#include "link/telegram.h"
#include "link/traffic_ring.h"

namespace zt30 {

// Microseconds since 1970-01-01 00:00 UTC on the system's clock.
std::int64_t SystemWallMicros();

class LineMonitor final : public TelegramObserver {
public:
    using WallMicros = std::function<std::int64_t()>;

    // Attaches itself to layer (which must outlive it) and keeps up to `capacity` records; wallMicros gives
    // the wall time of each record.
    explicit LineMonitor(TelegramLayer& layer, std::size_t capacity = kDefaultTrafficCapacity,
                         WallMicros wallMicros = SystemWallMicros);
    ~LineMonitor() override;
    LineMonitor(const LineMonitor&) = delete;
    LineMonitor& operator=(const LineMonitor&) = delete;

    void OnTelegram(const TelegramEvent& event) override;

    const TrafficRing& Traffic() const { return traffic_; }
    TrafficRing& Traffic() { return traffic_; }
    const LinkStatistics& Statistics() const { return statistics_; }
    LinkStatistics& Statistics() { return statistics_; }

private:
    TelegramLayer& layer_;
    WallMicros wallMicros_;
    TrafficRing traffic_;
    LinkStatistics statistics_;
};

}  // namespace zt30
