// Doubles the benchmarks share: a UI that answers every message box at once without showing it (and counts
// them, so a benchmark can report boxes that should not have come), and a clock that stands still, so the
// pause before a re-send costs nothing.
#pragma once

#include <cstdint>
#include <string>

#include "link/clock.h"
#include "link/ui_services.h"

namespace zt30::bench {

class SilentUi final : public UiServices {
public:
    explicit SilentUi(MessageAnswer answer = MessageAnswer::Ok) : answer_(answer) {}

    MessageAnswer ShowMessage(const std::string&, const std::string&, MessageIcon, MessageButtons) override {
        ++shown;
        return answer_;
    }
    int shown = 0;

private:
    MessageAnswer answer_;
};

class StillClock final : public Clock {
public:
    std::int64_t NowMs() override { return 0; }
    void SleepMs(int) override {}
};

}  // namespace zt30::bench
