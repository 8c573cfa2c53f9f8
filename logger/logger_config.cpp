#include "logger/logger_config.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <system_error>
#include <tuple>

#include "base/text_rules.h"
#include "link/network_address.h"
#include "views/ini_document.h"

namespace zt30::logger {

namespace {

constexpr long long kMaxBaudRate = 10000000;
constexpr long long kMaxAddress = 126;

using Entry = IniDocument::Entry;

// The names a section may hold; a name outside its list is refused.
constexpr std::string_view kLineNames[] = {"DEVICE", "BAUD", "SA", "STATIONS", "INTERVAL"};
constexpr std::string_view kRecordNames[] = {"FOLDER"};
constexpr std::string_view kMqttNames[] = {"BROKER", "TOPIC", "USER", "PASSWORD", "CAFILE"};

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

// Letters, digits, "_" and "-": safe in a file name and as one level of a topic.
bool IsPlainName(std::string_view name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
               c == '-';
    });
}

std::optional<int> PortOfComName(std::string_view device) {
    if (device.size() == 4 && StartsWithIgnoringCase(device, "COM") && device[3] >= '1' && device[3] <= '8') {
        return device[3] - '0';
    }
    return std::nullopt;
}

// "1, 5, 10": the addresses, or the reason they are refused.
std::optional<std::vector<std::uint8_t>> ParseStations(std::string_view text, std::string& error) {
    std::vector<std::uint8_t> stations;
    while (true) {
        const std::size_t comma = text.find(',');
        const std::string_view item = TrimBlanks(text.substr(0, comma));
        const auto address = ParseOptionInt(item, 0, kMaxAddress);
        if (!address) {
            error = "STATIONS: \"" + std::string(item) + "\" is not a bus address from 0 to 126";
            return std::nullopt;
        }
        const auto a = static_cast<std::uint8_t>(*address);
        if (std::find(stations.begin(), stations.end(), a) != stations.end()) {
            error = "STATIONS: station " + std::to_string(a) + " is given twice";
            return std::nullopt;
        }
        stations.push_back(a);
        if (comma == std::string_view::npos) {
            return stations;
        }
        text.remove_prefix(comma + 1);
    }
}

// mqtt://HOST[:PORT] or mqtts://HOST[:PORT]; empty when it is one, else the reason.
std::string BrokerError(const std::string& broker) {
    const bool tls = StartsWithIgnoringCase(broker, "mqtts://");
    if (!tls && !StartsWithIgnoringCase(broker, "mqtt://")) {
        return "BROKER: \"" + broker + "\" is not mqtt://HOST:PORT or mqtts://HOST:PORT";
    }
    std::string_view rest = std::string_view(broker).substr(tls ? 8 : 7);
    if (rest.ends_with('/')) {
        rest.remove_suffix(1);
    }
    // The network address reader checks host and port; a missing port is the scheme's own.
    const std::string port = tls ? ":8883" : ":1883";
    const bool hasPort = !rest.empty() && rest.back() != ']' && rest.find(':') != std::string_view::npos &&
                         (rest.front() != '[' || rest.rfind("]:") != std::string_view::npos);
    const NetworkAddressParse parse =
        ParseNetworkAddress("tcp://" + std::string(rest) + (hasPort ? "" : port));
    if (!parse.address) {
        return "BROKER: \"" + broker + "\": " + parse.error;
    }
    return {};
}

std::string TopicError(const std::string& topic) {
    if (topic.empty() || topic.front() == '/' || topic.back() == '/' ||
        topic.find_first_of("+#") != std::string::npos || topic.find("//") != std::string::npos) {
        return "TOPIC: \"" + topic + "\" is not a topic prefix (no +, no #, no empty level)";
    }
    return {};
}

struct Section {
    enum class Kind { Line, Record, Mqtt };
    Kind kind = Kind::Line;
    std::string name;
    std::size_t lineNumber = 0;
    std::vector<const Entry*> values;
};

class Reader {
public:
    explicit Reader(const std::string& fileName) : fileName_(fileName) {}

    ConfigRead Fail(std::size_t lineNumber, const std::string& reason) const {
        return {std::nullopt, fileName_ + (lineNumber > 0 ? ":" + std::to_string(lineNumber) : "") + ": " +
                                  PrintableReason(reason)};
    }

    // A reason with the file's own bytes in it, made safe to print on one line.
    static std::string PrintableReason(const std::string& reason) {
        std::string out;
        for (const char c : reason) {
            const auto byte = static_cast<unsigned char>(c);
            out += byte < 0x20 || byte == 0x7F ? '?' : c;
        }
        return IsValidUtf8(out) ? out : std::string("a value is not UTF-8 text");
    }

private:
    const std::string& fileName_;
};

}  // namespace

std::string LoggerValueText(std::string_view raw) {
    bool quoted = false;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '\\' && i + 1 < raw.size()) {
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if ((c == ';' || c == '#') && !quoted && i > 0 && IsBlank(raw[i - 1])) {
            raw = TrimBlanks(raw.substr(0, i));
            break;
        }
    }
    return UnescapeIniValue(raw);
}

ConfigRead ParseLoggerConfig(std::string_view bytes, const std::string& fileName) {
    const Reader reader(fileName);
    const IniDocument document(bytes);
    const std::vector<Entry> entries = document.Entries();

    std::vector<Section> sections;
    for (const Entry& entry : entries) {
        if (entry.kind == Entry::Kind::Unreadable) {
            return reader.Fail(entry.lineNumber, "not a [SECTION] header or a NAME = VALUE line");
        }
        if (entry.kind == Entry::Kind::Section) {
            Section section;
            section.name = entry.section;
            section.lineNumber = entry.lineNumber;
            if (StartsWithIgnoringCase(entry.section, "LINE")) {
                if (!IsPlainName(entry.section)) {
                    return reader.Fail(entry.lineNumber,
                                       "section [" + entry.section +
                                           "]: a line's name holds only letters, digits, \"_\" and \"-\"");
                }
                section.kind = Section::Kind::Line;
            } else if (EqualsIgnoringAsciiCase(entry.section, "RECORD")) {
                section.kind = Section::Kind::Record;
            } else if (EqualsIgnoringAsciiCase(entry.section, "MQTT")) {
                section.kind = Section::Kind::Mqtt;
            } else {
                return reader.Fail(entry.lineNumber,
                                   "unknown section [" + entry.section + "] (LINE..., RECORD or MQTT)");
            }
            for (const Section& other : sections) {
                if (EqualsIgnoringAsciiCase(other.name, section.name)) {
                    return reader.Fail(entry.lineNumber, "section [" + section.name +
                                                             "] is given twice (line " +
                                                             std::to_string(other.lineNumber) + ")");
                }
            }
            sections.push_back(std::move(section));
            continue;
        }
        if (sections.empty()) {
            return reader.Fail(entry.lineNumber, entry.name + " stands before the first section");
        }
        sections.back().values.push_back(&entry);
    }

    LoggerConfig config;
    for (const Section& section : sections) {
        std::span<const std::string_view> known = kLineNames;
        if (section.kind == Section::Kind::Record) {
            known = kRecordNames;
        } else if (section.kind == Section::Kind::Mqtt) {
            known = kMqttNames;
        }
        // Every value checked for its name and its text first, so that the checks below read plain texts.
        std::vector<std::pair<std::string, const Entry*>> values;
        for (const Entry* entry : section.values) {
            const auto name = std::find_if(known.begin(), known.end(), [&](std::string_view k) {
                return EqualsIgnoringAsciiCase(k, entry->name);
            });
            if (name == known.end()) {
                return reader.Fail(entry->lineNumber,
                                   "unknown name " + entry->name + " in [" + section.name + "]");
            }
            for (const auto& [other, otherEntry] : values) {
                if (other == *name) {
                    return reader.Fail(entry->lineNumber, entry->name + " is given twice in [" +
                                                              section.name + "] (line " +
                                                              std::to_string(otherEntry->lineNumber) + ")");
                }
            }
            values.emplace_back(std::string(*name), entry);
        }
        std::string error;
        const auto text = [&](const Entry& entry) { return LoggerValueText(entry.raw); };
        const auto find = [&](std::string_view name) -> const Entry* {
            for (const auto& [known, entry] : values) {
                if (known == name) {
                    return entry;
                }
            }
            return nullptr;
        };
        for (const auto& [name, entry] : values) {
            const std::string value = text(*entry);
            if (!IsValidUtf8(value) || value.find('\0') != std::string::npos) {
                return reader.Fail(entry->lineNumber, name + ": the value is not text");
            }
        }

        if (section.kind == Section::Kind::Line) {
            LineSettings line;
            line.name = section.name;
            const Entry* device = find("DEVICE");
            if (device == nullptr || text(*device).empty()) {
                return reader.Fail(section.lineNumber, "[" + section.name + "] has no DEVICE");
            }
            line.device = text(*device);
            line.port = PortOfComName(line.device).value_or(0);
            if (line.port == 0 && IsNetworkDevice(line.device)) {
                if (const NetworkAddressParse parse = ParseNetworkAddress(line.device); !parse.address) {
                    return reader.Fail(device->lineNumber, "DEVICE: \"" + line.device + "\": " + parse.error);
                }
            }
            const auto number = [&](const char* name, long long low, long long high, long long& out) {
                const Entry* entry = find(name);
                if (entry == nullptr) {
                    return true;
                }
                const auto parsed = ParseOptionInt(TrimBlanks(text(*entry)), low, high);
                if (!parsed) {
                    error = std::string(name) + ": \"" + text(*entry) + "\" is not a number from " +
                            std::to_string(low) + " to " + std::to_string(high);
                    return false;
                }
                out = *parsed;
                return true;
            };
            long long baud = line.baudRate;
            long long sa = 0;
            long long interval = line.intervalSeconds;
            for (const auto& [name, low, high, out] :
                 {std::tuple<const char*, long long, long long, long long*>{"BAUD", 1, kMaxBaudRate, &baud},
                  {"SA", 0, kMaxAddress, &sa},
                  {"INTERVAL", 1, kMaxIntervalSeconds, &interval}}) {
                if (!number(name, low, high, *out)) {
                    return reader.Fail(find(name)->lineNumber, error);
                }
            }
            line.baudRate = static_cast<int>(baud);
            line.sourceAddress = static_cast<std::uint8_t>(sa);
            line.intervalSeconds = static_cast<int>(interval);
            const Entry* stations = find("STATIONS");
            if (stations == nullptr || TrimBlanks(text(*stations)).empty()) {
                return reader.Fail(section.lineNumber, "[" + section.name + "] has no STATIONS");
            }
            const auto parsed = ParseStations(text(*stations), error);
            if (!parsed) {
                return reader.Fail(stations->lineNumber, error);
            }
            line.stations = *parsed;
            if (std::find(line.stations.begin(), line.stations.end(), line.sourceAddress) !=
                line.stations.end()) {
                const Entry* at = find("SA") != nullptr ? find("SA") : stations;
                return reader.Fail(at->lineNumber, "SA " + std::to_string(line.sourceAddress) +
                                                       " is also a station's address on this line");
            }
            for (const LineSettings& other : config.lines) {
                if (other.device == line.device || (other.port != 0 && other.port == line.port)) {
                    return reader.Fail(device->lineNumber, "DEVICE " + line.device +
                                                               " is also the device of [" + other.name + "]");
                }
            }
            config.lines.push_back(std::move(line));
        } else if (section.kind == Section::Kind::Record) {
            const Entry* folder = find("FOLDER");
            if (folder == nullptr || text(*folder).empty()) {
                return reader.Fail(section.lineNumber, "[RECORD] has no FOLDER");
            }
            config.record = RecordSettings{text(*folder)};
        } else {
            BrokerSettings mqtt;
            const Entry* broker = find("BROKER");
            if (broker == nullptr || text(*broker).empty()) {
                return reader.Fail(section.lineNumber, "[MQTT] has no BROKER");
            }
            mqtt.broker = text(*broker);
            if (const std::string e = BrokerError(mqtt.broker); !e.empty()) {
                return reader.Fail(broker->lineNumber, e);
            }
            if (const Entry* topic = find("TOPIC")) {
                mqtt.topic = text(*topic);
                if (const std::string e = TopicError(mqtt.topic); !e.empty()) {
                    return reader.Fail(topic->lineNumber, e);
                }
            }
            if (const Entry* user = find("USER")) {
                mqtt.user = text(*user);
            }
            if (const Entry* password = find("PASSWORD")) {
                if (mqtt.user.empty()) {
                    return reader.Fail(password->lineNumber, "PASSWORD without USER");
                }
                mqtt.password = text(*password);
            }
            if (const Entry* caFile = find("CAFILE")) {
                if (!StartsWithIgnoringCase(mqtt.broker, "mqtts://")) {
                    return reader.Fail(caFile->lineNumber, "CAFILE is for an mqtts:// broker only");
                }
                mqtt.caFile = text(*caFile);
            }
            config.mqtt = std::move(mqtt);
        }
    }
    if (config.lines.empty()) {
        return reader.Fail(0, "no [LINE...] section: no line to read");
    }
    if (!config.record && !config.mqtt) {
        return reader.Fail(0, "neither [RECORD] nor [MQTT]: the readings would go nowhere");
    }
    return {std::move(config), {}};
}

ConfigRead ReadLoggerConfig(const std::string& path) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (!std::filesystem::exists(status)) {
        return {std::nullopt, path + ": no such file"};
    }
    if (!std::filesystem::is_regular_file(status)) {
        return {std::nullopt, path + ": not a regular file"};
    }
    std::ifstream file(path, std::ios::binary);
    std::string bytes;
    if (file) {
        bytes.resize(kMaxConfigBytes + 1);
        file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        bytes.resize(static_cast<std::size_t>(file.gcount()));
    }
    if (!file && !file.eof()) {
        return {std::nullopt, path + ": cannot be read"};
    }
    if (bytes.size() > kMaxConfigBytes) {
        return {std::nullopt, path + ": larger than 1 MiB"};
    }
    return ParseLoggerConfig(bytes, path);
}

}  // namespace zt30::logger
