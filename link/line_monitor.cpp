#include "link/line_monitor.h"

#include <chrono>
#include <utility>

namespace zt30 {

std::int64_t SystemWallMicros() {
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

LineMonitor::LineMonitor(TelegramLayer& layer, std::size_t capacity, WallMicros wallMicros)
    : layer_(layer), wallMicros_(std::move(wallMicros)), traffic_(capacity) {
    layer_.SetObserver(this);
}

LineMonitor::~LineMonitor() {
    if (layer_.Observer() == this) {
        layer_.SetObserver(nullptr);
    }
}

void LineMonitor::OnTelegram(const TelegramEvent& event) {
    traffic_.Push(event, wallMicros_() - event.ageUs);
    statistics_.Add(event);
}

}  // namespace zt30
