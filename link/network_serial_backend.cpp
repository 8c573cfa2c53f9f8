#include "link/network_serial_backend.h"

#include <algorithm>
#include <array>
#include <utility>

#include "link/read_deadline.h"

namespace zt30 {
namespace {

using Nanos = std::int64_t;

int WaitMs(Nanos deadline, Nanos now) {
    if (deadline == kNoDeadline) {
        return 60'000;
    }
    const Nanos left = std::max<Nanos>(0, deadline - now);
    return static_cast<int>(std::min<Nanos>((left + kNanosPerMs - 1) / kNanosPerMs, 60'000));
}

// A server reports the rate its port reached; 2 % off is well inside what the receiving side tolerates.
bool RateTook(std::uint32_t wanted, std::uint32_t got) {
    const std::uint64_t diff = wanted > got ? wanted - got : got - wanted;
    return diff * 50 <= wanted;
}

std::uint32_t ParityCode(Parity parity) {
    return parity == Parity::Even ? kComParityEven : parity == Parity::Odd ? kComParityOdd : kComParityNone;
}

}  // namespace

NetworkSerialBackend::NetworkSerialBackend(PortDeviceLookup lookup, std::unique_ptr<SocketSystem> system)
    : lookup_(std::move(lookup)), system_(std::move(system)) {}

NetworkSerialBackend::~NetworkSerialBackend() {
    ClosePort();
}

bool NetworkSerialBackend::OpenPort(int portNumber) {
    ClosePort();
    const std::optional<std::string> device =
        portNumber >= 1 && lookup_ ? lookup_(portNumber) : std::optional<std::string>{};
    if (!device) {
        return false;
    }
    NetworkAddressParse parsed = ParseNetworkAddress(*device);
    if (!parsed.address) {
        return false;
    }
    address_ = std::move(*parsed.address);
    const Nanos giveUp = system_->MonotonicNanos() + kConnectMs * kNanosPerMs;
    for (;;) {
        if (Connect(giveUp)) {
            return true;
        }
        const bool ended = broken_;
        ClosePort();
        if (!ended || system_->MonotonicNanos() + kRetryMs * kNanosPerMs >= giveUp) {
            return false;
        }
        system_->Pause(kRetryMs);
    }
}

bool NetworkSerialBackend::Connect(std::int64_t giveUp) {
    socket_ = system_->Connect(address_.host, address_.port,
                               std::max(1, WaitMs(giveUp, system_->MonotonicNanos())));
    if (!IsOpen()) {
        return false;
    }
    broken_ = false;
    codec_.Reset();
    timeouts_ = kLineReadTimeouts;
    config_ = LineConfig{};
    configured_ = false;
    awaitPurge_ = true;
    return Telnet() ? OpenTelnet()
                    : !ReceiveUntil(system_->MonotonicNanos() + kSettleMs * kNanosPerMs,
                                    [this] { return broken_; });
}

bool NetworkSerialBackend::OpenTelnet() {
    const Nanos deadline = system_->MonotonicNanos() + kAnswerMs * kNanosPerMs;
    if (!SendAll(codec_.OpeningRequests()) ||
        !ReceiveUntil(deadline, [this] { return codec_.ComPortAgreed() || codec_.ComPortRefused(); }) ||
        !codec_.ComPortAgreed()) {
        return false;
    }
    // The answer to a question for its speed shows that the server opened its port for this client; one
    // that refuses a second client (or cannot open its device) says so in text and ends the connection.
    codec_.ForgetAnswer(ComPortCommand::SetBaudRate);
    if (!SendCommand(ComPortCommand::SetBaudRate, 0) ||
        !ReceiveUntil(deadline, [this] { return codec_.Answer(ComPortCommand::SetBaudRate).has_value(); })) {
        return false;
    }
    if (const std::uint32_t rate = *codec_.Answer(ComPortCommand::SetBaudRate); rate > 0) {
        config_.baudRate = rate;
    }
    return true;
}

bool NetworkSerialBackend::SetQueues(std::size_t, std::size_t) {
    // The sockets size their own buffers.
    return IsOpen();
}

bool NetworkSerialBackend::SetReadTimeouts(const ReadTimeouts& timeouts) {
    if (!IsOpen()) {
        return false;
    }
    timeouts_ = timeouts;
    return true;
}

bool NetworkSerialBackend::GetConfig(LineConfig& config) {
    if (!IsOpen()) {
        return false;
    }
    config = config_;
    return true;
}

bool NetworkSerialBackend::SetConfig(const LineConfig& config) {
    if (!IsOpen() || config.baudRate == 0 || config.dataBits < 5 || config.dataBits > 8 ||
        (config.stopBits != 1 && config.stopBits != 2)) {
        return false;
    }
    if (!Telnet()) {
        config_ = config;
        return true;
    }
    struct Setting {
        ComPortCommand command;
        std::uint32_t value;
        bool send;
    };
    const std::array<Setting, 5> settings{{
        {ComPortCommand::SetBaudRate, config.baudRate, !configured_ || config.baudRate != config_.baudRate},
        {ComPortCommand::SetDataSize, config.dataBits, !configured_ || config.dataBits != config_.dataBits},
        {ComPortCommand::SetParity, ParityCode(config.parity),
         !configured_ || config.parity != config_.parity},
        {ComPortCommand::SetStopSize, config.stopBits, !configured_ || config.stopBits != config_.stopBits},
        {ComPortCommand::SetControl, kComNoFlowControl, !configured_},
    }};
    configured_ = false;
    std::array<std::uint8_t, settings.size() * kComPortRequestMax> requests{};
    std::size_t length = 0;
    for (const Setting& s : settings) {
        if (s.send) {
            codec_.ForgetAnswer(s.command);
            length += ComPortRequest(s.command, s.value, std::span(requests).subspan(length));
        }
    }
    const auto answered = [this, &settings] {
        return std::all_of(settings.begin(), settings.end(),
                           [this](const Setting& s) { return !s.send || codec_.Answer(s.command); });
    };
    if (!SendAll(std::span(requests).first(length)) ||
        !ReceiveUntil(system_->MonotonicNanos() + kAnswerMs * kNanosPerMs, answered)) {
        return false;
    }
    // The server answers with what its port now has: anything else than asked for is a refusal.
    for (const Setting& s : settings) {
        const std::uint32_t got = s.send ? *codec_.Answer(s.command) : s.value;
        if (s.command == ComPortCommand::SetBaudRate ? !RateTook(s.value, got) : got != s.value) {
            return false;
        }
    }
    config_ = config;
    configured_ = true;
    return true;
}

void NetworkSerialBackend::PurgeReceive() {
    if (IsOpen()) {
        // Bytes the server sent before its answer were already on their way; they go with the answer.
        Purge(kComPurgeReceive);
        Drain();
    }
}

void NetworkSerialBackend::PurgeTransmit() {
    // What Write handed over has gone to the server; what the server still holds for its port it drops.
    if (IsOpen()) {
        Purge(kComPurgeTransmit);
    }
}

void NetworkSerialBackend::Purge(std::uint32_t buffers) {
    if (!Telnet()) {
        return;
    }
    codec_.ForgetAnswer(ComPortCommand::PurgeData);
    // The answer is awaited also for the transmit buffer: were it still unacknowledged when the instrument's
    // answer follows it, the server's TCP would hold that answer back for the delayed acknowledgement
    // (Nagle's rule; about 40 ms on every exchange).
    if (SendCommand(ComPortCommand::PurgeData, buffers) && awaitPurge_) {
        awaitPurge_ = ReceiveUntil(system_->MonotonicNanos() + kAnswerMs * kNanosPerMs, [this, buffers] {
            return codec_.Answer(ComPortCommand::PurgeData) == buffers;
        });
    }
}

ReadResult NetworkSerialBackend::Read(std::span<std::uint8_t> buffer) {
    ReadResult result;
    if (!IsOpen()) {
        return result;
    }
    const Nanos start = system_->MonotonicNanos();
    ReadDeadline deadline(timeouts_, buffer.size(), start);
    while (result.count < buffer.size()) {
        const Nanos now = system_->MonotonicNanos();
        if (deadline.Passed(now)) {
            break;
        }
        const Received got = ReceiveOnce(WaitMs(deadline.At(), now), buffer.subspan(result.count));
        if (!got.alive) {
            return result;
        }
        if (got.data > 0) {
            const Nanos lastByte = system_->MonotonicNanos();
            deadline.ByteArrived(lastByte);
            result.count += got.data;
            result.lastByteUs = (lastByte - start) / 1000;
            if (result.firstByteUs < 0) {
                result.firstByteUs = result.lastByteUs;
            }
        }
    }
    result.ok = true;
    return result;
}

bool NetworkSerialBackend::Write(std::span<const std::uint8_t> data) {
    if (!IsOpen()) {
        return false;
    }
    if (!Telnet()) {
        return SendAll(data);
    }
    std::array<std::uint8_t, 2 * TelnetCodec::kMaxInput> escaped;
    for (std::size_t done = 0; done < data.size(); done += TelnetCodec::kMaxInput) {
        const auto piece = data.subspan(done, std::min(TelnetCodec::kMaxInput, data.size() - done));
        if (!SendAll(std::span(escaped).first(EscapeTelnetData(piece, escaped)))) {
            return false;
        }
    }
    return true;
}

void NetworkSerialBackend::ClosePort() {
    if (IsOpen()) {
        system_->Close(socket_);
        socket_ = kNoSocket;
    }
    broken_ = false;
}

NetworkSerialBackend::Received NetworkSerialBackend::ReceiveOnce(int timeoutMs, std::span<std::uint8_t> out) {
    const SocketWait wait = system_->Wait(socket_, false, timeoutMs);
    if (wait == SocketWait::Failed) {
        Break();
        return {};
    }
    if (wait == SocketWait::Timeout || out.empty()) {
        return {true, false, 0};
    }
    // Never more bytes than the caller still wants: the rest of an answer stays queued for the next read.
    std::array<std::uint8_t, TelnetCodec::kMaxInput> raw;
    const SocketIo io = system_->Receive(socket_, std::span(raw).first(std::min(raw.size(), out.size())));
    if (io.status == SocketIo::Status::WouldBlock) {
        return {true, false, 0};
    }
    if (io.status != SocketIo::Status::Done) {
        Break();
        return {};
    }
    const std::span<const std::uint8_t> chunk(raw.data(), io.count);
    if (!Telnet()) {
        std::copy(chunk.begin(), chunk.end(), out.begin());
        return {true, true, chunk.size()};
    }
    const std::size_t data = codec_.Decode(chunk, out);
    const std::span<const std::uint8_t> replies = codec_.PendingReplies();
    const bool sent = replies.empty() || SendAll(replies);
    codec_.ClearReplies();
    return {sent, true, data};
}

template <typename Done>
bool NetworkSerialBackend::ReceiveUntil(std::int64_t deadline, Done done) {
    std::array<std::uint8_t, TelnetCodec::kMaxInput> discarded;
    while (!done()) {
        const Nanos now = system_->MonotonicNanos();
        if (!IsOpen() || now >= deadline || !ReceiveOnce(WaitMs(deadline, now), discarded).alive) {
            return done();
        }
    }
    return true;
}

void NetworkSerialBackend::Drain() {
    // What has already arrived goes, bounded so that a server sending without end cannot hold the line.
    std::array<std::uint8_t, TelnetCodec::kMaxInput> discarded;
    for (int i = 0; i < 64 && IsOpen(); ++i) {
        if (!ReceiveOnce(0, discarded).arrived) {
            return;
        }
    }
}

bool NetworkSerialBackend::SendAll(std::span<const std::uint8_t> bytes) {
    if (!IsOpen()) {
        return false;
    }
    // A server that takes no bytes for this long is not taking any.
    const Nanos deadline = system_->MonotonicNanos() + kAnswerMs * kNanosPerMs;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const SocketIo io = system_->Send(socket_, bytes.subspan(done));
        if (io.status == SocketIo::Status::Done) {
            done += io.count;
            continue;
        }
        const Nanos now = system_->MonotonicNanos();
        if (io.status != SocketIo::Status::WouldBlock || now >= deadline ||
            system_->Wait(socket_, true, WaitMs(deadline, now)) == SocketWait::Failed) {
            Break();
            return false;
        }
    }
    return true;
}

bool NetworkSerialBackend::SendCommand(ComPortCommand command, std::uint32_t value) {
    std::array<std::uint8_t, kComPortRequestMax> request;
    return SendAll(std::span(request).first(ComPortRequest(command, value, request)));
}

void NetworkSerialBackend::Break() {
    // Like a hang-up of a local port: the line stays unusable until it is opened again.
    if (IsOpen()) {
        system_->Close(socket_);
        socket_ = kNoSocket;
    }
    broken_ = true;
}

}  // namespace zt30
