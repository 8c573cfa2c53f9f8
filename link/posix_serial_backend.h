// A COM port on a POSIX system: the terminal device that the port lookup names, opened exclusively and driven
// in raw mode without flow control through termios (any bit rate through termios2 on Linux). Reads and
// writes follow the Windows rules the line logic relies on: interval and total read time-outs on a monotonic
// clock, writes that return when the bytes have left, and, with abort-on-error on, a sticky line error after
// a byte the kernel marked (parity, framing, break) or an error the driver counted (TIOCGICOUNT: overrun,
// parity, framing, break). Every system call goes through a PosixSystem.
#pragma once

#include <termios.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "link/com_ports.h"
#include "link/parmrk_decoder.h"
#include "link/posix_system.h"
#include "link/serial_line.h"

namespace zt30 {

class PosixSerialBackend final : public SerialBackend {
public:
    // lookup: the configured device path of a port number (see DevicePathForPort); system: the calls to
    // make (the system's own unless a test scripts them).
    explicit PosixSerialBackend(PortDeviceLookup lookup,
                                std::unique_ptr<PosixSystem> system = MakeRealPosixSystem());
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
    std::string OpenFailureDetail() const override { return openFailure_; }

    bool IsOpen() const { return fd_ >= 0; }
    // True after a line error with abort-on-error on; cleared only by closing the port.
    bool HasLineError() const { return lineError_; }

private:
    // The driver's error counters; a driver that keeps none (a pseudo-terminal) leaves only the marks.
    struct LineErrorCounts {
        int overrun = 0;
        int bufferOverrun = 0;
        int parity = 0;
        int frame = 0;
        int breaks = 0;
    };

    // Notes the device and the reason for the failed open, from errno (or "not a terminal").
    void NoteOpenFailure(const std::string& path, bool notTerminal);
    bool WaitUntilSent(std::size_t bytes);
    bool ReadErrorCounts(LineErrorCounts& counts);
    // True when the line is in its error state; with abort-on-error on, a rise of the driver's counters since
    // the last look puts it there.
    bool CheckLineError();

    PortDeviceLookup lookup_;
    std::unique_ptr<PosixSystem> system_;
    int fd_ = -1;
    std::string openFailure_;
    ReadTimeouts timeouts_ = kLineReadTimeouts;
    termios saved_{};  // the system's configuration as last read; SetConfig changes only what it must
    bool haveSaved_ = false;
    std::uint32_t baudRate_ = 9600;  // the rate in effect, for the write's wire-time bound
    bool markErrors_ = false;        // PARMRK is on, so received bytes pass through decoder_
    bool abortOnError_ = false;
    bool discardNull_ = false;
    bool lineError_ = false;
    bool haveCounts_ = false;  // the driver answers TIOCGICOUNT
    LineErrorCounts counts_;   // as last seen
    ParmrkDecoder decoder_;
};

}  // namespace zt30
