// zt30ctl's view of the line traffic, as the telegram layer reports it: with --trace every frame as one line
// on standard error (time, direction, bytes in hex, meaning and what the tool made of it), and the statistics
// for the summary that watch (and any command with --stats) ends with.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <ostream>
#include <span>
#include <string>

#include "config/regional_settings.h"
#include "link/frame_constants.h"
#include "link/line_monitor.h"
#include "link/link_statistics.h"
#include "link/traffic.h"

namespace zt30::cli {

// The local date and time of a wall time (microseconds since 1970-01-01 UTC), from the C library.
LocalDateTime SystemLocalTimeOf(std::int64_t wallUs);

// One trace line: "7:05:09.042 -> 68 05 05 68 01 00 6C 01 00 6E 16  SD2 1←0 read table 0  (sent)". request is
// the exchange's last request, which tells the meaning of an answer.
std::string TraceLine(const TelegramEvent& event, const std::string& timeText,
                      std::span<const std::uint8_t> request);

// The summary of counters, two lines: the requests, re-sends, accepted answers and failures by kind, then the
// response time minimum, median and maximum.
std::string SummaryText(const TrafficCounters& counters);

class TrafficReport final : public TelegramObserver {
public:
    using LocalTimeOf = std::function<LocalDateTime(std::int64_t wallUs)>;

    // trace: where the frame lines go, or nullptr for none; regional: the time format of the lines.
    TrafficReport(std::ostream* trace, RegionalSettings regional, LocalTimeOf localTime = SystemLocalTimeOf,
                  LineMonitor::WallMicros wallMicros = SystemWallMicros);

    void OnTelegram(const TelegramEvent& event) override;
    const LinkStatistics& Statistics() const { return statistics_; }

private:
    std::ostream* trace_;
    RegionalSettings regional_;
    LocalTimeOf localTime_;
    LineMonitor::WallMicros wallMicros_;
    LinkStatistics statistics_;
    std::array<std::uint8_t, frame::kBufferSize> request_{};
    std::size_t requestLength_ = 0;
};

}  // namespace zt30::cli
