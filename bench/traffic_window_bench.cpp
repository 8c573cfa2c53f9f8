// "Provoz linky" holding 10,000 frames (a full ring), offscreen and shown: the work of one tick of its timer
// when frames came in since the last (the oldest leave the list, the new ones join it, the view follows the
// newest), as at 10 frames a second; and the repaint that follows, for comparison. Each reports the median of
// its single operations (median_us, median_cpu_us) besides Google Benchmark's mean.
#include <benchmark/benchmark.h>

#include "bench/bench_doubles.h"

#include <QApplication>
#include <QTableView>

#include "app/line_traffic_window.h"
#include "bench/chart_bench_data.h"
#include "link/line_monitor.h"

namespace {

using namespace zt30;
using namespace zt30::bench;

class NoLine final : public SerialBackend {
public:
    bool OpenPort(int) override { return false; }
    bool SetQueues(std::size_t, std::size_t) override { return false; }
    bool SetReadTimeouts(const ReadTimeouts&) override { return false; }
    bool GetConfig(LineConfig&) override { return false; }
    bool SetConfig(const LineConfig&) override { return false; }
    void PurgeReceive() override {}
    void PurgeTransmit() override {}
    ReadResult Read(std::span<std::uint8_t>) override { return {}; }
    bool Write(std::span<const std::uint8_t>) override { return false; }
    void ClosePort() override {}
};

// A window over a full ring of alternating requests and answers, shown at 900×420.
struct FullWindow {
    FullWindow() : line(settings, std::make_unique<NoLine>()), link(line, clock), monitor(link) {
        for (int i = 0; i < 10'000; ++i) {
            Add();
        }
        window.resize(900, 420);
        window.ShowWindow();
        QApplication::processEvents();
    }

    // One frame more, as the telegram layer reports it.
    void Add() {
        static constexpr std::uint8_t kRequest[] = {0x68, 0x05, 0x05, 0x68, 0x01, 0x00,
                                                    0x6C, 0x01, 0x00, 0x6E, 0x16};
        static constexpr std::uint8_t kAnswer[] = {0x68, 0x0B, 0x0B, 0x68, 0x00, 0x01, 0x08, 0x00, 0x00,
                                                   0x48, 0x41, 0x00, 0x00, 0xC8, 0x42, 0x9C, 0x16};
        TelegramEvent event;
        const bool answer = next % 2 == 1;
        event.direction = answer ? TrafficDirection::Receive : TrafficDirection::Transmit;
        event.outcome = answer ? TrafficOutcome::Accepted : TrafficOutcome::Sent;
        event.destination = 1;
        event.exchange = static_cast<std::uint32_t>(next / 2 + 1);
        event.firstByteUs = answer ? 2000 : -1;
        event.lastByteUs = answer ? 19'000 : -1;
        event.bytes =
            answer ? std::span<const std::uint8_t>(kAnswer) : std::span<const std::uint8_t>(kRequest);
        monitor.OnTelegram(event);
        ++next;
    }

    PortSettings settings{1, 9600, 1, 0};
    StillClock clock;
    SerialLine line;
    TelegramLayer link;
    LineMonitor monitor;
    SilentUi ui;
    TLineTraffic window{monitor, ui, RegionalSettings{}, nullptr};
    int next = 0;
};

// One tick with `frames` new frames (1 at 10 frames a second and a tick every 100 ms; 3 for a burst).
void BM_TickWithNewFrames(benchmark::State& state) {
    FullWindow full;
    OperationTimer timer;
    const int frames = static_cast<int>(state.range(0));
    for (auto _ : state) {
        for (int i = 0; i < frames; ++i) {
            full.Add();
        }
        timer.Start();
        full.window.Timer1Timer();
        timer.Stop();
        state.PauseTiming();
        QApplication::processEvents();  // the repaint, outside the figure
        state.ResumeTiming();
    }
    timer.Report(state);
    state.counters["rows"] = full.window.Model().rowCount();
}
BENCHMARK(BM_TickWithNewFrames)
    ->ArgName("frames")
    ->Arg(1)
    ->Arg(3)
    ->Iterations(500)
    ->Unit(benchmark::kMicrosecond);

// The tick and the repaint of the list that follows it.
void BM_TickAndRepaint(benchmark::State& state) {
    FullWindow full;
    OperationTimer timer;
    auto* table = full.window.findChild<QTableView*>("str_provoz");
    for (auto _ : state) {
        full.Add();
        timer.Start();
        full.window.Timer1Timer();
        table->viewport()->repaint();
        timer.Stop();
    }
    timer.Report(state);
}
BENCHMARK(BM_TickAndRepaint)->Iterations(300)->Unit(benchmark::kMicrosecond);

}  // namespace
