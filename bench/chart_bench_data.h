// The data both chart benchmarks draw: a day and more of one reading a second, a random walk over a slow
// wave with noise, the same for every run and every library.
#pragma once

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <random>
#include <vector>

#include "bench/bench_stats.h"

namespace zt30::bench {

inline constexpr int kChartWidth = 1000;
inline constexpr int kChartHeight = 600;
inline constexpr int kChartPoints = 100'000;
// 2026-01-01 08:00 as local time in milliseconds since the epoch.
inline constexpr std::int64_t kStartMs = 1'767'254'400'000;

struct Reading {
    std::int64_t timeMs;
    double value;
};

// count readings one second apart; the sequence goes on the same way for any count.
inline std::vector<Reading> MakeReadings(int count, std::uint32_t seed = 30) {
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, 1.0);
    std::vector<Reading> readings;
    readings.reserve(static_cast<std::size_t>(count));
    double walk = 0.0;
    for (int i = 0; i < count; ++i) {
        walk += 0.3 * noise(random);
        readings.push_back(
            {kStartMs + i * std::int64_t{1000}, 50.0 + 20.0 * std::sin(i / 3000.0) + walk + noise(random)});
    }
    return readings;
}

// Each operation is timed on the wall clock and on the thread's own CPU clock: on a shared machine the
// first also counts the time other programs had the processor, the second does not.
class OperationTimer {
public:
    void Start() {
        wallStart_ = std::chrono::steady_clock::now();
        cpuStart_ = ThreadCpuMicroseconds();
    }
    // Records the operation begun by Start(), divided by count when it was a run of count operations.
    void Stop(int count = 1) {
        wall_.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - wallStart_).count() /
            count);
        cpu_.push_back((ThreadCpuMicroseconds() - cpuStart_) / count);
    }
    // Puts the medians into counters median_us (wall) and median_cpu_us.
    template <typename State>
    void Report(State& state) const {
        state.counters["median_us"] = Median(wall_);
        state.counters["median_cpu_us"] = Median(cpu_);
    }

private:
    static double ThreadCpuMicroseconds() {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
    }

    std::chrono::steady_clock::time_point wallStart_;
    double cpuStart_ = 0.0;
    std::vector<double> wall_;
    std::vector<double> cpu_;
};

}  // namespace zt30::bench
