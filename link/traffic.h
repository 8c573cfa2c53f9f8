// The line traffic as the telegram layer sees it: one event for every transmission, every read and every
// purge of the five transaction patterns, told to an observer while the exchange runs (see
// TelegramLayer::SetObserver). The observer gets the bytes exactly as written or as the read delivered them,
// the pattern, what the layer made of them and the response times; the line monitor and zt30ctl's trace
// record them. Also the pure functions that name why an answer was refused, in the order the checks run.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace zt30 {

enum class TrafficDirection : std::uint8_t {
    Transmit,  // a request written to the line
    Receive,   // one read of an answer
    Purge,     // both directions purged after a failed exchange
};

// The transaction pattern that made the event; None for a request sent outside the patterns.
enum class TrafficPattern : std::uint8_t {
    None,
    TableAnswer,      // A: read table
    VariableAnswer,   // B: identification, version
    Acknowledgement,  // C: write table, clear
    StationStatus,    // D: station status
    UncheckedAnswer,  // E: foreign identification
};

enum class TrafficOutcome : std::uint8_t {
    // transmissions
    Sent,
    Resent,
    WriteFailed,
    // reads
    Accepted,
    NoAnswer,
    TooShort,       // the bytes end before the frame (or before the length the pattern expects)
    WrongStart,     // not the start delimiter the pattern expects
    WrongLength,    // LE differs from LEr, an LE out of range, or more bytes than the frame holds
    WrongFunction,  // an SD2 answer whose FC is not the data answer's
    WrongEnd,
    WrongFcs,
    NegativeAcknowledgement,
    ReadFailed,  // the read call itself failed (a line error, a device gone)
    // purges
    Purged,
};
inline constexpr int kTrafficOutcomeCount = static_cast<int>(TrafficOutcome::Purged) + 1;

// True for the outcomes of a read that the layer refused.
bool IsFailedRead(TrafficOutcome outcome);

// Short English names, as zt30ctl prints them ("accepted", "no answer", "wrong FCS", ...).
std::string_view TrafficOutcomeName(TrafficOutcome outcome);
std::string_view TrafficPatternName(TrafficPattern pattern);

// One event. Times are microseconds on the telegram layer's monotonic clock.
struct TelegramEvent {
    TrafficDirection direction = TrafficDirection::Transmit;
    TrafficPattern pattern = TrafficPattern::None;
    TrafficOutcome outcome = TrafficOutcome::Sent;
    std::uint8_t destination = 0;  // the link's DA and SA when the event happened
    std::uint8_t source = 0;
    std::uint32_t exchange = 0;  // the number of the pattern run it belongs to, counted from 1
    // The end of a write, the arrival of a read's last byte (the read's end when none came), or the purge;
    // and how long before the observer is told that was (a read goes on for its interval after a byte).
    std::int64_t monotonicUs = 0;
    std::int64_t ageUs = 0;
    // A read that delivered bytes: from the end of the exchange's last request to the first and to the last
    // delivered byte; -1 otherwise.
    std::int64_t firstByteUs = -1;
    std::int64_t lastByteUs = -1;
    std::span<const std::uint8_t> bytes;  // valid only during the call
};

class TelegramObserver {
public:
    virtual ~TelegramObserver() = default;
    // Called inside the exchange, on the thread that runs it: must not throw, and should take well under a
    // millisecond, as the exchange waits for it.
    virtual void OnTelegram(const TelegramEvent& event) = 0;
};

// Why the layer would refuse `received` as an SD2 data answer, following CheckVariableFrame's order (a check
// that needs a byte beyond those received gives TooShort), then the byte count: expectedLength 0 takes any
// count, otherwise fewer bytes are TooShort, and more, or a frame of another length, WrongLength. A negative
// acknowledgement (SD1 with an FC other than 0) in its place is named as such. Accepted when nothing is
// wrong.
TrafficOutcome ClassifyVariableAnswer(std::span<const std::uint8_t> received, std::size_t expectedLength = 0);
// The same for an SD1 acknowledgement of exactly 6 bytes, in CheckAcknowledgement's order.
TrafficOutcome ClassifyAcknowledgement(std::span<const std::uint8_t> received);
// The same for the unchecked answer of pattern E: an LE (offset 1) from 5 to 127 and its whole data unit.
TrafficOutcome ClassifyUncheckedAnswer(std::span<const std::uint8_t> received);

}  // namespace zt30
