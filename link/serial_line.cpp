#include "link/serial_line.h"

#include <utility>

namespace zt30 {

std::string PortName(int portNumber) {
    return "COM" + std::to_string(portNumber);
}

SerialLine::SerialLine(PortSettings& settings, std::unique_ptr<SerialBackend> backend)
    : settings_(settings), backend_(std::move(backend)) {}

SerialLine::~SerialLine() {
    Close();
}

bool SerialLine::Open(int portNumber) {
    if (open_) {
        // A second open of the same handle would fail as "busy"; the caller means a fresh piece of work.
        Close();
    }
    // From here every message of this open, ApplySettings' included, names the port asked for.
    openPort_ = portNumber;
    const std::string name = PortName(portNumber);
    if (!backend_->OpenPort(portNumber)) {
        failedPort_ = portNumber;
        settings_.portNumber = 0;
        if (portReset_) {
            portReset_();
        }
        return false;
    }
    open_ = true;
    if (!backend_->SetQueues(kLineQueueSize, kLineQueueSize)) {
        Fail("Na " + name + " nelze otevřít vyrovnávací buffer");
    }
    if (!backend_->SetReadTimeouts(kLineReadTimeouts)) {
        Fail("Na " + name + " nelze nastavit Timeout");
    }
    if (!backend_->GetConfig(config_)) {
        Fail("Nelze získat konfiguraci na sériovém portu " + name);
    }
    config_.dataBits = 8;
    config_.parity = Parity::Even;
    config_.stopBits = 1;
    config_.binaryMode = true;
    config_.parityCheck = true;
    config_.discardNull = false;
    ApplySettings();
    PurgeTransmit();
    PurgeReceive();
    return true;
}

void SerialLine::Close() {
    if (open_) {
        backend_->ClosePort();
        open_ = false;
    }
}

ReadResult SerialLine::Read(std::span<std::uint8_t> buffer) {
    if (!open_) {
        return {};
    }
    return backend_->Read(buffer);
}

bool SerialLine::Write(std::span<const std::uint8_t> data) {
    if (!open_) {
        return false;
    }
    PurgeReceive();
    PurgeTransmit();
    return backend_->Write(data);
}

void SerialLine::PurgeReceive() {
    if (open_) {
        backend_->PurgeReceive();
    }
}

void SerialLine::PurgeTransmit() {
    if (open_) {
        backend_->PurgeTransmit();
    }
}

void SerialLine::ApplySettings() {
    const std::string name = PortName(NamedPort());
    config_.baudRate = static_cast<std::uint32_t>(settings_.baudRate);
    config_.abortOnError = true;
    if (!open_ || settings_.baudRate <= 0 || !backend_->SetConfig(config_)) {
        Fail("Nepodařila se reinicializace portu " + name);
    }
}

SerialLineError SerialLine::OpenFailure() const {
    return SerialLineError("Sériový port " + PortName(failedPort_) + " nelze otevřít");
}

void SerialLine::CleanUp() {
    backend_->ClosePort();
    open_ = false;
    settings_.portNumber = 0;
    if (portReset_) {
        portReset_();
    }
}

void SerialLine::Fail(const std::string& message) {
    CleanUp();
    throw SerialLineError(message);
}

}  // namespace zt30
