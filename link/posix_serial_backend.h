// A COM port on a POSIX system: the terminal device that the port lookup names, opened exclusively and driven
// in raw mode with termios (any bit rate through termios2 on Linux). Reads and writes follow the Windows
// rules the line logic relies on: interval and total read time-outs on a monotonic clock, writes that return
// when the bytes have left, and a sticky line error after a parity or framing error when abort-on-error is
// on.
#pragma once

#include <termios.h>

#include <cstdint>
#include <span>

#include "link/com_ports.h"
#include "link/parmrk_decoder.h"
#include "link/serial_line.h"

namespace zt30 {

class PosixSerialBackend final : public SerialBackend {
public:
    // lookup: the configured device path of a port number (see DevicePathForPort).
    explicit PosixSerialBackend(PortDeviceLookup lookup);
    PosixSerialBackend(const PosixSerialBackend&) = delete;
    PosixSerialBackend& operator=(const PosixSerialBackend&) = delete;
    ~PosixSerialBackend() override;

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

    bool IsOpen() const { return fd_ >= 0; }
    // True after a line error with abort-on-error on; cleared only by closing the port.
    bool HasLineError() const { return lineError_; }

private:
    bool WaitUntilSent(std::size_t bytes);

    PortDeviceLookup lookup_;
    int fd_ = -1;
    ReadTimeouts timeouts_ = kLineReadTimeouts;
    termios saved_{};  // the system's configuration as last read; SetConfig changes only what it must
    bool haveSaved_ = false;
    std::uint32_t baudRate_ = 9600;  // the rate in effect, for the write's wire-time bound
    bool markErrors_ = false;        // PARMRK is on, so received bytes pass through decoder_
    bool abortOnError_ = false;
    bool discardNull_ = false;
    bool lineError_ = false;
    ParmrkDecoder decoder_;
};

}  // namespace zt30
