#include "logger/log_command.h"

#include <cstdlib>
#include <iostream>

#include "cli/cli_args.h"
#include "cli/commands.h"
#include "cli/configured_devices.h"
#include "cli/printable.h"
#include "link/com_ports.h"
#include "logger/journal.h"
#include "logger/logging_service.h"
#include "logger/mqtt_publisher.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace zt30::logger {

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string HostName() {
#ifdef _WIN32
    return Environment("COMPUTERNAME");
#else
    char name[256] = {};
    return gethostname(name, sizeof name - 1) == 0 ? name : "";
#endif
}

// The session's name at the broker: the same on every start of the logger of one host and topic prefix, so
// that the broker keeps its session across a restart.
std::string ClientId(const BrokerSettings& mqtt) {
    std::string id = "zt30ctl-" + HostName() + "-" + mqtt.topic;
    for (char& c : id) {
        const bool plain =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
        c = plain ? c : '_';
    }
    return id;
}

}  // namespace

int RunLogCommand(const std::string& configPath, const RegionalSettings& regional,
                  const std::function<bool()>& stopRequested) {
    StreamJournal journal(std::cerr, !Environment("JOURNAL_STREAM").empty());
    ConfigRead read = ReadLoggerConfig(configPath);
    if (!read.config) {
        journal.Write(Level::Error, read.error);
        return cli::kExitUsage;
    }
    ServiceParts parts;
    parts.config = std::move(*read.config);
    parts.regional = regional;
    parts.journal = &journal;
    parts.makeRecordFiles = [] { return cli::MakeRegularRecordFiles(); };

    // COMn goes through the settings file's devices as in the other commands; anything else is the device.
    cli::ConfiguredDevices devices;
#ifndef _WIN32
    for (const LineSettings& line : parts.config.lines) {
        if (line.port != 0) {
            devices = cli::ReadConfiguredDevices();
            break;
        }
    }
#endif
    for (const LineSettings& line : parts.config.lines) {
        if (const std::string& error =
                devices[static_cast<std::size_t>(line.port != 0 ? line.port - 1 : 0)].error;
            line.port != 0 && !error.empty()) {
            journal.Write(Level::Error, line.name + ": " + error);
            return cli::kExitFailure;
        }
    }
    parts.makeBackend = [&devices](const LineSettings& line) {
        return MakeSystemSerialBackend(line.port != 0 ? cli::DeviceLookupOf(devices)
                                                      : cli::FixedDeviceLookup(line.device));
    };

    std::unique_ptr<MqttPublisher> publisher;
    if (parts.config.mqtt) {
        const BrokerSettings& broker = *parts.config.mqtt;
        MqttSettings settings;
        settings.broker = broker.broker;
        settings.topic = broker.topic;
        settings.user = broker.user;
        settings.password = broker.password;
        settings.caFile = broker.caFile;
        settings.clientId = ClientId(broker);
        publisher = MakeMqttPublisher(std::move(settings), journal);
        if (std::string startError; !publisher->Start(startError)) {
            journal.Write(Level::Error, cli::PrintableArgument(broker.broker) + ": " + startError);
            return cli::kExitFailure;
        }
        parts.publisher = publisher.get();
    }
    std::string lines;
    std::size_t stations = 0;
    for (const LineSettings& line : parts.config.lines) {
        lines += (lines.empty() ? "" : ", ") + line.name;
        stations += line.stations.size();
    }
    journal.Write(
        Level::Info,
        "started: " + std::to_string(stations) + " stations on " + lines +
            (parts.config.record ? ", records in " + cli::PrintableArgument(parts.config.record->folder)
                                 : "") +
            (parts.config.mqtt ? ", broker " + cli::PrintableArgument(parts.config.mqtt->broker) : ""));
    return RunLoggingService(parts, stopRequested);
}

}  // namespace zt30::logger
