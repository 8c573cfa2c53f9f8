// Fault injection: which answer to spoil, and how. Built from the --fault options (KIND, KIND@N, KIND:RATE);
// the responder asks it once for every well-formed request addressed to one of its stations, counted from 1.
// Rates draw from a generator seeded by --seed, so a run with the same seed and requests repeats exactly.
#pragma once

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace zt30::sim {

enum class FaultKind {
    NoAnswer,  // "none": the request is not heard; no action, no answer
    Short,     // the answer lacks its last byte
    BadFcs,    // the answer's check sum is wrong
    BadEnd,    // the answer's end delimiter is wrong
    Nak,       // negative acknowledgement in place of the answer; the request is refused
    Late,      // the answer comes 700 ms after the request
    Hangup,    // half the answer, then the simulator closes the line and exits
};

struct FaultSpec {
    FaultKind kind = FaultKind::NoAnswer;
    std::uint64_t onlyRequest = 0;  // 1-based request number; 0 when the rate applies
    double rate = 1.0;              // probability per request, 0..1
};

// Parses "KIND", "KIND@N" (N >= 1) or "KIND:RATE" (0 <= RATE <= 1); nullopt when the text is not one of
// those.
std::optional<FaultSpec> ParseFaultSpec(std::string_view text);

// The option name of a kind ("none", "short", ...).
std::string_view FaultName(FaultKind kind);

class FaultPlan {
public:
    FaultPlan(std::vector<FaultSpec> specs, std::uint64_t seed);

    // Counts one request and returns the fault to apply to it; the first spec that fires wins. Every rate
    // spec draws once per request whether or not an earlier one fired, so the specs do not disturb each
    // other.
    std::optional<FaultKind> Next();

    // Requests counted so far.
    std::uint64_t Count() const { return count_; }

private:
    double Draw();

    std::vector<FaultSpec> specs_;
    std::mt19937_64 random_;
    std::uint64_t count_ = 0;
};

}  // namespace zt30::sim
