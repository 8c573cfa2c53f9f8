// Whether the line itself is still there after an exchange failed. A silent or garbled instrument fails an
// exchange just as a removed or hung-up device does; only for the latter does the system report a failed
// read or write call. LineWatchingBackend notes such calls on their way through, and LineCheck then reopens
// the port, as the program opens it for every reading: when it no longer opens, the line is gone and the
// open failure is the command's error. A parity error also fails the calls until the port is reopened, so
// after it the command goes on over the reopened port.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "link/serial_line.h"

namespace zt30::cli {

// Passes every call to the system's backend and notes the read and write calls that failed (a time-out is
// not a failure).
class LineWatchingBackend final : public SerialBackend {
public:
    explicit LineWatchingBackend(std::unique_ptr<SerialBackend> backend) : backend_(std::move(backend)) {}

    // True when a read or write call failed since the last call of this function.
    bool TakeFailedCall();

    bool OpenPort(int portNumber) override { return backend_->OpenPort(portNumber); }
    bool SetQueues(std::size_t inputBytes, std::size_t outputBytes) override {
        return backend_->SetQueues(inputBytes, outputBytes);
    }
    bool SetReadTimeouts(const ReadTimeouts& timeouts) override {
        return backend_->SetReadTimeouts(timeouts);
    }
    bool GetConfig(LineConfig& config) override { return backend_->GetConfig(config); }
    bool SetConfig(const LineConfig& config) override { return backend_->SetConfig(config); }
    void PurgeReceive() override { backend_->PurgeReceive(); }
    void PurgeTransmit() override { backend_->PurgeTransmit(); }
    ReadResult Read(std::span<std::uint8_t> buffer) override;
    bool Write(std::span<const std::uint8_t> data) override;
    void ClosePort() override { backend_->ClosePort(); }
    std::string OpenFailureDetail() const override { return backend_->OpenFailureDetail(); }

private:
    std::unique_ptr<SerialBackend> backend_;
    bool failedCall_ = false;
};

// The tool's one-line error for a port that did not open: the program's text, then the device and the
// system's reason when the backend tells them ("Sériový port COM1 nelze otevřít: /dev/ttyS0: permission
// denied").
std::string OpenErrorText(const SerialLine& line);

class LineCheck final {
public:
    // line runs over backend; portNumber is the port it was opened with.
    LineCheck(SerialLine& line, LineWatchingBackend& backend, int portNumber)
        : line_(line), backend_(backend), portNumber_(portNumber) {}

    // After a failed exchange: nullopt while the line is usable (reopened when a call failed), else the
    // line's error text (OpenErrorText, or the error of configuring it).
    std::optional<std::string> Gone();

private:
    SerialLine& line_;
    LineWatchingBackend& backend_;
    int portNumber_;
};

}  // namespace zt30::cli
