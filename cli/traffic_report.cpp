#include "cli/traffic_report.h"

#include <algorithm>
#include <ctime>

#include "link/frame_decoder.h"

namespace zt30::cli {

namespace {

// Milliseconds with one decimal: "19.8 ms".
std::string Milliseconds(std::int64_t us) {
    const std::int64_t tenths = (us + 50) / 100;
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " ms";
}

}  // namespace

LocalDateTime SystemLocalTimeOf(std::int64_t wallUs) {
    const std::time_t seconds = static_cast<std::time_t>(wallUs / 1'000'000);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    LocalDateTime at = LocalDateTimeFromTm(local);
    at.millisecond = static_cast<int>(wallUs / 1000 % 1000);
    return at;
}

std::string TraceLine(const TelegramEvent& event, const std::string& timeText,
                      std::span<const std::uint8_t> request) {
    std::string line = timeText;
    if (event.direction == TrafficDirection::Purge) {
        return line + "    purge of both directions";
    }
    line += event.direction == TrafficDirection::Transmit ? " -> " : " <- ";
    if (!event.bytes.empty()) {
        line += HexText(event.bytes) + "  ";
    }
    line += DescribeFrame(event.bytes, event.direction == TrafficDirection::Receive
                                           ? request
                                           : std::span<const std::uint8_t>{});
    line += "  (" + std::string(TrafficOutcomeName(event.outcome));
    if (event.firstByteUs >= 0) {
        line +=
            ", first byte " + Milliseconds(event.firstByteUs) + ", last " + Milliseconds(event.lastByteUs);
    }
    return line + ")";
}

std::string SummaryText(const TrafficCounters& counters) {
    std::string failures;
    for (int i = 0; i < kTrafficOutcomeCount; ++i) {
        const auto outcome = static_cast<TrafficOutcome>(i);
        if (IsFailedRead(outcome) && counters.Count(outcome) > 0) {
            failures += (failures.empty() ? " (" : ", ") + std::string(TrafficOutcomeName(outcome)) + " " +
                        std::to_string(counters.Count(outcome));
        }
    }
    if (!failures.empty()) {
        failures += ")";
    }
    std::string text = "traffic: " + std::to_string(counters.Count(TrafficOutcome::Sent)) + " requests, " +
                       std::to_string(counters.Count(TrafficOutcome::Resent)) + " re-sends";
    if (counters.Count(TrafficOutcome::WriteFailed) > 0) {
        text += ", " + std::to_string(counters.Count(TrafficOutcome::WriteFailed)) + " writes failed";
    }
    text += ", " + std::to_string(counters.Count(TrafficOutcome::Accepted)) + " answers accepted, " +
            std::to_string(counters.FailedReads()) + " failed" + failures + "\n";
    const ResponseHistogram& times = counters.responseTime;
    if (times.Count() == 0) {
        return text + "response time: no answer arrived\n";
    }
    return text + "response time: min " + Milliseconds(times.Min()) + ", median " +
           Milliseconds(times.Median()) + ", max " + Milliseconds(times.Max()) + " (" +
           std::to_string(times.Count()) + (times.Count() == 1 ? " answer)\n" : " answers)\n");
}

TrafficReport::TrafficReport(std::ostream* trace, RegionalSettings regional, LocalTimeOf localTime,
                             LineMonitor::WallMicros wallMicros)
    : trace_(trace),
      regional_(std::move(regional)),
      localTime_(std::move(localTime)),
      wallMicros_(std::move(wallMicros)) {}

void TrafficReport::OnTelegram(const TelegramEvent& event) {
    statistics_.Add(event);
    if (event.direction == TrafficDirection::Transmit) {
        requestLength_ = std::min(event.bytes.size(), request_.size());
        std::copy_n(event.bytes.begin(), requestLength_, request_.begin());
    }
    if (trace_) {
        const std::string time =
            LongTimeWithMillisecondsText(localTime_(wallMicros_() - event.ageUs), regional_);
        *trace_ << TraceLine(event, time, {request_.data(), requestLength_}) << std::endl;
    }
}

}  // namespace zt30::cli
