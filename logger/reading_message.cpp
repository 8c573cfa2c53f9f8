#include "logger/reading_message.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace zt30::logger {

ReadingTime ReadingTimeOf(std::chrono::system_clock::time_point at) {
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(at.time_since_epoch()).count();
    const auto seconds = static_cast<std::time_t>(ms >= 0 ? ms / 1000 : (ms - 999) / 1000);
    std::tm local{};
    ReadingTime time;
#ifdef _WIN32
    localtime_s(&local, &seconds);
    std::tm copy = local;
    time.utcOffsetMinutes = static_cast<int>((_mkgmtime(&copy) - seconds) / 60);
#else
    localtime_r(&seconds, &local);
    time.utcOffsetMinutes = static_cast<int>(local.tm_gmtoff / 60);
#endif
    time.local = LocalDateTimeFromTm(local);
    time.local.millisecond = static_cast<int>(ms - static_cast<long long>(seconds) * 1000);
    return time;
}

std::string IsoTimeText(const ReadingTime& time) {
    const LocalDateTime& t = time.local;
    const int offset = std::abs(time.utcOffsetMinutes);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second, t.millisecond, time.utcOffsetMinutes < 0 ? '-' : '+',
                  offset / 60, offset % 60);
    return text;
}

std::string JsonNumberText(float number) {
    if (!std::isfinite(number)) {
        return "null";
    }
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, number);
    return std::string(text, result.ptr);
}

std::string ReadingPayload(const ReadingTime& time, float value, float sum) {
    return "{\"time\":\"" + IsoTimeText(time) + "\",\"value\":" + JsonNumberText(value) +
           ",\"sum\":" + JsonNumberText(sum) + "}";
}

std::string ReadingTopic(const std::string& prefix, const std::string& line, int station) {
    return prefix + "/" + line + "/" + std::to_string(station) + "/reading";
}

std::string StateTopic(const std::string& prefix, const std::string& line, int station) {
    return prefix + "/" + line + "/" + std::to_string(station) + "/state";
}

std::string StatusTopic(const std::string& prefix) {
    return prefix + "/status";
}

}  // namespace zt30::logger
