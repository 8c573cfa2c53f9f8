// The logger's configuration: one INI file, read by the settings file's own reader (IniDocument). Sections
// whose names begin with LINE are serial lines with their stations; [RECORD] and [MQTT] are each optional,
// but one of them must be there. The reader refuses everything it does not know, with the file's name, the
// line number and the reason, before anything is opened.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zt30::logger {

struct LineSettings {
    std::string name;    // the section's name ("LINE1"): in the record files' names and the topics
    std::string device;  // as written: "COM3", a device path, rfc2217://HOST:PORT or tcp://HOST:PORT
    int port = 0;        // 1 to 8 when device is COMn, mapped as the other tools map it; else 0
    int baudRate = 9600;
    std::uint8_t sourceAddress = 0;
    std::vector<std::uint8_t> stations;  // in the order given, each once
    int intervalSeconds = 1;             // between two readings of each station
};

struct RecordSettings {
    std::string folder;  // one record file per station, NAME-DA.txt
};

struct BrokerSettings {
    std::string broker;  // mqtt://HOST[:PORT] or mqtts://HOST[:PORT]
    std::string topic = "zt30";
    std::string user;
    std::string password;
    std::string caFile;
};

struct LoggerConfig {
    std::vector<LineSettings> lines;  // in the file's order
    std::optional<RecordSettings> record;
    std::optional<BrokerSettings> mqtt;
};

struct ConfigRead {
    std::optional<LoggerConfig> config;
    std::string error;  // "FILE:LINE: reason" (or "FILE: reason" for the file as a whole)
};

inline constexpr int kMaxIntervalSeconds = 86400;
inline constexpr std::size_t kMaxConfigBytes = 1 << 20;

// The configuration in bytes; fileName names it in the error.
ConfigRead ParseLoggerConfig(std::string_view bytes, const std::string& fileName);
// Reads the file (a regular file of at most kMaxConfigBytes) and parses it.
ConfigRead ReadLoggerConfig(const std::string& path);

// The text of an INI value for the logger: a trailing comment (";" or "#" after a blank) cut off, then the
// quotes and escapes of the settings file undone.
std::string LoggerValueText(std::string_view raw);

}  // namespace zt30::logger
