// Plays the instruments' side of the bus: takes each checked request from the parser, lets the addressed
// station (a ZANTOR 30 model or the foreign device) act on it and returns the answer frame to send, spoiled
// by the fault plan when it says so. Unserviceable requests to a station get a negative acknowledgement;
// broadcasts (address 127) are acted on but never answered.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/fault_plan.h"
#include "sim/instrument.h"
#include "sim/request_parser.h"
#include "sim/sim_frames.h"

namespace zt30::sim {

inline constexpr char kIdentificationText[] = "ZANTOR 30";
inline constexpr char kVersionText[] = "1.00 (simulator)";
// The foreign device's three 32-byte text fields: maker, model, version.
inline constexpr char kForeignMaker[] = "Foreign Devices Ltd.";
inline constexpr char kForeignModel[] = "FD-100 controller";
inline constexpr char kForeignVersion[] = "FW 2.3 (simulated)";
// Function code of the foreign device's identification answer: data, but not the FC this family answers with.
inline constexpr std::uint8_t kForeignAnswerFc = 0x0A;
inline constexpr std::chrono::milliseconds kLateDelay{700};

struct ResponderConfig {
    std::vector<std::uint8_t> stations{1};
    std::optional<std::uint8_t> foreign;
    double pulseHz = 10.0;
    std::chrono::milliseconds turnaround{1};
    std::vector<FaultSpec> faults;
    std::uint64_t seed = 1;
};

struct Reply {
    Bytes bytes;
    std::chrono::milliseconds delay{0};  // from the end of the request to the first byte of the answer
    bool hangup = false;                 // after these bytes, close the line and exit
    std::optional<FaultKind> fault;      // the fault applied, for the log
};

class Responder {
public:
    // Stations must be distinct addresses 0..126 and the foreign address none of them (the options check it).
    Responder(const ResponderConfig& config, Instrument::TimeSource now);

    // Acts on one request and returns what to send back; nullopt means silence. A change of a station's
    // address is made here, so the caller must not handle the next request before this answer has been sent.
    std::optional<Reply> Handle(const Request& request);

    // The model at `address`, or nullptr (the foreign device has none).
    Instrument* StationAt(std::uint8_t address);

    // The faults' request counter.
    std::uint64_t RequestsCounted() const { return faults_.Count(); }

private:
    std::optional<Bytes> Act(Instrument& station, const Request& request, bool broadcast);
    std::optional<Bytes> ActForeign(const Request& request) const;
    bool AddressTaken(std::uint8_t address, const Instrument& asking) const;

    std::vector<std::unique_ptr<Instrument>> stations_;
    std::optional<std::uint8_t> foreign_;
    std::chrono::milliseconds turnaround_;
    FaultPlan faults_;
};

// The foreign device's identification data unit: one format byte, then the three zero-padded 32-byte fields.
Bytes ForeignIdentificationData();

}  // namespace zt30::sim
