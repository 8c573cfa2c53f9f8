// The link's own cost against zt30-sim on a pseudo-terminal: one table-0 exchange (directly, and through
// ser2net on 127.0.0.1 over rfc2217:// and tcp://), opening and configuring the port, and an exchange with
// the wire time of a 9600 bit/s line emulated. Each reports the median of the individual operations
// (median_us / median_ms) besides Google Benchmark's mean.
#include <benchmark/benchmark.h>

#include "bench/bench_doubles.h"
#include "bench/bench_stats.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "link/com_ports.h"
#include "link/device.h"
#include "sim/ser2net_process.h"
#include "sim/sim_process.h"

namespace {

using namespace zt30;
using namespace zt30::bench;
using bench::SteadyClock;

struct SimLink {
    // device: the port's device, the simulator's terminal when empty (a network address takes its path).
    explicit SimLink(std::vector<std::string> args, int baudRate = 9600,
                     std::function<std::string(const std::string&)> device = {})
        : sim(ZT30_SIM_PATH, std::move(args)), settings{1, baudRate, 1, 0} {
        const std::string path = device ? device(sim.SlavePath()) : sim.SlavePath();
        line = std::make_unique<SerialLine>(settings, MakeSystemSerialBackend([path](int) { return path; }));
        link = std::make_unique<TelegramLayer>(*line, clock);
        link->SetDestinationAddress(1);
        ops = std::make_unique<DeviceOperations>(*link, image, ui);
    }

    test::SimProcess sim;
    PortSettings settings;
    SystemClock clock;
    SilentUi ui;
    DeviceImage image;
    std::unique_ptr<SerialLine> line;
    std::unique_ptr<TelegramLayer> link;
    std::unique_ptr<DeviceOperations> ops;
};

// One ReadTable(0) exchange, answered at once (turnaround 0, no wire time).
void BM_ReadTable0(benchmark::State& state) {
    SimLink sim({"--stations", "1", "--turnaround", "0"});
    if (sim.sim.SlavePath().empty() || !sim.line->Open(1)) {
        state.SkipWithError("simulator not available");
        return;
    }
    std::vector<double> samples;
    samples.reserve(static_cast<std::size_t>(state.max_iterations));
    std::int64_t failures = 0;
    for (auto _ : state) {
        const auto start = SteadyClock::now();
        failures += sim.ops->ReadTable(0) ? 0 : 1;
        samples.push_back(bench::MicrosecondsSince(start));
    }
    state.counters["median_us"] = bench::Median(samples);
    state.counters["failures"] = static_cast<double>(failures);
}
BENCHMARK(BM_ReadTable0)->Iterations(3000)->Unit(benchmark::kMicrosecond);

// The same exchange through ser2net serving the simulator's terminal: rfc2217:// (argument 1) or tcp:// (0).
void BM_ReadTable0OverSer2net(benchmark::State& state) {
    std::unique_ptr<test::Ser2netProcess> server;
    SimLink sim({"--stations", "1", "--turnaround", "0"}, 9600, [&server, &state](const std::string& path) {
        server = std::make_unique<test::Ser2netProcess>(path);
        return server->Address(state.range(0) == 1);
    });
    if (test::Ser2netBinary().empty() || !server->Running() || !sim.line->Open(1)) {
        state.SkipWithError("ser2net or the simulator not available");
        return;
    }
    std::vector<double> samples;
    samples.reserve(static_cast<std::size_t>(state.max_iterations));
    std::int64_t failures = 0;
    for (auto _ : state) {
        const auto start = SteadyClock::now();
        failures += sim.ops->ReadTable(0) ? 0 : 1;
        samples.push_back(bench::MicrosecondsSince(start));
    }
    state.counters["median_us"] = bench::Median(samples);
    state.counters["failures"] = static_cast<double>(failures);
}
BENCHMARK(BM_ReadTable0OverSer2net)->Arg(1)->Arg(0)->Iterations(1000)->Unit(benchmark::kMicrosecond);

// Open (with its ApplySettings), a second ApplySettings as a speed change does, and Close.
void BM_OpenApplyClose(benchmark::State& state) {
    SimLink sim({"--stations", "1"});
    if (sim.sim.SlavePath().empty()) {
        state.SkipWithError("simulator not available");
        return;
    }
    std::vector<double> samples;
    samples.reserve(static_cast<std::size_t>(state.max_iterations));
    for (auto _ : state) {
        const auto start = SteadyClock::now();
        if (!sim.line->Open(1)) {
            state.SkipWithError("open failed");
            return;
        }
        sim.line->ApplySettings();
        sim.line->Close();
        samples.push_back(bench::MicrosecondsSince(start));
    }
    state.counters["median_us"] = bench::Median(samples);
}
BENCHMARK(BM_OpenApplyClose)->Iterations(2000)->Unit(benchmark::kMicrosecond);

// ReadTable(0) on an emulated 9600 bit/s line: 11 + 17 bytes of 11 bits take 32.08 ms on the wire, plus the
// turnaround; excess_ms is what the exchange took beyond that.
void BM_ReadTable0WireTime(benchmark::State& state) {
    constexpr int kTurnaroundMs = 1;
    constexpr double kWireMs = (11 + 17) * 11 * 1000.0 / 9600;
    SimLink sim(
        {"--stations", "1", "--wire-time", "--baud", "9600", "--turnaround", std::to_string(kTurnaroundMs)});
    if (sim.sim.SlavePath().empty() || !sim.line->Open(1)) {
        state.SkipWithError("simulator not available");
        return;
    }
    std::vector<double> samples;
    std::int64_t failures = 0;
    for (auto _ : state) {
        const auto start = SteadyClock::now();
        failures += sim.ops->ReadTable(0) ? 0 : 1;
        samples.push_back(bench::MicrosecondsSince(start) / 1000.0);
    }
    const double median = bench::Median(samples);
    state.counters["median_ms"] = median;
    state.counters["excess_ms"] = median - kWireMs - kTurnaroundMs;
    state.counters["failures"] = static_cast<double>(failures);
}
BENCHMARK(BM_ReadTable0WireTime)->Iterations(100)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
