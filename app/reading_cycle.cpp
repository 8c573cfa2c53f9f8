#include "app/reading_cycle.h"

namespace zt30 {

bool ReadingCycle::NewSecond(int second) {
    const auto current = static_cast<std::uint16_t>(second);
    if (current == lastSecond_) {
        return false;
    }
    lastSecond_ = current;
    return true;
}

ReadingCycle::Display ReadingCycle::AfterReading(bool success) {
    Display display = Display::Keep;
    if (success) {
        failCount_ = 0;
        display = Display::Values;
    } else {
        ++failCount_;
    }
    if (failCount_ > 3) {
        failCount_ = 0;
        display = Display::Zeros;
    }
    return display;
}

}  // namespace zt30
