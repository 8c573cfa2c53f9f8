// What the benchmarks report besides Google Benchmark's mean: the median of single timed runs.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <vector>

namespace zt30::bench {

using SteadyClock = std::chrono::steady_clock;

// The middle sample (the upper one of an even count); 0 for none.
inline double Median(std::vector<double> samples) {
    if (samples.empty()) {
        return 0.0;
    }
    const auto middle = samples.begin() + static_cast<std::ptrdiff_t>(samples.size() / 2);
    std::nth_element(samples.begin(), middle, samples.end());
    return *middle;
}

inline double MicrosecondsSince(SteadyClock::time_point start) {
    return std::chrono::duration<double, std::micro>(SteadyClock::now() - start).count();
}

inline double MillisecondsSince(SteadyClock::time_point start) {
    return std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
}

}  // namespace zt30::bench
