#include "sim/sim_options.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "base/text_rules.h"

namespace zt30::sim {

namespace {

constexpr long long kMaxStationAddress = 126;
constexpr double kMaxPulseHz = 1e6;
constexpr long long kMaxTurnaroundMs = 10000;
constexpr long long kMinBaud = 50;
constexpr long long kMaxBaud = 4000000;

std::optional<std::vector<std::uint8_t>> ParseStations(std::string_view text) {
    std::vector<std::uint8_t> stations;
    while (true) {
        const std::size_t comma = text.find(',');
        const auto address = ParseOptionInt(text.substr(0, comma), 0, kMaxStationAddress);
        if (!address) {
            return std::nullopt;
        }
        const auto a = static_cast<std::uint8_t>(*address);
        if (std::find(stations.begin(), stations.end(), a) != stations.end()) {
            return std::nullopt;
        }
        stations.push_back(a);
        if (comma == std::string_view::npos) {
            return stations;
        }
        text.remove_prefix(comma + 1);
    }
}

ParsedOptions Fail(std::string message) {
    return {std::nullopt, std::move(message)};
}

}  // namespace

ParsedOptions ParseSimOptions(std::span<const std::string_view> args) {
    SimOptions o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view name = args[i];
        std::optional<std::string_view> inlineValue;
        if (const std::size_t eq = name.find('='); name.starts_with("--") && eq != std::string_view::npos) {
            inlineValue = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        const bool takesValue = name == "--link" || name == "--stations" || name == "--foreign" ||
                                name == "--turnaround" || name == "--baud" || name == "--freq" ||
                                name == "--seed" || name == "--fault";
        if (!takesValue) {
            if (inlineValue) {
                return Fail("option " + std::string(name) + " takes no value");
            }
            if (name == "--help" || name == "-h") {
                o.help = true;
            } else if (name == "-v" || name == "--verbose") {
                o.verbose = true;
            } else if (name == "--wire-time") {
                o.wireTime = true;
            } else {
                return Fail("unknown argument: " + std::string(name));
            }
            continue;
        }
        if (!inlineValue && i + 1 >= args.size()) {
            return Fail("option " + std::string(name) + " needs a value");
        }
        const std::string_view value = inlineValue ? *inlineValue : args[++i];
        const std::string bad = "bad value for " + std::string(name) + ": " + std::string(value);
        if (name == "--link") {
            if (value.empty()) {
                return Fail(bad);
            }
            o.linkPath = std::string(value);
        } else if (name == "--stations") {
            const auto stations = ParseStations(value);
            if (!stations) {
                return Fail(bad + " (distinct addresses 0 to 126, separated by commas)");
            }
            o.responder.stations = *stations;
        } else if (name == "--foreign") {
            const auto address = ParseOptionInt(value, 0, kMaxStationAddress);
            if (!address) {
                return Fail(bad + " (an address 0 to 126)");
            }
            o.responder.foreign = static_cast<std::uint8_t>(*address);
        } else if (name == "--turnaround") {
            const auto ms = ParseOptionInt(value, 0, kMaxTurnaroundMs);
            if (!ms) {
                return Fail(bad + " (milliseconds 0 to 10000)");
            }
            o.responder.turnaround = std::chrono::milliseconds(*ms);
        } else if (name == "--baud") {
            const auto baud = ParseOptionInt(value, kMinBaud, kMaxBaud);
            if (!baud) {
                return Fail(bad + " (bit/s 50 to 4000000)");
            }
            o.baud = static_cast<unsigned>(*baud);
        } else if (name == "--freq") {
            const auto hz = ParseOptionNumber<double>(value);
            if (!hz || !std::isfinite(*hz) || *hz < 0.0 || *hz > kMaxPulseHz) {
                return Fail(bad + " (Hz 0 to 1000000)");
            }
            o.responder.pulseHz = *hz;
        } else if (name == "--seed") {
            const auto seed = ParseOptionNumber<std::uint64_t>(value);
            if (!seed) {
                return Fail(bad);
            }
            o.responder.seed = *seed;
        } else {
            const auto spec = ParseFaultSpec(value);
            if (!spec) {
                return Fail(bad + " (KIND, KIND@N or KIND:RATE)");
            }
            o.responder.faults.push_back(*spec);
        }
    }
    const auto& stations = o.responder.stations;
    if (o.responder.foreign &&
        std::find(stations.begin(), stations.end(), *o.responder.foreign) != stations.end()) {
        return Fail("the foreign device's address is one of the stations");
    }
    return {o, {}};
}

std::string SimHelpText() {
    return R"(Usage: zt30-sim [OPTIONS]

Simulates ZANTOR 30 instruments on a pseudo-terminal. The path of the terminal to connect to is printed
as the first line on standard output. Runs until interrupted (Ctrl+C, SIGTERM).

Options:
  --link PATH         also make a symbolic link PATH to that terminal (an old link there is replaced,
                      a file that is not a link is left alone); removed on exit
  --stations LIST     bus addresses of the simulated instruments, e.g. 1,5,10 (default 1)
  --foreign ADDR      add a device of another kind at ADDR: it answers the identification command in its
                      own format (one byte, then maker, model and version in 32-byte fields, function
                      code 0x0A), the status request with an acknowledgement, and nothing else
  --turnaround MS     delay between the end of a request and the answer (default 1)
  --wire-time         take as long as a real line: a request counts as received after 11 bits per byte
                      at --baud, and each answer byte is sent when it would have arrived
  --baud N            line speed for --wire-time, bit/s (default 9600)
  --freq HZ           frequency of the simulated pulse input (default 10)
  --seed N            seed for the random faults (default 1)
  --fault SPEC        spoil answers; repeatable, the first that fires wins. SPEC is KIND (every
                      request), KIND@N (the N-th request only) or KIND:RATE (probability 0..1 per
                      request). Requests are counted from 1: every checked request addressed to a
                      station, broadcasts not included. KIND is one of
                        none    no answer (the request is ignored)
                        short   the answer lacks its last byte
                        fcs     wrong frame check sum
                        ed      wrong end delimiter
                        nak     negative acknowledgement (10 DA SA 01 FCS 16); the request is refused
                        late    the answer comes 700 ms after the request
                        hangup  half the answer, then the simulator closes the terminal and exits
  -v, --verbose       log every request (RX), answer (TX) and dropped bytes (DROP) in hex on standard
                      error, each line starting with the seconds since start
  -h, --help          show this text

Behaviour: requests are checked like answers (start delimiter, LE = LEr, second 0x68, end delimiter,
check sum); a bad frame is ignored. Reads of tables 0..5 are answered with data, writes of tables 1..5
and the clearing commands (table 6 with 0x55, table 7 with 0x5A) with an acknowledgement; any other
request to a station (table 0 written, tables 6, 7 or above read, a wrong clearing byte, a code out of
its list, an address in use) gets the negative acknowledgement. Broadcasts (127) are acted on (not an
address change) but never answered. The measured value is raw op SCALE + OFFSET, op being a division
(FACTOR 0) or a multiplication (FACTOR 1) and raw the pulses since clearing (TOTAL), the frequency (RATE),
pulses per minute (FLOMIN) or per hour (FLOHOD); the sum adds 1 op SCALE per pulse.

Example:
  zt30-sim --link /tmp/zt30 --stations 1,5 --freq 25 -v &
  zt30ctl --device /tmp/zt30 --da 5 read
)";
}

}  // namespace zt30::sim
