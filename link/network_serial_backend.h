// A line on the network: the COM port whose device is "rfc2217://HOST:PORT" or "tcp://HOST:PORT" (see
// network_address.h), a serial device server's port reached over TCP. With rfc2217 the line speaks Telnet
// with the COM port option: it sets the speed, 8 data bits, even parity, one stop bit and no flow control
// on the server's port, waits for the server to confirm each, and purges the server's buffers; with tcp the
// bytes pass raw and the server's port is configured on the server. Reads follow the same time-outs as on a
// local port, on a monotonic clock. When the server goes away (end of the connection, a reset), the read
// or write fails at once and so does every later call until the port is opened again. Every socket call
// goes through a SocketSystem.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "link/com_ports.h"
#include "link/network_address.h"
#include "link/serial_line.h"
#include "link/socket_system.h"
#include "link/telnet_codec.h"

namespace zt30 {

class NetworkSerialBackend final : public SerialBackend {
public:
    // How long the connection, and each answer of the server, may take.
    static constexpr int kConnectMs = 1000;
    static constexpr int kAnswerMs = 1000;
    // How long an open over tcp watches for a server that takes the connection only to end it (a port in
    // use by another client).
    static constexpr int kSettleMs = 50;
    // The pause before another try when the server ended the connection at the open: one that has not yet
    // let go of this program's previous connection refuses for a moment as if another client held its port.
    static constexpr int kRetryMs = 100;

    // lookup: the device of a port number, a network address for the open to succeed; system: the calls to
    // make (the system's own unless a test scripts them).
    explicit NetworkSerialBackend(PortDeviceLookup lookup,
                                  std::unique_ptr<SocketSystem> system = MakeRealSocketSystem());
    NetworkSerialBackend(const NetworkSerialBackend&) = delete;
    NetworkSerialBackend& operator=(const NetworkSerialBackend&) = delete;
    ~NetworkSerialBackend() override;

    bool OpenPort(int portNumber) override;
    bool SetQueues(std::size_t inputBytes, std::size_t outputBytes) override;
    bool SetReadTimeouts(const ReadTimeouts& timeouts) override;
    bool GetConfig(LineConfig& config) override;
    bool SetConfig(const LineConfig& config) override;
    void PurgeReceive() override;
    void PurgeTransmit() override;
    ReadResult Read(std::span<std::uint8_t> buffer) override;
    bool Write(std::span<const std::uint8_t> data) override;
    void ClosePort() override;

    bool IsOpen() const { return socket_ != kNoSocket; }
    // True after the server went away; cleared only by closing the port.
    bool IsBroken() const { return broken_; }

private:
    // What one look at the socket brought: alive is false once the connection is gone.
    struct Received {
        bool alive = false;
        bool arrived = false;  // bytes came (data, commands or both)
        std::size_t data = 0;  // data bytes written to the caller's buffer
    };

    bool Telnet() const { return address_.scheme == NetworkScheme::Rfc2217; }
    Received ReceiveOnce(int timeoutMs, std::span<std::uint8_t> out);
    // Receives (discarding the data) until done() holds or the deadline passes; false when it did not hold.
    template <typename Done>
    bool ReceiveUntil(std::int64_t deadline, Done done);
    void Drain();
    bool SendAll(std::span<const std::uint8_t> bytes);
    bool SendCommand(ComPortCommand command, std::uint32_t value);
    // Purges the server's buffers (kComPurgeReceive, kComPurgeTransmit), waiting for its answer while it
    // gives them.
    void Purge(std::uint32_t buffers);
    bool Connect(std::int64_t giveUp);
    bool OpenTelnet();
    void Break();

    PortDeviceLookup lookup_;
    std::unique_ptr<SocketSystem> system_;
    SocketHandle socket_ = kNoSocket;
    NetworkAddress address_;
    TelnetCodec codec_;
    ReadTimeouts timeouts_ = kLineReadTimeouts;
    LineConfig config_;        // as last set (the speed as the server reported it at the open)
    bool configured_ = false;  // the server confirmed config_ in full
    bool awaitPurge_ = true;   // the server answers the purges of its receive buffer
    bool broken_ = false;
};

}  // namespace zt30
