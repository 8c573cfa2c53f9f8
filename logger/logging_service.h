// The logging service: every line on its own thread, reading its stations' table 0 in turn, once per
// interval, exchange after exchange. Each reading goes to the station's record file through the measurement
// recorder and, with a broker, to TOPIC/LINE/DA/reading; TOPIC/LINE/DA/state tells whether the station
// answers. A stop request ends every line after the exchange under way; the kept record lines get their last
// attempt and the publisher its clean stop.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "config/regional_settings.h"
#include "link/serial_line.h"
#include "logger/journal.h"
#include "logger/logger_config.h"
#include "logger/mqtt_publisher.h"
#include "views/record_file.h"

namespace zt30::logger {

// A station's state after its fourth failure in a row, as the program's reading cycle counts them.
inline constexpr int kFailuresForNoAnswer = 4;
// The part of a stop's time that the lines' last exchanges leave to the broker for what is still kept.
inline constexpr int kStopPublishWaitMs = 1400;

struct ServiceParts {
    LoggerConfig config;
    RegionalSettings regional;  // the record lines' decimal separator, date and time
    // The backend of a line's port (the system's, for its DEVICE).
    std::function<std::unique_ptr<SerialBackend>(const LineSettings&)> makeBackend;
    std::function<std::unique_ptr<RecordFileSystem>()> makeRecordFiles;
    Journal* journal = nullptr;
    MqttPublisher* publisher = nullptr;  // none: record only
    // Called on the line's thread after each reading was recorded and handed to the publisher: the line, the
    // station, whether it answered, and the moment its exchange ended.
    std::function<void(const LineSettings&, std::uint8_t station, bool ok,
                       std::chrono::steady_clock::time_point)>
        afterReading;
};

// Runs until stopRequested (polled every 50 ms) answers true; returns the exit status (0 after a clean stop).
// The record folder is made when missing; when it cannot be, nothing starts and the status is 1.
int RunLoggingService(ServiceParts& parts, const std::function<bool()>& stopRequested);

}  // namespace zt30::logger
