// The system's serial backend: each open picks the line on the network or the local port by the port's
// device, so every place that takes a device takes a network address too.
#include <memory>
#include <utility>

#include "link/com_ports.h"
#include "link/network_address.h"
#include "link/network_serial_backend.h"

namespace zt30 {
namespace {

class SystemSerialBackend final : public SerialBackend {
public:
    explicit SystemSerialBackend(PortDeviceLookup lookup)
        : lookup_(std::move(lookup)), local_(MakeLocalSerialBackend(lookup_)) {}

    bool OpenPort(int portNumber) override {
        ClosePort();
        const std::optional<std::string> device =
            portNumber >= 1 && lookup_ ? lookup_(portNumber) : std::optional<std::string>{};
        if (device && IsNetworkDevice(*device)) {
            if (!network_) {
                network_ = std::make_unique<NetworkSerialBackend>(lookup_);
            }
            active_ = network_.get();
        } else {
            active_ = local_.get();
        }
        return active_->OpenPort(portNumber);
    }
    bool SetQueues(std::size_t inputBytes, std::size_t outputBytes) override {
        return active_->SetQueues(inputBytes, outputBytes);
    }
    bool SetReadTimeouts(const ReadTimeouts& timeouts) override { return active_->SetReadTimeouts(timeouts); }
    bool GetConfig(LineConfig& config) override { return active_->GetConfig(config); }
    bool SetConfig(const LineConfig& config) override { return active_->SetConfig(config); }
    void PurgeReceive() override { active_->PurgeReceive(); }
    void PurgeTransmit() override { active_->PurgeTransmit(); }
    ReadResult Read(std::span<std::uint8_t> buffer) override { return active_->Read(buffer); }
    bool Write(std::span<const std::uint8_t> data) override { return active_->Write(data); }
    void ClosePort() override { active_->ClosePort(); }
    std::string OpenFailureDetail() const override { return active_->OpenFailureDetail(); }

private:
    PortDeviceLookup lookup_;
    std::unique_ptr<SerialBackend> local_;
    std::unique_ptr<SerialBackend> network_;  // made at the first open of a network address
    SerialBackend* active_ = local_.get();    // the one last opened; a closed backend fails every call
};

}  // namespace

std::unique_ptr<SerialBackend> MakeSystemSerialBackend(PortDeviceLookup lookup) {
    return std::make_unique<SystemSerialBackend>(std::move(lookup));
}

}  // namespace zt30
