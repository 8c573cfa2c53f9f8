// The telegram layer: turns each exchange with the instrument into bus frames, sends them over the
// SerialLine, reads the answer and checks it. It holds the link's two bus addresses and the two fixed
// 256-byte frame buffers and offers the five transaction patterns; the device operations and the bus scan are
// its only users. No exchange allocates memory. An attached observer is told of every transmission, read and
// purge (link/traffic.h); without one nothing is recorded.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "link/clock.h"
#include "link/frame_constants.h"
#include "link/serial_line.h"
#include "link/traffic.h"

namespace zt30 {

// Frame check sequence: the arithmetic sum of the bytes, modulo 256.
std::uint8_t FrameCheckSum(std::span<const std::uint8_t> bytes);

// Checks an SD2 answer: SD2 at 0, LE == LEr, FC 0x08, ED at LE+5, FCS at LE+4 (in this order). received holds
// exactly the bytes the read delivered; a check that needs a byte beyond them fails.
bool CheckVariableFrame(std::span<const std::uint8_t> received);
// Checks an SD1 acknowledgement: SD1 at 0, FC 0x00 at 3, ED at 5, FCS at 4 (in this order).
bool CheckAcknowledgement(std::span<const std::uint8_t> received);

class TelegramLayer {
public:
    static constexpr std::size_t kBufferSize = frame::kBufferSize;

    // line: must be open for an exchange (the layer neither opens nor closes it); clock: pauses before
    // re-sends.
    TelegramLayer(SerialLine& line, Clock& clock) : line_(line), clock_(clock) {}
    TelegramLayer(const TelegramLayer&) = delete;
    TelegramLayer& operator=(const TelegramLayer&) = delete;

    // Tells observer of every transmission, read and purge from now on; nullptr detaches it. The observer
    // must stay alive while attached.
    void SetObserver(TelegramObserver* observer) { observer_ = observer; }
    TelegramObserver* Observer() const { return observer_; }

    void SetDestinationAddress(std::uint8_t address) { destinationAddress_ = address; }
    void SetSourceAddress(std::uint8_t address) { sourceAddress_ = address; }
    std::uint8_t DestinationAddress() const { return destinationAddress_; }
    std::uint8_t SourceAddress() const { return sourceAddress_; }

    // Starts an SD2 request with the function code and LE (3 + data unit length, 3 to 250, so that the frame
    // of LE + 6 bytes fits the transmit buffer); returns the data unit (LE - 3 bytes) for the caller to fill
    // before FinishSd2Request.
    std::span<std::uint8_t> BeginSd2Request(std::uint8_t functionCode, std::uint8_t length);
    // Adds FCS and ED after the data unit.
    void FinishSd2Request();
    // Builds an SD1 request with the function code.
    void BuildSd1Request(std::uint8_t functionCode);

    // Writes the built request (purging both directions first); true when the write succeeded.
    bool SendRequest();

    // Pattern A: send, then (unless DA is the broadcast address) read exactly dataLength + 9 bytes and check
    // them, their LE being dataLength + 3; on failure purge transmit, then receive. At DA 127 the result is
    // that of the write.
    bool ReceiveTableAnswer(std::size_t dataLength);
    // Pattern B: send, read up to 255 bytes; if the count differs from the answer's LE + 6, wait 100 ms, send
    // again and read once more; the result is CheckVariableFrame of the last read.
    bool ReceiveVariableAnswer();
    // Pattern C: send, then up to two acknowledgement reads of 6 bytes (a short read re-sends the request);
    // after two failed attempts purge transmit, then receive.
    bool AwaitAcknowledgement();
    // Pattern D: build and send the SD1 status request to DA, read 6 bytes once and check them.
    bool StationStatusExchange();
    // Pattern E: send, read up to 254 bytes once; accepted when the read succeeded, LE (offset 1) lies in 5
    // to 127 and the read delivered the whole data unit (LE + 4 bytes), so no stale byte is ever taken.
    bool ReceiveUncheckedAnswer();

    // The answer of the last exchange: the bytes the last read delivered.
    std::span<const std::uint8_t> Received() const { return {receiveBuffer_.data(), receivedCount_}; }
    // The request last built: LE + 6 bytes of SD2 or 6 of SD1.
    std::span<const std::uint8_t> Request() const { return {transmitBuffer_.data(), requestLength_}; }

private:
    class ExchangeScope;

    bool Transmit(bool resend);
    bool ReadInto(std::size_t count);
    // Tells the observer (when there is one) of the last read and what the pattern made of it.
    void RecordRead(TrafficOutcome outcome);
    // The outcome of a read the pattern refused: why, or ReadFailed when the read call itself failed.
    TrafficOutcome Refused(TrafficOutcome why) const;
    void Notify(TrafficDirection direction, TrafficOutcome outcome, std::span<const std::uint8_t> bytes,
                std::int64_t atUs, std::int64_t firstByteUs = -1, std::int64_t lastByteUs = -1,
                std::int64_t ageUs = 0);
    void PurgeAfterFailure();

    SerialLine& line_;
    Clock& clock_;
    std::uint8_t destinationAddress_ = 0;
    std::uint8_t sourceAddress_ = 0;
    std::uint8_t length_ = 0;
    std::size_t requestLength_ = 0;
    std::size_t receivedCount_ = 0;
    std::array<std::uint8_t, kBufferSize> transmitBuffer_{};
    std::array<std::uint8_t, kBufferSize> receiveBuffer_{};

    // What the observer is told; kept up only while one is attached.
    TelegramObserver* observer_ = nullptr;
    TrafficPattern pattern_ = TrafficPattern::None;
    std::uint32_t exchange_ = 0;
    std::int64_t requestEndUs_ = -1;  // the end of the exchange's last transmission
    std::int64_t readStartUs_ = 0;
    ReadResult lastRead_;
};

}  // namespace zt30
