#include "link/telegram.h"

#include <cassert>

namespace zt30 {

using namespace frame;

namespace {

constexpr int kResendPauseMs = 100;
constexpr std::size_t kUncheckedRead = 254;
constexpr std::uint8_t kUncheckedMinLength = 5;
constexpr std::uint8_t kUncheckedMaxLength = 127;
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

bool TelegramLayer::SendRequest() {
    return line_.Write({transmitBuffer_.data(), requestLength_});
}

bool TelegramLayer::ReadInto(std::size_t count) {
    const ReadResult result = line_.Read({receiveBuffer_.data(), count});
    receivedCount_ = result.count;
    return result.ok;
}

void TelegramLayer::PurgeAfterFailure() {
    line_.PurgeTransmit();
    line_.PurgeReceive();
}

bool TelegramLayer::ReceiveTableAnswer(std::size_t dataLength) {
    const std::size_t expected = dataLength + 9;
    bool ok = SendRequest();
    if (destinationAddress_ != kBroadcastAddress) {
        ok = ReadInto(expected) && receivedCount_ == expected && CheckVariableFrame(Received());
    }
    if (!ok) {
        PurgeAfterFailure();
    }
    return ok;
}

bool TelegramLayer::ReceiveVariableAnswer() {
    SendRequest();
    ReadInto(kMaxRead);
    const bool complete = receivedCount_ >= 2 && receivedCount_ == receiveBuffer_[1] + kSd2Overhead;
    if (!complete) {
        clock_.SleepMs(kResendPauseMs);
        SendRequest();
        ReadInto(kMaxRead);
    }
    return CheckVariableFrame(Received());
}

bool TelegramLayer::AwaitAcknowledgement() {
    SendRequest();
    for (int attempt = 0; attempt < kAcknowledgementAttempts; ++attempt) {
        ReadInto(kSd1Length);
        if (receivedCount_ == kSd1Length) {
            if (CheckAcknowledgement(Received())) {
                return true;
            }
        } else {
            // The re-send after the last attempt is part of the instrument's protocol, though its answer is
            // unread.
            SendRequest();
        }
    }
    PurgeAfterFailure();
    return false;
}

bool TelegramLayer::StationStatusExchange() {
    BuildSd1Request(kFcStatusRequest);
    if (!SendRequest()) {
        return false;
    }
    ReadInto(kSd1Length);
    return receivedCount_ == kSd1Length && CheckAcknowledgement(Received());
}

bool TelegramLayer::ReceiveUncheckedAnswer() {
    SendRequest();
    if (!ReadInto(kUncheckedRead) || receivedCount_ < 2) {
        return false;
    }
    const std::uint8_t le = receiveBuffer_[1];
    // The copy takes the data unit from offset 8 up to LE + 3: all of it must come from this read.
    return le >= kUncheckedMinLength && le <= kUncheckedMaxLength && receivedCount_ >= std::size_t{le} + 4;
}

}  // namespace zt30
