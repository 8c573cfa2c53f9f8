// The logging service's two figures, measured on a running service (not a Google Benchmark loop):
// - one line at 115200 bit/s with 100 stations on zt30-sim with the wire time emulated: the time of a round
//   of all stations and the readings per second against the line's physical limit (a table-0 exchange
//   takes 2.7 ms of wire time, about 370 readings a second);
// - from the end of an exchange to the reading's message at a subscriber on the same machine (a local
//   mosquitto): the median and the 95th percentile.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_stats.h"
#include "cli/commands.h"
#include "cli/configured_devices.h"
#include "link/com_ports.h"
#include "logger/logging_service.h"
#include "sim/sim_process.h"
#include "tests/support/mosquitto_broker.h"
#include "tests/support/mqtt_subscriber.h"

namespace {

using namespace zt30;
using namespace zt30::logger;
using bench::SteadyClock;

constexpr int kStations = 100;
constexpr double kWireMsPerExchange = 2.7;  // at 115200 bit/s: request and answer, 28 bytes of 11 bits
constexpr int kSeconds = 10;

double Percentile(std::vector<double> samples, double p) {
    if (samples.empty()) {
        return 0.0;
    }
    std::sort(samples.begin(), samples.end());
    return samples[static_cast<std::size_t>(p * static_cast<double>(samples.size() - 1))];
}

}  // namespace

int main() {
    std::string stations;
    for (int s = 1; s <= kStations; ++s) {
        stations += (s > 1 ? "," : "") + std::to_string(s);
    }
    test::SimProcess sim(ZT30_SIM_PATH,
                         {"--stations", stations, "--wire-time", "--baud", "115200", "--turnaround", "0"});
    test::MosquittoBroker broker;
    if (sim.SlavePath().empty() || !broker.Running()) {
        std::fprintf(stderr, "logger_bench: the simulator or mosquitto did not start\n");
        return 1;
    }
    test::MqttSubscriber subscriber(broker.Address(), "zt30-bench", true);
    if (!subscriber.Subscribe("zt30/+/+/reading")) {
        std::fprintf(stderr, "logger_bench: the subscriber did not connect\n");
        return 1;
    }
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("zt30-logger-bench-" + std::to_string(getpid()));
    const std::string config = "[LINE1]\nDEVICE=" + sim.SlavePath() + "\nBAUD=115200\nSTATIONS=" + stations +
                               "\n[RECORD]\nFOLDER=" + folder.string() +
                               "\n[MQTT]\nBROKER=" + broker.Address() + "\n";
    ConfigRead read = ParseLoggerConfig(config, "bench.ini");
    if (!read.config) {
        std::fprintf(stderr, "logger_bench: %s\n", read.error.c_str());
        return 1;
    }
    StreamJournal journal(std::cerr, false);
    MqttSettings mqtt{broker.Address(), "zt30", {}, {}, {}, "zt30-bench-logger", {}, 100000};
    std::filesystem::create_directories(folder);
    const std::unique_ptr<MqttPublisher> publisher = MakeMqttPublisher(mqtt, journal);
    std::string error;
    if (!publisher->Start(error)) {
        std::fprintf(stderr, "logger_bench: %s\n", error.c_str());
        return 1;
    }
    // The readings of the first rounds would otherwise wait for the first connection.
    for (int i = 0; i < 100 && !publisher->Connected(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }

    std::mutex mutex;
    std::vector<std::pair<int, SteadyClock::time_point>> ends;  // station, end of its exchange
    ServiceParts parts;
    parts.config = std::move(*read.config);
    parts.journal = &journal;
    parts.publisher = publisher.get();
    parts.makeRecordFiles = [] { return cli::MakeRegularRecordFiles(); };
    parts.makeBackend = [](const LineSettings& line) {
        return MakeSystemSerialBackend(cli::FixedDeviceLookup(line.device));
    };
    parts.afterReading = [&](const LineSettings&, std::uint8_t station, bool ok,
                             SteadyClock::time_point end) {
        if (ok) {
            const std::lock_guard lock(mutex);
            ends.emplace_back(station, end);
        }
    };
    std::atomic<bool> stop = false;
    std::thread service([&] { RunLoggingService(parts, [&] { return stop.load(); }); });
    std::this_thread::sleep_for(std::chrono::seconds(kSeconds));
    stop = true;
    service.join();
    subscriber.WaitFor([&](const auto& m) { return m.size() >= ends.size(); }, 5000);

    // The rounds: station 1 opens each; a whole round is 100 readings back to back.
    std::vector<double> roundMs;
    for (std::size_t i = 0; i + kStations <= ends.size(); ++i) {
        if (ends[i].first == 1 && ends[i + kStations - 1].first == kStations) {
            const double span =
                std::chrono::duration<double, std::milli>(ends[i + kStations - 1].second - ends[i].second)
                    .count();
            roundMs.push_back(span * kStations / (kStations - 1));
        }
    }
    // The k-th message of a station belongs to its k-th reading.
    std::map<int, std::vector<SteadyClock::time_point>> arrivals;
    for (const test::MqttMessage& m : subscriber.Messages()) {
        const std::size_t a = m.topic.find('/', 5) + 1;
        arrivals[std::stoi(m.topic.substr(a, m.topic.find('/', a) - a))].push_back(m.arrived);
    }
    std::map<int, std::size_t> seen;
    std::vector<double> latencyMs;
    for (const auto& [station, end] : ends) {
        const std::size_t k = seen[station]++;
        if (k < arrivals[station].size()) {
            latencyMs.push_back(
                std::chrono::duration<double, std::milli>(arrivals[station][k] - end).count());
        }
    }
    const double round = bench::Median(roundMs);
    const double perSecond = kStations * 1000.0 / round;
    const double limit = 1000.0 / kWireMsPerExchange;
    std::printf(
        "one line at 115200 bit/s, %d stations, %d rounds: a round takes %.1f ms (median), %.0f readings/s,"
        " %.0f%% of the line's limit of %.0f/s\n",
        kStations, static_cast<int>(roundMs.size()), round, perSecond, 100.0 * perSecond / limit, limit);
    std::printf(
        "end of exchange to subscriber: median %.2f ms, 95th percentile %.2f ms (%zu of %zu readings)\n",
        Percentile(latencyMs, 0.5), Percentile(latencyMs, 0.95), latencyMs.size(), ends.size());
    std::filesystem::remove_all(folder);
    return 0;
}
