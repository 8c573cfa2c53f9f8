// The line monitor's cost: recording one telegram event (into the ring and the statistics), and one whole
// table-0 exchange over an in-memory line that answers at once, without and with the monitor attached, so
// the difference is what recording adds to an exchange (one request and one answer).
#include <benchmark/benchmark.h>

#include "bench/bench_doubles.h"

#include <algorithm>

#include "link/device.h"
#include "link/line_monitor.h"

namespace {

using namespace zt30;
using namespace zt30::bench;

// A port whose instrument answers every request at once with table 0.
class InstantLine final : public SerialBackend {
public:
    bool OpenPort(int) override { return true; }
    bool SetQueues(std::size_t, std::size_t) override { return true; }
    bool SetReadTimeouts(const ReadTimeouts&) override { return true; }
    bool GetConfig(LineConfig&) override { return true; }
    bool SetConfig(const LineConfig&) override { return true; }
    void PurgeReceive() override {}
    void PurgeTransmit() override {}
    ReadResult Read(std::span<std::uint8_t> buffer) override {
        const std::size_t n = std::min(buffer.size(), sizeof kAnswer);
        std::copy_n(kAnswer, n, buffer.begin());
        return {true, n, 1000, 1000};
    }
    bool Write(std::span<const std::uint8_t>) override { return true; }
    void ClosePort() override {}

private:
    static constexpr std::uint8_t kAnswer[] = {0x68, 0x0B, 0x0B, 0x68, 0x00, 0x01, 0x08, 0x00, 0x00,
                                               0x48, 0x41, 0x00, 0x00, 0xC8, 0x42, 0x9C, 0x16};
};

struct InstantLink {
    InstantLink() : line(settings, std::make_unique<InstantLine>()), link(line, clock), ops(link, image, ui) {
        link.SetDestinationAddress(1);
        line.Open(1);
    }
    PortSettings settings{1, 9600, 1, 0};
    StillClock clock;
    SilentUi ui;
    DeviceImage image;
    SerialLine line;
    TelegramLayer link;
    DeviceOperations ops;
};

void BM_RecordOneEvent(benchmark::State& state) {
    InstantLink instant;
    LineMonitor monitor(instant.link);
    const std::uint8_t bytes[17] = {0x68, 0x0B, 0x0B, 0x68, 0x00, 0x01, 0x08, 0x00, 0x00,
                                    0x48, 0x41, 0x00, 0x00, 0xC8, 0x42, 0x9C, 0x16};
    TelegramEvent event;
    event.direction = TrafficDirection::Receive;
    event.outcome = TrafficOutcome::Accepted;
    event.destination = 1;
    event.firstByteUs = 1800;
    event.lastByteUs = 19'500;
    event.bytes = bytes;
    for (auto _ : state) {
        monitor.OnTelegram(event);
        ++event.monotonicUs;
    }
    state.counters["ring_size"] = static_cast<double>(monitor.Traffic().Size());
}
BENCHMARK(BM_RecordOneEvent)->Unit(benchmark::kNanosecond);

// ReadTable(0): build, send, read, check and decode; the monitor off (0) and on (1).
void BM_ReadTable0Exchange(benchmark::State& state) {
    InstantLink instant;
    std::optional<LineMonitor> monitor;
    if (state.range(0) != 0) {
        monitor.emplace(instant.link);
    }
    std::int64_t failures = 0;
    for (auto _ : state) {
        failures += instant.ops.ReadTable(0) ? 0 : 1;
    }
    state.counters["failures"] = static_cast<double>(failures);
    state.counters["records"] = monitor ? static_cast<double>(monitor->Traffic().EndSequence()) : 0.0;
}
BENCHMARK(BM_ReadTable0Exchange)->ArgName("monitor")->Arg(0)->Arg(1)->Unit(benchmark::kNanosecond);

}  // namespace

BENCHMARK_MAIN();
