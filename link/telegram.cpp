#include "link/telegram.h"

#include <algorithm>
#include <cassert>

namespace zt30 {

using namespace frame;

namespace {

constexpr int kResendPauseMs = 100;
constexpr std::size_t kUncheckedRead = 254;
constexpr int kAcknowledgementAttempts = 2;

}  // namespace

std::uint8_t FrameCheckSum(std::span<const std::uint8_t> bytes) {
    std::uint8_t sum = 0;
    for (std::uint8_t b : bytes) {
        sum = static_cast<std::uint8_t>(sum + b);
    }
    return sum;
}

bool CheckVariableFrame(std::span<const std::uint8_t> received) {
    const std::size_t n = received.size();
    if (n < 1 || received[0] != kSd2) {
        return false;
    }
    if (n < 3 || received[1] != received[2]) {
        return false;
    }
    if (n < 7 || received[6] != kFcDataAnswer) {
        return false;
    }
    const std::size_t le = received[1];
    if (n < le + 6 || received[le + 5] != kEd) {
        return false;
    }
    return received[le + 4] == FrameCheckSum(received.subspan(4, le));
}

bool CheckAcknowledgement(std::span<const std::uint8_t> received) {
    const std::size_t n = received.size();
    if (n < 1 || received[0] != kSd1) {
        return false;
    }
    if (n < 4 || received[3] != kFcAcknowledge) {
        return false;
    }
    if (n < 6 || received[5] != kEd) {
        return false;
    }
    return received[4] == FrameCheckSum(received.subspan(1, 3));
}

std::span<std::uint8_t> TelegramLayer::BeginSd2Request(std::uint8_t functionCode, std::uint8_t length) {
    // LE covers DA, SA, FC and the data unit; the frame (LE + 6) must fit the buffer.
    assert(length >= 3 && length + kSd2Overhead <= kBufferSize);
    length_ = length;
    transmitBuffer_[0] = kSd2;
    transmitBuffer_[1] = length;
    transmitBuffer_[2] = length;
    transmitBuffer_[3] = kSd2;
    transmitBuffer_[4] = destinationAddress_;
    transmitBuffer_[5] = sourceAddress_;
    transmitBuffer_[6] = functionCode;
    requestLength_ = length + kSd2Overhead;
    return {transmitBuffer_.data() + kSd2DataOffset, static_cast<std::size_t>(length - 3)};
}

void TelegramLayer::FinishSd2Request() {
    transmitBuffer_[length_ + 4] = FrameCheckSum({transmitBuffer_.data() + 4, length_});
    transmitBuffer_[length_ + 5] = kEd;
}

void TelegramLayer::BuildSd1Request(std::uint8_t functionCode) {
    transmitBuffer_[0] = kSd1;
    transmitBuffer_[1] = destinationAddress_;
    transmitBuffer_[2] = sourceAddress_;
    transmitBuffer_[3] = functionCode;
    transmitBuffer_[4] = FrameCheckSum({transmitBuffer_.data() + 1, 3});
    transmitBuffer_[5] = kEd;
    requestLength_ = kSd1Length;
}

// Numbers one pattern run and names its pattern for the observer; a request sent outside the patterns has
// none.
class TelegramLayer::ExchangeScope {
public:
    ExchangeScope(TelegramLayer& layer, TrafficPattern pattern) : layer_(layer) {
        layer_.pattern_ = pattern;
        ++layer_.exchange_;
        layer_.requestEndUs_ = -1;
    }
    ~ExchangeScope() { layer_.pattern_ = TrafficPattern::None; }
    ExchangeScope(const ExchangeScope&) = delete;
    ExchangeScope& operator=(const ExchangeScope&) = delete;

private:
    TelegramLayer& layer_;
};

bool TelegramLayer::SendRequest() {
    return Transmit(false);
}

bool TelegramLayer::Transmit(bool resend) {
    const bool ok = line_.Write(Request());
    if (observer_) {
        requestEndUs_ = clock_.NowUs();
        const TrafficOutcome outcome = !ok      ? TrafficOutcome::WriteFailed
                                       : resend ? TrafficOutcome::Resent
                                                : TrafficOutcome::Sent;
        Notify(TrafficDirection::Transmit, outcome, Request(), requestEndUs_);
    }
    return ok;
}

bool TelegramLayer::ReadInto(std::size_t count) {
    if (observer_) {
        readStartUs_ = clock_.NowUs();
    }
    lastRead_ = line_.Read({receiveBuffer_.data(), count});
    receivedCount_ = lastRead_.count;
    return lastRead_.ok;
}

TrafficOutcome TelegramLayer::Refused(TrafficOutcome why) const {
    return lastRead_.ok ? why : TrafficOutcome::ReadFailed;
}

void TelegramLayer::RecordRead(TrafficOutcome outcome) {
    const ReadResult& read = lastRead_;
    const std::int64_t now = clock_.NowUs();
    std::int64_t at = now;
    std::int64_t first = -1;
    std::int64_t last = -1;
    if (read.count > 0 && read.lastByteUs >= 0) {
        at = std::min(now, readStartUs_ + read.lastByteUs);
        if (requestEndUs_ >= 0) {
            first = std::max<std::int64_t>(
                0, readStartUs_ + std::max<std::int64_t>(0, read.firstByteUs) - requestEndUs_);
            last = std::max<std::int64_t>(first, at - requestEndUs_);
        }
    }
    Notify(TrafficDirection::Receive, outcome, Received(), at, first, last, now - at);
}

void TelegramLayer::Notify(TrafficDirection direction, TrafficOutcome outcome,
                           std::span<const std::uint8_t> bytes, std::int64_t atUs, std::int64_t firstByteUs,
                           std::int64_t lastByteUs, std::int64_t ageUs) {
    TelegramEvent event;
    event.direction = direction;
    event.pattern = pattern_;
    event.outcome = outcome;
    event.destination = destinationAddress_;
    event.source = sourceAddress_;
    event.exchange = exchange_;
    event.monotonicUs = atUs;
    event.ageUs = ageUs;
    event.firstByteUs = firstByteUs;
    event.lastByteUs = lastByteUs;
    event.bytes = bytes;
    observer_->OnTelegram(event);
}

void TelegramLayer::PurgeAfterFailure() {
    line_.PurgeTransmit();
    line_.PurgeReceive();
    if (observer_) {
        Notify(TrafficDirection::Purge, TrafficOutcome::Purged, {}, clock_.NowUs());
    }
}

bool TelegramLayer::ReceiveTableAnswer(std::size_t dataLength) {
    const ExchangeScope scope(*this, TrafficPattern::TableAnswer);
    const std::size_t expected = dataLength + 9;
    bool ok = SendRequest();
    if (destinationAddress_ != kBroadcastAddress) {
        // The frame's own LE must be the table's too: a shorter frame (a late or foreign answer) would
        // otherwise pass with its check sum and end byte read as the table's last data bytes.
        ok = ReadInto(expected) && receivedCount_ == expected && CheckVariableFrame(Received()) &&
             receiveBuffer_[1] + kSd2Overhead == expected;
        if (observer_) {
            RecordRead(ok ? TrafficOutcome::Accepted : Refused(ClassifyVariableAnswer(Received(), expected)));
        }
    }
    if (!ok) {
        PurgeAfterFailure();
    }
    return ok;
}

bool TelegramLayer::ReceiveVariableAnswer() {
    const ExchangeScope scope(*this, TrafficPattern::VariableAnswer);
    SendRequest();
    ReadInto(kMaxRead);
    const bool complete = receivedCount_ >= 2 && receivedCount_ == receiveBuffer_[1] + kSd2Overhead;
    if (!complete) {
        if (observer_) {
            // Refused for its byte count, whatever else is wrong with it: the request goes out again.
            const std::size_t announced = receivedCount_ >= 2 ? receiveBuffer_[1] + kSd2Overhead : 0;
            RecordRead(Refused(ClassifyVariableAnswer(Received(), announced)));
        }
        clock_.SleepMs(kResendPauseMs);
        Transmit(true);
        ReadInto(kMaxRead);
    }
    // The last read decides, whether or not its read call succeeded.
    const bool ok = CheckVariableFrame(Received());
    if (observer_) {
        RecordRead(ok ? TrafficOutcome::Accepted : Refused(ClassifyVariableAnswer(Received())));
    }
    return ok;
}

bool TelegramLayer::AwaitAcknowledgement() {
    const ExchangeScope scope(*this, TrafficPattern::Acknowledgement);
    SendRequest();
    for (int attempt = 0; attempt < kAcknowledgementAttempts; ++attempt) {
        ReadInto(kSd1Length);
        const bool ok = receivedCount_ == kSd1Length && CheckAcknowledgement(Received());
        if (observer_) {
            RecordRead(ok ? TrafficOutcome::Accepted : Refused(ClassifyAcknowledgement(Received())));
        }
        if (ok) {
            return true;
        }
        if (receivedCount_ != kSd1Length) {
            // The re-send after the last attempt is part of the instrument's protocol, though its answer is
            // unread.
            Transmit(true);
        }
    }
    PurgeAfterFailure();
    return false;
}

bool TelegramLayer::StationStatusExchange() {
    const ExchangeScope scope(*this, TrafficPattern::StationStatus);
    BuildSd1Request(kFcStatusRequest);
    if (!SendRequest()) {
        return false;
    }
    ReadInto(kSd1Length);
    const bool ok = receivedCount_ == kSd1Length && CheckAcknowledgement(Received());
    if (observer_) {
        RecordRead(ok ? TrafficOutcome::Accepted : Refused(ClassifyAcknowledgement(Received())));
    }
    return ok;
}

bool TelegramLayer::ReceiveUncheckedAnswer() {
    const ExchangeScope scope(*this, TrafficPattern::UncheckedAnswer);
    SendRequest();
    // Accepted when the read call succeeded, LE (offset 1) lies in 5 to 127, and the read delivered the whole
    // data unit: the copy takes it from offset 8 up to LE + 3, all of which must come from this read.
    const bool read = ReadInto(kUncheckedRead);
    const TrafficOutcome outcome = ClassifyUncheckedAnswer(Received());
    const bool ok = read && outcome == TrafficOutcome::Accepted;
    if (observer_) {
        RecordRead(ok ? TrafficOutcome::Accepted : Refused(outcome));
    }
    return ok;
}

}  // namespace zt30
