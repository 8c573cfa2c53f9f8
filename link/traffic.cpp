#include "link/traffic.h"

#include "link/frame_constants.h"
#include "link/telegram.h"

namespace zt30 {

using namespace frame;

namespace {

// An SD1 frame with a function code other than the positive acknowledgement's, at least up to its FC.
bool LooksLikeNegativeAcknowledgement(std::span<const std::uint8_t> received) {
    return received.size() >= 4 && received[0] == kSd1 && received[3] != kFcAcknowledge;
}

TrafficOutcome CountOutcome(std::size_t count, std::size_t expected) {
    if (expected == 0 || count == expected) {
        return TrafficOutcome::Accepted;
    }
    return count < expected ? TrafficOutcome::TooShort : TrafficOutcome::WrongLength;
}

}  // namespace

bool IsFailedRead(TrafficOutcome outcome) {
    return outcome >= TrafficOutcome::NoAnswer && outcome <= TrafficOutcome::ReadFailed;
}

std::string_view TrafficOutcomeName(TrafficOutcome outcome) {
    switch (outcome) {
        case TrafficOutcome::Sent:
            return "sent";
        case TrafficOutcome::Resent:
            return "re-sent";
        case TrafficOutcome::WriteFailed:
            return "write failed";
        case TrafficOutcome::Accepted:
            return "accepted";
        case TrafficOutcome::NoAnswer:
            return "no answer";
        case TrafficOutcome::TooShort:
            return "too short";
        case TrafficOutcome::WrongStart:
            return "wrong start byte";
        case TrafficOutcome::WrongLength:
            return "wrong length";
        case TrafficOutcome::WrongFunction:
            return "wrong function code";
        case TrafficOutcome::WrongEnd:
            return "wrong end byte";
        case TrafficOutcome::WrongFcs:
            return "wrong FCS";
        case TrafficOutcome::NegativeAcknowledgement:
            return "negative acknowledgement";
        case TrafficOutcome::ReadFailed:
            return "read failed";
        case TrafficOutcome::Purged:
            return "purge";
    }
    return "?";
}

std::string_view TrafficPatternName(TrafficPattern pattern) {
    switch (pattern) {
        case TrafficPattern::None:
            return "-";
        case TrafficPattern::TableAnswer:
            return "A";
        case TrafficPattern::VariableAnswer:
            return "B";
        case TrafficPattern::Acknowledgement:
            return "C";
        case TrafficPattern::StationStatus:
            return "D";
        case TrafficPattern::UncheckedAnswer:
            return "E";
    }
    return "?";
}

TrafficOutcome ClassifyVariableAnswer(std::span<const std::uint8_t> received, std::size_t expectedLength) {
    const std::size_t n = received.size();
    if (n == 0) {
        return TrafficOutcome::NoAnswer;
    }
    if (received[0] != kSd2) {
        return LooksLikeNegativeAcknowledgement(received) ? TrafficOutcome::NegativeAcknowledgement
                                                          : TrafficOutcome::WrongStart;
    }
    if (n < 3) {
        return TrafficOutcome::TooShort;
    }
    if (received[1] != received[2]) {
        return TrafficOutcome::WrongLength;
    }
    if (n < 7) {
        return TrafficOutcome::TooShort;
    }
    if (received[6] != kFcDataAnswer) {
        return TrafficOutcome::WrongFunction;
    }
    const std::size_t le = received[1];
    if (n < le + kSd2Overhead) {
        return TrafficOutcome::TooShort;
    }
    if (received[le + 5] != kEd) {
        return TrafficOutcome::WrongEnd;
    }
    if (received[le + 4] != FrameCheckSum(received.subspan(4, le))) {
        return TrafficOutcome::WrongFcs;
    }
    const TrafficOutcome count = CountOutcome(n, expectedLength);
    // The count the pattern wants, but a whole frame of another length (the answer for another table).
    if (count == TrafficOutcome::Accepted && expectedLength != 0 && le + kSd2Overhead != expectedLength) {
        return TrafficOutcome::WrongLength;
    }
    return count;
}

TrafficOutcome ClassifyAcknowledgement(std::span<const std::uint8_t> received) {
    const std::size_t n = received.size();
    if (n == 0) {
        return TrafficOutcome::NoAnswer;
    }
    if (received[0] != kSd1) {
        return TrafficOutcome::WrongStart;
    }
    if (n < 4) {
        return TrafficOutcome::TooShort;
    }
    if (received[3] != kFcAcknowledge) {
        return TrafficOutcome::NegativeAcknowledgement;
    }
    if (n < kSd1Length) {
        return TrafficOutcome::TooShort;
    }
    if (received[5] != kEd) {
        return TrafficOutcome::WrongEnd;
    }
    if (received[4] != FrameCheckSum(received.subspan(1, 3))) {
        return TrafficOutcome::WrongFcs;
    }
    return CountOutcome(n, kSd1Length);
}

TrafficOutcome ClassifyUncheckedAnswer(std::span<const std::uint8_t> received) {
    constexpr std::uint8_t kMinLength = 5;
    constexpr std::uint8_t kMaxLength = 127;
    const std::size_t n = received.size();
    if (n == 0) {
        return TrafficOutcome::NoAnswer;
    }
    if (n < 2) {
        return TrafficOutcome::TooShort;
    }
    const std::uint8_t le = received[1];
    if (le < kMinLength || le > kMaxLength) {
        return TrafficOutcome::WrongLength;
    }
    return n < std::size_t{le} + 4 ? TrafficOutcome::TooShort : TrafficOutcome::Accepted;
}

}  // namespace zt30
