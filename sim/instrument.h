// Model of one ZANTOR 30 station: its data tables 0 to 5 as they travel on the line, a pulse input of fixed
// frequency accumulated on an injected monotonic time source, the four functions computed from the pulses,
// the running sum, the clearing commands and its own bus address. The responder reads and writes it; the
// tables' bytes go out in answers and come in from write requests.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace zt30::sim {

// Function codes of table 1 (FUNC).
enum class Function : std::uint8_t { Total = 0, Rate = 1, FlowPerMinute = 2, FlowPerHour = 3 };

inline constexpr std::uint8_t kFactorDivide = 0;
inline constexpr std::uint8_t kFactorMultiply = 1;

struct Parameters {
    std::uint8_t func = 0;  // Function
    std::uint8_t dp = 0;
    std::uint8_t factor = kFactorMultiply;
    std::uint8_t config = 0;
    std::uint16_t filtr = 0;
    float scale = 1.0F;
    float offset = 0.0F;
    float sp_lo = 0.0F;
    float sp_hi = 1000.0F;
    float hyster = 0.0F;
    float an_lo = 0.0F;
    float an_hi = 1000.0F;
};

class Instrument {
public:
    // Monotonic time since any fixed origin.
    using TimeSource = std::function<std::chrono::nanoseconds()>;

    // A station at `address` (0..126) counting pulses of `pulseHz` (>= 0) from the moment of construction.
    Instrument(std::uint8_t address, double pulseHz, TimeSource now);

    std::uint8_t Address() const { return address_; }
    const Parameters& Params() const { return params_; }
    void SetParams(const Parameters& params) { params_ = params; }

    // Measured value of the current function: raw op SCALE + OFFSET (op: divide or multiply by FACTOR), where
    // raw is the pulse count since the last counter clearing (TOTAL), the frequency in Hz (RATE), pulses per
    // minute (FLOMIN) or per hour (FLOHOD). A division by a SCALE of 0 counts as 0 (OFFSET alone is shown).
    float Value();
    // Running sum: every pulse adds 1 op SCALE at the moment it arrives, so the sum is the integral of the
    // flow in the units of SCALE; a later change of SCALE does not rewrite the past.
    float Sum();
    // Whole pulses since the last clearing of the counter.
    std::uint64_t Counter();

    // The table's bytes (tables 0 to 5, little-endian); empty for any other table.
    std::vector<std::uint8_t> ReadTable(int table);

    // Takes the bytes of table 1..5 (exactly the table's length). False, and nothing changed, for another
    // table, a wrong length, a code outside its list (FUNC 0..3, DP 0..5, FACTOR 0..1) or an address above
    // 126.
    bool WriteTable(int table, std::span<const std::uint8_t> bytes);

    // Table 6 with 0x55 clears the counter, table 7 with 0x5A the sum; false for anything else.
    bool Clear(int table, std::uint8_t code);

private:
    void Advance();
    double Scaled(double raw) const;

    std::uint8_t address_;
    double pulseHz_;
    TimeSource now_;
    std::chrono::nanoseconds last_;
    double pulseFraction_ = 0.0;  // part of a pulse not yet counted
    std::uint64_t counter_ = 0;
    double sum_ = 0.0;
    Parameters params_;
};

}  // namespace zt30::sim
