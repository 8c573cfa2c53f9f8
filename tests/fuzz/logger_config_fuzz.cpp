// Fuzz target: the logger's configuration file, any bytes. Nothing crashes; a refused file gives one
// printable line that names the file, and an accepted one holds what the service relies on: at least one
// line, each with stations that are bus addresses given once, none of them the line's own address, names that
// are safe in file names and topics, and somewhere for the readings to go.
//
// Input: the file's bytes.
#include <algorithm>
#include <set>
#include <string>

#include "logger/logger_config.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zt30::logger;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const ConfigRead read = ParseLoggerConfig(bytes, "logger.ini");
    if (!read.config) {
        ZT30_FUZZ_CHECK(read.error.starts_with("logger.ini"));
        ZT30_FUZZ_CHECK(std::none_of(read.error.begin(), read.error.end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
        }));
        return 0;
    }
    const LoggerConfig& config = *read.config;
    ZT30_FUZZ_CHECK(!config.lines.empty());
    ZT30_FUZZ_CHECK(config.record || config.mqtt);
    for (const LineSettings& line : config.lines) {
        ZT30_FUZZ_CHECK(!line.stations.empty() && !line.device.empty());
        ZT30_FUZZ_CHECK(line.name.find_first_of("/+# .") == std::string::npos);
        ZT30_FUZZ_CHECK(std::set(line.stations.begin(), line.stations.end()).size() == line.stations.size());
        ZT30_FUZZ_CHECK(std::all_of(line.stations.begin(), line.stations.end(),
                                    [&](std::uint8_t a) { return a <= 126 && a != line.sourceAddress; }));
        ZT30_FUZZ_CHECK(line.intervalSeconds >= 1 && line.baudRate >= 1 && line.port >= 0 && line.port <= 8);
    }
    if (config.mqtt) {
        ZT30_FUZZ_CHECK(config.mqtt->topic.find_first_of("+#") == std::string::npos);
    }
    return 0;
}
