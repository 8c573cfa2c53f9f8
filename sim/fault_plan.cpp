#include "sim/fault_plan.h"

#include <array>
#include <charconv>
#include <cmath>
#include <utility>

namespace zt30::sim {

namespace {

constexpr std::array<std::pair<std::string_view, FaultKind>, 7> kNames = {{
    {"none", FaultKind::NoAnswer},
    {"short", FaultKind::Short},
    {"fcs", FaultKind::BadFcs},
    {"ed", FaultKind::BadEnd},
    {"nak", FaultKind::Nak},
    {"late", FaultKind::Late},
    {"hangup", FaultKind::Hangup},
}};

std::optional<double> ParseRate(std::string_view text) {
    // std::from_chars for double accepts neither a sign nor blanks in front, which suits an option value.
    double rate = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), rate);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || !std::isfinite(rate) ||
        rate < 0.0 || rate > 1.0) {
        return std::nullopt;
    }
    return rate;
}

}  // namespace

std::string_view FaultName(FaultKind kind) {
    for (const auto& [name, k] : kNames) {
        if (k == kind) {
            return name;
        }
    }
    return "?";
}

std::optional<FaultSpec> ParseFaultSpec(std::string_view text) {
    const std::size_t split = text.find_first_of("@:");
    const std::string_view name = text.substr(0, split);
    FaultSpec spec;
    bool known = false;
    for (const auto& [n, k] : kNames) {
        if (n == name) {
            spec.kind = k;
            known = true;
        }
    }
    if (!known) {
        return std::nullopt;
    }
    if (split == std::string_view::npos) {
        return spec;
    }
    const std::string_view value = text.substr(split + 1);
    if (text[split] == '@') {
        std::uint64_t n = 0;
        const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
        if (value.empty() || ec != std::errc() || end != value.data() + value.size() || n == 0) {
            return std::nullopt;
        }
        spec.onlyRequest = n;
        return spec;
    }
    const auto rate = ParseRate(value);
    if (!rate) {
        return std::nullopt;
    }
    spec.rate = *rate;
    return spec;
}

FaultPlan::FaultPlan(std::vector<FaultSpec> specs, std::uint64_t seed)
    : specs_(std::move(specs)), random_(seed) {}

double FaultPlan::Draw() {
    // 53 random bits: the same numbers on every standard library, unlike the distributions.
    return static_cast<double>(random_() >> 11) * 0x1.0p-53;
}

std::optional<FaultKind> FaultPlan::Next() {
    ++count_;
    std::optional<FaultKind> chosen;
    for (const FaultSpec& spec : specs_) {
        bool fires = false;
        if (spec.onlyRequest != 0) {
            fires = spec.onlyRequest == count_;
        } else {
            fires = Draw() < spec.rate;
        }
        if (fires && !chosen) {
            chosen = spec.kind;
        }
    }
    return chosen;
}

}  // namespace zt30::sim
