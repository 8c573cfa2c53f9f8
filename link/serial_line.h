// The program's one connection to the bus: a COM port opened exclusively for one piece of work, set to 8 data
// bits, even parity and one stop bit, with the read time-outs that let the telegram layer read frames of
// unknown length. The logic (order of steps, clean-up, messages) lives here; the platform work is done by a
// SerialBackend (POSIX termios, Win32 communications API, or an in-memory fake in tests).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>

#include "link/port_settings.h"

namespace zt30 {

// A failure of the serial line, carrying its Czech message (UTF-8) for the program's error display.
class SerialLineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class Parity : std::uint8_t { None, Odd, Even };

// The fields of the line configuration that the program sets. The Win32 backend keeps every other field of
// the system's configuration (flow control, special characters) as the system reported it; the POSIX backend
// always drives the port in raw mode without any flow control, because the telegrams are binary and an XON,
// XOFF or a missing handshake line must never hold them up.
struct LineConfig {
    std::uint32_t baudRate = 9600;
    std::uint8_t dataBits = 8;
    Parity parity = Parity::Even;
    std::uint8_t stopBits = 1;
    bool binaryMode = true;
    bool parityCheck = true;
    bool discardNull = false;
    // A line error (parity, framing, overrun, break) makes the pending and every later read and write fail
    // until the port is reopened.
    bool abortOnError = false;

    friend bool operator==(const LineConfig&, const LineConfig&) = default;
};

// A read ends when the requested bytes have arrived, when intervalMs pass after a byte without another, or
// when totalConstantMs + totalMultiplierMs * requested bytes have passed since it began.
struct ReadTimeouts {
    std::uint32_t intervalMs = 0;
    std::uint32_t totalMultiplierMs = 0;
    std::uint32_t totalConstantMs = 0;

    friend bool operator==(const ReadTimeouts&, const ReadTimeouts&) = default;
};

inline constexpr ReadTimeouts kLineReadTimeouts{100, 2, 500};
inline constexpr std::size_t kLineQueueSize = 256;

struct ReadResult {
    bool ok = false;        // the read call succeeded (a time-out is not a failure)
    std::size_t count = 0;  // bytes placed at the start of the buffer
    // When the first and the last delivered byte arrived, in microseconds after the read began; -1 when no
    // byte arrived. For the line monitor's response times only; the line logic never uses them.
    std::int64_t firstByteUs = -1;
    std::int64_t lastByteUs = -1;
};

// The platform's side of one port. Every call is synchronous; none throws.
class SerialBackend {
public:
    virtual ~SerialBackend() = default;

    // Opens the device of COM port n for reading and writing, exclusively; false when it cannot be opened.
    virtual bool OpenPort(int portNumber) = 0;
    virtual bool SetQueues(std::size_t inputBytes, std::size_t outputBytes) = 0;
    virtual bool SetReadTimeouts(const ReadTimeouts& timeouts) = 0;
    // Reads the system's current configuration of the open port.
    virtual bool GetConfig(LineConfig& config) = 0;
    // Writes the configuration to the open port; the new speed takes effect at once.
    virtual bool SetConfig(const LineConfig& config) = 0;
    // Discards what was received and not yet read.
    virtual void PurgeReceive() = 0;
    // Discards what was written and not yet sent.
    virtual void PurgeTransmit() = 0;
    // Reads up to buffer.size() bytes under the read time-outs, with the arrival times of the first and the
    // last byte.
    virtual ReadResult Read(std::span<std::uint8_t> buffer) = 0;
    // Writes all bytes and returns when they have left (bounded wait); false on any failure.
    virtual bool Write(std::span<const std::uint8_t> data) = 0;
    // Releases the device; no effect when none is open.
    virtual void ClosePort() = 0;
    // Why the last OpenPort failed, for a command-line message: the device and the system's reason
    // ("/dev/ttyUSB0: permission denied"); empty when the backend cannot tell.
    virtual std::string OpenFailureDetail() const { return {}; }
};

// Port n is named "COM" + n in every message, on every system.
std::string PortName(int portNumber);

class SerialLine {
public:
    // settings: the port dialog's settings; the line reads baudRate (and portNumber, to name a closed line's
    // port) and sets portNumber to 0 when an open fails.
    SerialLine(PortSettings& settings, std::unique_ptr<SerialBackend> backend);
    SerialLine(const SerialLine&) = delete;
    SerialLine& operator=(const SerialLine&) = delete;
    ~SerialLine();

    // Called whenever a failure sets portNumber to 0, so the port dialog can show "žádný port".
    void SetPortResetHandler(std::function<void()> handler) { portReset_ = std::move(handler); }

    // Opens and configures COM port n; every message of this open names COMn. False when the device cannot be
    // opened (the caller raises OpenFailure()); throws SerialLineError when the queues, time-outs or
    // configuration cannot be set.
    bool Open(int portNumber);
    // Releases the port; no effect on a closed line.
    void Close();
    bool IsOpen() const { return open_; }

    // Reads up to buffer.size() bytes: returns at the last requested byte, 100 ms after a byte with no other
    // following, or 500 + 2 * size ms after the start. Fails on a closed line or after a line error.
    ReadResult Read(std::span<std::uint8_t> buffer);
    // Purges both directions, then writes data; true when all bytes were written.
    bool Write(std::span<const std::uint8_t> data);
    void PurgeReceive();
    void PurgeTransmit();
    // Writes the configuration with the current baudRate and abort-on-error to the port; throws
    // SerialLineError (and closes the line) on failure, also when the line is not open. The message names the
    // open port, or portNumber when none is open.
    void ApplySettings();

    // The error to raise when Open returned false: "Sériový port COMn nelze otevřít".
    SerialLineError OpenFailure() const;
    // The backend's device and reason for that failure (SerialBackend::OpenFailureDetail); the program's
    // message never shows it, zt30ctl adds it to its one-line error.
    std::string OpenFailureDetail() const { return backend_->OpenFailureDetail(); }

private:
    // The port the messages name: the one being opened or open, else the stored selection.
    int NamedPort() const { return open_ ? openPort_ : settings_.portNumber; }
    void CleanUp();
    [[noreturn]] void Fail(const std::string& message);

    PortSettings& settings_;
    std::unique_ptr<SerialBackend> backend_;
    std::function<void()> portReset_;
    LineConfig config_;
    int failedPort_ = 0;  // the port of the last failed open, for OpenFailure()
    int openPort_ = 0;    // the port of the open handle (or of the open in progress)
    bool open_ = false;
};

}  // namespace zt30
