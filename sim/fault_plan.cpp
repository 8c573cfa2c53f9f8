#include "sim/fault_plan.h"

#include <array>
#include <cmath>
#include <utility>

#include "base/text_rules.h"

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
    // The command-line form takes neither a sign nor blanks in front, which suits a rate.
    const std::optional<double> rate = ParseOptionNumber<double>(text);
    if (!rate || !std::isfinite(*rate) || *rate < 0.0 || *rate > 1.0) {
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
        const std::optional<std::uint64_t> n = ParseOptionNumber<std::uint64_t>(value);
        if (!n || *n == 0) {
            return std::nullopt;
        }
        spec.onlyRequest = *n;
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
