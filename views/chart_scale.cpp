#include "views/chart_scale.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace zt30 {

namespace {

constexpr double kLimit = 1e300;

double Clamped(double value) {
    if (std::isnan(value)) {
        return 0.0;
    }
    return std::clamp(value, -kLimit, kLimit);
}

// Floor division for any sign.
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// A step of 1, 2 or 5 times a power of ten for about maxTicks intervals over span (> 0), and the digits
// after the separator that tell its multiples apart.
void ReadableStep(double span, int maxTicks, ValueTicks& ticks) {
    const double raw = span / static_cast<double>(std::max(maxTicks, 1));
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double normal = raw / magnitude;
    const double factor = normal <= 1.0 ? 1.0 : normal <= 2.0 ? 2.0 : normal <= 5.0 ? 5.0 : 10.0;
    ticks.step = factor * magnitude;
    if (!(ticks.step > 0.0) || !std::isfinite(ticks.step)) {
        ticks.step = span;
    }
    ticks.decimals = std::clamp(static_cast<int>(-std::floor(std::log10(ticks.step) + 1e-9)), 0, 20);
}

}  // namespace

ValueTicks NiceValueTicks(double min, double max, int maxTicks) {
    if (!(min <= max)) {
        min = 0.0;
        max = 1.0;
    }
    min = Clamped(min);
    max = Clamped(max);
    if (max - min <= std::abs(max) * 1e-12 || max == min) {
        // One value (or values that differ only in their last bits): a range of a tenth of it either side.
        const double pad = min == 0.0 ? 1.0 : std::abs(min) * 0.1;
        min -= pad;
        max += pad;
    }
    ValueTicks ticks;
    ReadableStep(max - min, maxTicks, ticks);
    const double low = std::floor(min / ticks.step);
    const double high = std::ceil(max / ticks.step);
    ticks.axisMin = low * ticks.step;
    ticks.axisMax = high * ticks.step;
    ticks.first = ticks.axisMin;
    ticks.count = static_cast<int>(std::clamp(high - low, 1.0, 1000.0)) + 1;
    return ticks;
}

ValueTicks FixedValueTicks(double min, double max, int maxTicks) {
    ValueTicks ticks;
    ticks.axisMin = min;
    ticks.axisMax = max;
    ReadableStep(max - min, maxTicks, ticks);
    const double low = std::ceil(min / ticks.step);
    const double high = std::floor(max / ticks.step);
    ticks.first = low * ticks.step;
    ticks.count = high >= low ? static_cast<int>(std::min(high - low, 1000.0)) + 1 : 0;
    return ticks;
}

TimeTicks NiceTimeTicks(std::int64_t begin, std::int64_t end, std::int64_t minStep, int maxTicks) {
    static constexpr std::array<std::int64_t, 21> kSteps = {
        kSecondMs,  2 * kSecondMs, 5 * kSecondMs, 10 * kSecondMs, 15 * kSecondMs, 30 * kSecondMs,
        kMinuteMs,  2 * kMinuteMs, 5 * kMinuteMs, 10 * kMinuteMs, 15 * kMinuteMs, 30 * kMinuteMs,
        kHourMs,    2 * kHourMs,   3 * kHourMs,   6 * kHourMs,    12 * kHourMs,   kDayMs,
        2 * kDayMs, 7 * kDayMs,    14 * kDayMs,
    };
    TimeTicks ticks;
    // Beyond a few million years from the epoch the tick arithmetic could overflow; such times get no ticks.
    constexpr std::int64_t kFarthest = 100'000'000'000'000'000;
    if (end <= begin || begin < -kFarthest || end > kFarthest || maxTicks < 1) {
        return ticks;
    }
    const auto pick = [&]() -> std::int64_t {
        for (const std::int64_t step : kSteps) {
            if (step >= minStep) {
                return step;
            }
        }
        std::int64_t step = 365 * kDayMs;
        for (std::int64_t years = step; years <= kFarthest; years *= 10) {
            for (const std::int64_t factor : {1, 2, 5}) {
                step = years * factor;
                if (step >= minStep) {
                    return step;
                }
            }
        }
        return step;
    };
    ticks.step = pick();
    const std::int64_t firstIndex = -FloorDiv(-begin, ticks.step);
    const std::int64_t lastIndex = -FloorDiv(-end, ticks.step) - 1;
    ticks.first = firstIndex * ticks.step;
    ticks.count = static_cast<int>(std::clamp<std::int64_t>(lastIndex - firstIndex + 1, 0, maxTicks));
    if (ticks.step >= kDayMs) {
        ticks.label = TimeLabel::Date;
    } else if (FloorDiv(begin, kDayMs) != FloorDiv(end - 1, kDayMs)) {
        ticks.label = TimeLabel::DateAndTime;
    } else {
        ticks.label = TimeLabel::Time;
    }
    return ticks;
}

}  // namespace zt30
