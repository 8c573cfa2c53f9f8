// What the logger publishes of one reading: the payload {"time":...,"value":...,"sum":...} and the texts of
// the topics. The time is local, in ISO 8601 with milliseconds and the offset from UTC; the numbers are the
// shortest texts that read back as the same float (a value that is not a number, which JSON cannot carry,
// is null).
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "config/regional_settings.h"

namespace zt30::logger {

// A moment as the logger writes it: the local date and time (with milliseconds) and the offset from UTC.
struct ReadingTime {
    LocalDateTime local;
    int utcOffsetMinutes = 0;
};

ReadingTime ReadingTimeOf(std::chrono::system_clock::time_point at);

// "2026-12-09T03:00:01.234+01:00"
std::string IsoTimeText(const ReadingTime& time);
// The shortest decimal text that reads back as the same float ("12.5", "1e+20"); "null" when not finite.
std::string JsonNumberText(float number);
// {"time":"...","value":12.5,"sum":100}
std::string ReadingPayload(const ReadingTime& time, float value, float sum);

// TOPIC/LINE/DA/reading and TOPIC/LINE/DA/state; TOPIC/status.
std::string ReadingTopic(const std::string& prefix, const std::string& line, int station);
std::string StateTopic(const std::string& prefix, const std::string& line, int station);
std::string StatusTopic(const std::string& prefix);

inline constexpr char kStateOk[] = "ok";
inline constexpr char kStateNoAnswer[] = "no answer";

}  // namespace zt30::logger
