// The data both chart benchmarks draw: a day and more of one reading a second, a random walk over a slow
// wave with noise, the same for every run and every library, plus the median helper they report with.
#pragma once

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

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

inline double Median(std::vector<double> samples) {
    if (samples.empty()) {
        return 0.0;
    }
    const auto middle = samples.begin() + static_cast<std::ptrdiff_t>(samples.size() / 2);
    std::nth_element(samples.begin(), middle, samples.end());
    return *middle;
}

using SteadyClock = std::chrono::steady_clock;

inline double MicrosecondsSince(SteadyClock::time_point start) {
    return std::chrono::duration<double, std::micro>(SteadyClock::now() - start).count();
}

}  // namespace zt30::bench
