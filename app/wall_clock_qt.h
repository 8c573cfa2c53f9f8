// The system's local wall clock for the reading cycle and the chart.
#pragma once

#include <QDateTime>

#include "app/wall_clock.h"
#include "config/regional_settings_qt.h"

namespace zt30 {

class QtWallClock final : public WallClock {
public:
    WallTime Now() override {
        const QDateTime now = QDateTime::currentDateTime();
        return WallTime{LocalMsOf(now), LocalDateTimeOf(now)};
    }
};

}  // namespace zt30
