// A wall clock that stands still until a test moves it, for the reading cycle and the chart.
#pragma once

#include <QDateTime>

#include "app/wall_clock.h"
#include "config/regional_settings_qt.h"

namespace zt30::test {

class FakeWallClock final : public WallClock {
public:
    explicit FakeWallClock(QDateTime start = QDateTime(QDate(2026, 3, 2), QTime(10, 0, 0))) : now_(start) {}

    WallTime Now() override { return WallTime{LocalMsOf(now_), LocalDateTimeOf(now_)}; }

    void Set(const QDateTime& at) { now_ = at; }
    void AdvanceMs(qint64 ms) { now_ = now_.addMSecs(ms); }
    const QDateTime& Current() const { return now_; }

private:
    QDateTime now_;
};

}  // namespace zt30::test
